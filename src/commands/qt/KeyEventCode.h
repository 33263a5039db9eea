#pragma once

#include <cstdint>

#include <QKeySequence>

class QKeyEvent;

// The keymap's key code of a key the user pressed: the virtual-key code
// (or 0x80000000 plus a Latin-1 character, or the toolkit's own code for
// keys without either), the extended bit for the cursor block and the
// keypad's Enter and slash, and the Ctrl, Shift and Alt bits. 0 for an
// event that carries no key.
uint32_t KeymapKeyCode(const QKeyEvent& event);
uint32_t KeymapKeyCode(int qtKey, Qt::KeyboardModifiers modifiers);

// The key sequence of a menu file's accelerator (its flags and key, see
// VMenuToolbarItem.h); empty when the key has no equivalent.
QKeySequence AcceleratorKeySequence(uint8_t flags, uint16_t key);
