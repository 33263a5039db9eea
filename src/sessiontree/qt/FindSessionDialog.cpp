#include "sessiontree/qt/FindSessionDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qt/QtStrings.h"

FindSessionDialog::FindSessionDialog(const FindOptions& options, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Find Session"));
    setObjectName(QStringLiteral("findSessionDialog"));

    auto* label = new QLabel(tr("Fi&nd what:"), this);
    m_text = new QLineEdit(ToQString(options.text), this);
    m_text->setObjectName(QStringLiteral("findText"));
    label->setBuddy(m_text);

    auto* lookAt = new QGroupBox(tr("Look at"), this);
    m_sessionName = new QCheckBox(tr("&Session name"), lookAt);
    m_hostName = new QCheckBox(tr("&Hostname"), lookAt);
    m_description = new QCheckBox(tr("&Description"), lookAt);
    m_folderName = new QCheckBox(tr("Folde&r name"), lookAt);
    m_sessionName->setChecked(options.sessionName);
    m_hostName->setChecked(options.hostName);
    m_description->setChecked(options.description);
    m_folderName->setChecked(options.folderName);
    auto* lookAtLayout = new QVBoxLayout(lookAt);
    for (QCheckBox* box : {m_sessionName, m_hostName, m_description, m_folderName})
        lookAtLayout->addWidget(box);

    m_matchCase = new QCheckBox(tr("Match &case"), this);
    m_matchCase->setChecked(options.matchCase);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* textRow = new QHBoxLayout;
    textRow->addWidget(label);
    textRow->addWidget(m_text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(textRow);
    layout->addWidget(lookAt);
    layout->addWidget(m_matchCase);
    layout->addWidget(buttons);
    m_text->selectAll();
    m_text->setFocus();
}

FindOptions FindSessionDialog::Options() const
{
    FindOptions options;
    options.text = ToVString(m_text->text());
    options.sessionName = m_sessionName->isChecked();
    options.hostName = m_hostName->isChecked();
    options.description = m_description->isChecked();
    options.folderName = m_folderName->isChecked();
    options.matchCase = m_matchCase->isChecked();
    return options;
}
