#pragma once

#include <optional>

#include <QDialog>

#include "dialogs/DuplicatePromptDialogBase.h"

class QLabel;
class QLineEdit;

// "Duplicate Session": the name of the copy, and its host name when the
// session offers one (the host row is hidden otherwise). OK keeps the
// dialog open on an invalid name.
class DuplicatePromptDialog final : public QDialog, public DuplicatePromptDialogBase {
    Q_OBJECT
public:
    // Takes a reference on `config`.
    explicit DuplicatePromptDialog(ISessionConfig* config, QWidget* parent = nullptr);

    QLineEdit* NameBox() const { return m_nameBox; }
    QLineEdit* HostBox() const { return m_hostBox; }

    void EnableDialog() override { setEnabled(true); }
    void DisableDialog() override { setEnabled(false); }
    void accept() override;

private:
    QLineEdit* m_nameBox;
    QLabel* m_hostLabel;
    QLineEdit* m_hostBox;
};

// Shows the prompt for a copy of `config`; true with the copy's name and,
// when offered, its host name.
bool RunDuplicatePrompt(ISessionConfig& config, VUnicodeString& newName, std::optional<VUnicodeString>& newHost,
                        QWidget* parent);
