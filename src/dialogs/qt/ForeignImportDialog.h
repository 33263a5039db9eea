#pragma once

#include <QDialog>

#include "dialogs/ForeignImportDialogBase.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressDialog;
class QPushButton;

// "Import from Another Program": choose the program and its file, see the
// dry run's list (what would be added, skipped, renamed, replaced, and
// what is not carried over), then Import. Import stays disabled until a
// preview of exactly what is chosen has read.
class ForeignImportDialog final : public QDialog, public ForeignImportDialogBase {
    Q_OBJECT
public:
    explicit ForeignImportDialog(const VUnicodeString& targetFolder, QWidget* parent = nullptr);

    // Chooses the program (by its command-line name) and file, as a user would.
    void Choose(const QString& programName, const QString& file);
    void RunPreview();

    QComboBox* ProgramBox() const { return m_program; }
    QLineEdit* PathBox() const { return m_path; }
    QListWidget* ItemList() const { return m_items; }
    QListWidget* NoteList() const { return m_notes; }
    QPushButton* ImportButton() const { return m_import; }
    QPushButton* PreviewButton() const { return m_preview; }
    QComboBox* ConflictBox() const { return m_conflict; }
    QCheckBox* PasswordsBox() const { return m_passwords; }
    QLabel* StatusLabel() const { return m_status; }

    void accept() override;

private:
    void ProgramChanged();
    void ChoicesChanged();
    void Browse();
    void TakeChoices();
    void Show(const Outcome& outcome);

    QComboBox* m_program;
    QLineEdit* m_path;
    QCheckBox* m_passwords;
    QLineEdit* m_master;
    QComboBox* m_conflict;
    QPushButton* m_preview;
    QListWidget* m_items;
    QListWidget* m_notes;
    QLabel* m_status;
    QPushButton* m_import;
    QDialogButtonBox* m_buttons;
    QProgressDialog* m_progress = nullptr;
    // Imports of more sessions than this show a progress dialog.
    static constexpr size_t kLongImport = 500;
};

// Shows the dialog; 1 when sessions were imported (a parent that is an
// ISessionDatabaseChanged is told), 0 otherwise.
int RunForeignImportDialog(const VUnicodeString& targetFolder, const QString& programName, const QString& file,
                           QWidget* parent);
