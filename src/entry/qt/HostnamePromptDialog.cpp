#include "entry/qt/HostnamePromptDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qt/QtStrings.h"

HostnamePromptDialog::HostnamePromptDialog(const VUnicodeString& sessionLabel, const VUnicodeString& hostname,
                                           QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Enter Hostname"));
    setObjectName(QStringLiteral("hostnamePrompt"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Please enter a hostname for this session :"), this));
    m_session = new QLabel(ToQString(sessionLabel), this);
    m_session->setObjectName(QStringLiteral("sessionLabel"));
    m_session->setTextFormat(Qt::PlainText); // a session's name is never markup
    layout->addWidget(m_session);
    m_edit = new QLineEdit(ToQString(hostname), this);
    m_edit->setObjectName(QStringLiteral("hostnameEdit"));
    layout->addWidget(m_edit);
    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    m_ok->setDefault(true);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_edit, &QLineEdit::textChanged, this, &HostnamePromptDialog::UpdateOk);
    setMinimumWidth(360);
    UpdateOk();
    m_edit->setFocus();
    m_edit->selectAll();
}

int HostnamePromptDialog::Run()
{
    return exec() == QDialog::Accepted ? 1 : 2;
}

VUnicodeString HostnamePromptDialog::Hostname() const
{
    return ToVString(m_edit->text());
}

void HostnamePromptDialog::UpdateOk()
{
    m_ok->setEnabled(!m_edit->text().isEmpty());
}
