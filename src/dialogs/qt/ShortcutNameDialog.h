#pragma once

#include <QDialog>

#include "core/Export.h"
#include "core/VUnicodeString.h"

class QLabel;
class QLineEdit;

// Asks for the label of a desktop shortcut to one item (its path shown,
// shortened to fit) or to several. Exported, so that other modules ask
// for a shortcut name the same way.
class ORV_EXPORT ShortcutNameDialog : public QDialog {
    Q_OBJECT
public:
    ShortcutNameDialog(const VUnicodeString& itemPath, bool severalItems, int applicationNumber,
                       QWidget* parent = nullptr);
    // The confirmed name, trimmed.
    VUnicodeString GetShortcutName() const { return m_name; }

    QLineEdit* NameBox() const { return m_nameBox; }
    QLabel* PathLabel() const { return m_pathLabel; }
    QLabel* ExplanationLabel() const { return m_explanation; }

    void accept() override;

protected:
    // Moves the name between the box and the field (`save`: from the box).
    void DoDataExchange(bool save);
    // Fills the window from the fields.
    void OnInitDialog();
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowPath();

    VUnicodeString m_name;
    VUnicodeString m_itemPath;
    VUnicodeString m_explanationText;
    QLabel* m_explanation;
    QLabel* m_pathLabel;
    QLineEdit* m_nameBox;
};
