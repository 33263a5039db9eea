#include "dialogs/qt/DuplicatePromptDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/qt/QtStrings.h"

DuplicatePromptDialog::DuplicatePromptDialog(ISessionConfig* config, QWidget* parent)
    : QDialog(parent), DuplicatePromptDialogBase(config)
{
    setObjectName(QStringLiteral("duplicatePrompt"));
    setWindowTitle(tr("Duplicate Session"));
    auto* nameLabel = new QLabel(tr("&Name:"), this);
    m_nameBox = new QLineEdit(ToQString(m_newName), this);
    m_nameBox->setObjectName(QStringLiteral("name"));
    m_nameBox->setMinimumWidth(QFontMetrics(font()).averageCharWidth() * 36);
    nameLabel->setBuddy(m_nameBox);
    m_hostLabel = new QLabel(tr("&Hostname:"), this);
    m_hostBox = new QLineEdit(ToQString(m_hostName), this);
    m_hostBox->setObjectName(QStringLiteral("hostname"));
    m_hostLabel->setBuddy(m_hostBox);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &DuplicatePromptDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QGridLayout(this);
    layout->addWidget(nameLabel, 0, 0);
    layout->addWidget(m_nameBox, 0, 1);
    layout->addWidget(m_hostLabel, 1, 0);
    layout->addWidget(m_hostBox, 1, 1);
    layout->addWidget(buttons, 2, 0, 1, 2);
    m_hostLabel->setVisible(OffersHostName());
    m_hostBox->setVisible(OffersHostName());
    m_nameBox->selectAll();
    m_nameBox->setFocus(Qt::OtherFocusReason);
}

void DuplicatePromptDialog::accept()
{
    m_newName = ToVString(m_nameBox->text());
    m_hostName = ToVString(m_hostBox->text());
    if (!Confirm(this)) {
        m_nameBox->setFocus(Qt::OtherFocusReason);
        m_nameBox->selectAll();
        return;
    }
    QDialog::accept();
}

bool RunDuplicatePrompt(ISessionConfig& config, VUnicodeString& newName, std::optional<VUnicodeString>& newHost,
                        QWidget* parent)
{
    DuplicatePromptDialog prompt(&config, parent);
    if (prompt.exec() != QDialog::Accepted)
        return false;
    newName = prompt.GetNewName();
    if (prompt.OffersHostName())
        newHost = prompt.GetHostName();
    return true;
}
