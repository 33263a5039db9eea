#pragma once

#include <QDialog>

#include "commands/ProfileUserButtonMap.h"

class QComboBox;
class QLineEdit;
class QPlainTextEdit;

// The demo host's command-properties dialog: what a command does, its
// arguments and its label.
class CommandDialog final : public QDialog {
public:
    CommandDialog(const ProfileUserButtonMap::Item& item, QWidget* parent);
    // The item as the user left it.
    ProfileUserButtonMap::Item Item() const;

private:
    ProfileUserButtonMap::Item m_item;
    QComboBox* m_function;
    QPlainTextEdit* m_argument;
    QLineEdit* m_argument2;
    QLineEdit* m_label;
};
