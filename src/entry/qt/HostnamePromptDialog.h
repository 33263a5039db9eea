#pragma once

#include <QDialog>

#include "core/VUnicodeString.h"

class QLabel;
class QLineEdit;
class QPushButton;

// "Enter Hostname": asks for the host name of a session that was saved
// without one. OK is enabled exactly when the host name is not empty.
class HostnamePromptDialog final : public QDialog {
    Q_OBJECT
public:
    HostnamePromptDialog(const VUnicodeString& sessionLabel, const VUnicodeString& hostname,
                         QWidget* parent = nullptr);

    // 1 when OK closed it, 2 when it was cancelled.
    int Run();
    VUnicodeString Hostname() const;

    QLineEdit* Edit() const { return m_edit; }
    QPushButton* OkButton() const { return m_ok; }
    QLabel* SessionLabel() const { return m_session; }

private:
    void UpdateOk();

    QLabel* m_session;
    QLineEdit* m_edit;
    QPushButton* m_ok;
};
