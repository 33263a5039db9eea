#pragma once

#include <span>

#include <QKeySequence>

#include "KeyTables.h"

class QKeyEvent;

// The command a key table gives a key press, or 0.
unsigned CommandForKey(std::span<const AcceleratorEntry> table, const QKeyEvent& event);
// How an entry is written in a menu ("Ctrl+Alt+F").
QKeySequence KeySequenceOf(const AcceleratorEntry& entry);
