#pragma once

#include <QDialog>

#include "sessiontree/SessionTreeBase.h"

class QCheckBox;
class QDialogButtonBox;
class QLineEdit;

// "Find Session": the text and where to look for it.
class FindSessionDialog final : public QDialog {
    Q_OBJECT
public:
    explicit FindSessionDialog(const FindOptions& options, QWidget* parent = nullptr);
    FindOptions Options() const;

    QLineEdit* TextBox() const { return m_text; }
    QCheckBox* SessionNameBox() const { return m_sessionName; }
    QCheckBox* HostNameBox() const { return m_hostName; }
    QCheckBox* DescriptionBox() const { return m_description; }
    QCheckBox* FolderNameBox() const { return m_folderName; }
    QCheckBox* MatchCaseBox() const { return m_matchCase; }

private:
    QLineEdit* m_text;
    QCheckBox* m_sessionName;
    QCheckBox* m_hostName;
    QCheckBox* m_description;
    QCheckBox* m_folderName;
    QCheckBox* m_matchCase;
};
