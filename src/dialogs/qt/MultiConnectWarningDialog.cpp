#include "dialogs/qt/MultiConnectWarningDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "platform/Products.h"
#include "platform/qt/QtStrings.h"

MultiConnectWarningDialog::MultiConnectWarningDialog(bool& suppress, uint32_t threshold, QWidget* parent)
    : QDialog(parent), m_suppress(suppress)
{
    setObjectName(QStringLiteral("multiConnectWarning"));
    setWindowTitle(ToQString(VGetAppName()));
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    m_text = new QLabel(tr("You have selected more than %1 sessions to open.").arg(threshold), this);
    m_check = new QCheckBox(tr("Do not display this warning again"), this);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* goOn = buttons->addButton(tr("Continue"), QDialogButtonBox::AcceptRole);
    buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    goOn->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, Qt::AlignTop);
    layout->addWidget(m_text, 0, 1);
    layout->addWidget(m_check, 1, 1);
    layout->addWidget(buttons, 2, 0, 1, 2);
}

void MultiConnectWarningDialog::done(int result)
{
    if (result == QDialog::Accepted)
        m_suppress = m_check->isChecked();
    QDialog::done(result);
}
