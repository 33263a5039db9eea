#include "dialogs/qt/ShortcutNameDialog.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/ShortcutNameTexts.h"
#include "platform/DesktopShortcut.h"
#include "platform/MessageBox.h"
#include "platform/Products.h"
#include "platform/qt/QtStrings.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

constexpr uint32_t kMsgEmptyName = 0x61090008;

} // namespace

ShortcutNameDialog::ShortcutNameDialog(const VUnicodeString& itemPath, bool severalItems, int applicationNumber,
                                       QWidget* parent)
    : QDialog(parent)
{
    const ShortcutNameTexts texts = GetShortcutNameTexts(itemPath, severalItems, applicationNumber);
    m_name = texts.name;
    m_itemPath = texts.itemPath;
    m_explanationText = texts.explanation;

    setObjectName(QStringLiteral("shortcutNameDialog"));
    setWindowTitle(tr("Shortcut Name"));
    m_explanation = new QLabel(tr("Application will create a shortcut on the\nDesktop to the following session:"), this);
    m_explanation->setObjectName(QStringLiteral("explanation"));
    m_pathLabel = new QLabel(tr("Session Path"), this);
    m_pathLabel->setObjectName(QStringLiteral("itemPath"));
    m_pathLabel->setMinimumWidth(QFontMetrics(font()).averageCharWidth() * 40);
    m_pathLabel->setIndent(QFontMetrics(font()).averageCharWidth() * 2);
    auto* prompt = new QLabel(tr("Please enter a label for the shortcut:"), this);
    m_nameBox = new QLineEdit(this);
    m_nameBox->setObjectName(QStringLiteral("shortcutName"));
    prompt->setBuddy(m_nameBox);
    // With a buddy a label takes '&' as a mnemonic, as the path's doubled
    // ampersands expect.
    m_pathLabel->setBuddy(m_nameBox);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &ShortcutNameDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_explanation);
    layout->addWidget(m_pathLabel);
    layout->addWidget(prompt);
    layout->addWidget(m_nameBox);
    layout->addWidget(buttons);
    OnInitDialog();
}

void ShortcutNameDialog::DoDataExchange(bool save)
{
    if (save)
        m_name = ToVString(m_nameBox->text());
    else
        m_nameBox->setText(ToQString(m_name));
}

void ShortcutNameDialog::OnInitDialog()
{
    m_explanation->setText(ToQString(m_explanationText));
    DoDataExchange(false);
    m_nameBox->selectAll();
    m_nameBox->setFocus(Qt::OtherFocusReason);
    ShowPath();
}

// The path shortened to the label's width, with '&' doubled so that it shows.
void ShortcutNameDialog::ShowPath()
{
    const QFontMetrics metrics(m_pathLabel->font());
    const int width = m_pathLabel->width() > 0 ? std::max(m_pathLabel->width(), m_pathLabel->minimumWidth())
                                               : m_pathLabel->minimumWidth();
    const VUnicodeString shown = AbbreviatePathname(
        m_itemPath, [&](std::u16string_view text) { return metrics.horizontalAdvance(ToQString(text)) <= width; });
    m_pathLabel->setText(ToQString(EscapeAmpersand(shown)));
    m_pathLabel->setTextFormat(Qt::PlainText);
}

void ShortcutNameDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    ShowPath();
}

void ShortcutNameDialog::accept()
{
    DoDataExchange(true);
    std::u16string name = m_name.str();
    const size_t first = name.find_first_not_of(u" \t\r\n");
    name = first == std::u16string::npos ? std::u16string()
                                         : name.substr(first, name.find_last_not_of(u" \t\r\n") - first + 1);
    m_name = VUnicodeString(name);
    if (m_name.IsEmpty()) {
        GetMessageBox().Show(this, NewReport(kMsgEmptyName)->GetText().str(), VGetAppName(),
                             kMbOk | kMbIconExclamation);
        m_nameBox->setFocus(Qt::OtherFocusReason);
        return;
    }
    QDialog::accept();
}
