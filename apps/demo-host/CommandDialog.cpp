#include "CommandDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

QString Q(const VUnicodeString& text)
{
    return QString::fromStdU16String(text.str());
}

VUnicodeString V(const QString& text)
{
    return VUnicodeString(text.toStdU16String());
}

// What the demo offers; a command of another function keeps it.
constexpr int kFunctions[] = {kFunctionSend, kFunctionSendToCommandWindow, kFunctionRun, kFunctionLaunch,
                              kFunctionCredentials};

} // namespace

CommandDialog::CommandDialog(const ProfileUserButtonMap::Item& item, QWidget* parent) : QDialog(parent), m_item(item)
{
    setWindowTitle(tr("Command Properties"));
    setObjectName(QStringLiteral("commandDialog"));
    m_function = new QComboBox(this);
    for (int function : kFunctions)
        m_function->addItem(Q(VUnicodeString(GetFunctionName(function))), function);
    if (m_function->findData(item.Function) < 0 && item.Function != kFunctionNone)
        m_function->addItem(Q(ProfileUserButtonMap::GetDisplayText(item)), item.Function);
    m_function->setCurrentIndex(std::max(0, m_function->findData(item.Function)));
    m_argument = new QPlainTextEdit(Q(item.Argument).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), this);
    m_argument->setObjectName(QStringLiteral("argument"));
    m_argument2 = new QLineEdit(Q(item.Argument2), this);
    m_label = new QLineEdit(Q(item.Label), this);
    m_label->setObjectName(QStringLiteral("label"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(tr("&Function:"), m_function);
    form->addRow(tr("&Text or program:"), m_argument);
    form->addRow(tr("&Arguments:"), m_argument2);
    form->addRow(tr("&Label:"), m_label);
    form->addRow(buttons);
    resize(420, 280);
}

ProfileUserButtonMap::Item CommandDialog::Item() const
{
    ProfileUserButtonMap::Item item = m_item;
    item.Function = m_function->currentData().toInt();
    item.FunctionName = VUnicodeString(GetFunctionName(item.Function));
    // Lines are sent with the terminal's line ends.
    item.SetArgument(V(m_argument->toPlainText().replace(QStringLiteral("\n"), QStringLiteral("\r\n"))));
    item.Argument2 = V(m_argument2->text());
    item.Label = V(m_label->text());
    return item;
}
