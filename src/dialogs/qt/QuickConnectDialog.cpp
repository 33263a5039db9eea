#include "dialogs/qt/QuickConnectDialog.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "dialogs/qt/ConnectProtocolPage.h"
#include "platform/GlobalConfig.h"
#include "platform/WindowClassRegistry.h"
#include "platform/qt/QtStrings.h"

namespace {

constexpr char16_t kDialogClass[] = u"Orvalis Software Connect Dialog";
constexpr int kWidthUnits = 230;
constexpr int kMarginUnits = 7;
constexpr int kButtonWidthUnits = 50;
constexpr int kButtonHeightUnits = 14;
constexpr int kRowGapUnits = 4;

GlobalConfig* Options()
{
    GlobalConfig* config = nullptr;
    return GetGlobalConfig(&config) ? config : nullptr;
}

} // namespace

QuickConnectDialog::QuickConnectDialog(const VUnicodeString& targetFolder, int applicationNumber, QWidget* parent,
                                       bool tabsAvailable)
    : QDialog(parent), QuickConnectDialogBase(targetFolder, applicationNumber, tabsAvailable)
{
    ConnectProtocolPage::RegisterFactories();
    setObjectName(QStringLiteral("quickConnectDialog"));
    setWindowTitle(tr("Quick Connect"));
    if (const WindowClassInfo* info = FindWindowClass(kDialogClass); info && info->icon)
        setWindowIcon(*info->icon);

    m_protocolLabel = new QLabel(tr("&Protocol:"), this);
    m_protocols = new QComboBox(this);
    m_protocols->setObjectName(QStringLiteral("protocolList"));
    m_protocolLabel->setBuddy(m_protocols);
    for (QFrame*& frame : m_frames) {
        frame = new QFrame(this);
        frame->setFrameShape(QFrame::NoFrame);
        frame->hide(); // placeholders: the page is laid over one of them
    }
    m_frames[0]->setObjectName(QStringLiteral("pageFrame1"));
    m_frames[1]->setObjectName(QStringLiteral("pageFrame2"));
    m_startup = new QCheckBox(tr("Sho&w quick connect on startup"), this);
    m_startup->setObjectName(QStringLiteral("startupBox"));
    m_save = new QCheckBox(tr("Sa&ve session"), this);
    m_save->setObjectName(QStringLiteral("saveBox"));
    m_tab = new QCheckBox(tr("Open in a &tab"), this);
    m_tab->setObjectName(QStringLiteral("tabBox"));
    m_done = new QPushButton(tr("&Done"), this);
    m_done->setObjectName(QStringLiteral("doneButton"));
    m_connect = new QPushButton(tr("Connect"), this);
    m_connect->setObjectName(QStringLiteral("connectButton"));
    m_connect->setDefault(true);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));

    LayOutTemplate();
    InitDialog();

    connect(m_protocols, &QComboBox::currentIndexChanged, this, [this](int item) {
        if (!m_updatingList)
            OnProtocolSelectionChanged(item);
    });
    connect(m_startup, &QCheckBox::clicked, this, [this] { OnStartupBoxClicked(); });
    connect(m_done, &QPushButton::clicked, this, [this] { OnDone(); });
    connect(m_connect, &QPushButton::clicked, this, [this] { OnConnect(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
}

QuickConnectDialog::~QuickConnectDialog()
{
    ReleasePage();
}

int QuickConnectDialog::DialogUnitsX(int units) const
{
    return units * fontMetrics().averageCharWidth() / 4;
}

int QuickConnectDialog::DialogUnitsY(int units) const
{
    return units * fontMetrics().height() / 8;
}

// The template: the protocol row, the page frames, the boxes' row, the
// tab box's row and the buttons. The first frame also covers the boxes'
// row, which the other products' layout leaves free.
void QuickConnectDialog::LayOutTemplate()
{
    const int margin = DialogUnitsX(kMarginUnits);
    const int saveLeft = margin + m_startup->sizeHint().width() + DialogUnitsX(12);
    const int width = std::max(DialogUnitsX(kWidthUnits), saveLeft + m_save->sizeHint().width() + margin);
    const int gap = DialogUnitsY(kRowGapUnits);
    const int comboHeight = m_protocols->sizeHint().height();
    const int labelWidth = m_protocolLabel->sizeHint().width();
    m_protocolLabel->setGeometry(margin, margin, labelWidth, comboHeight);
    m_protocols->setGeometry(margin + labelWidth + DialogUnitsX(4), margin, DialogUnitsX(90), comboHeight);

    const int pageTop = margin + comboHeight + 2 * gap;
    const int pageHeight = ConnectProtocolPage::MaxRows() * (comboHeight + 6);
    const int checkHeight = m_startup->sizeHint().height();
    m_boxesTop = pageTop + pageHeight + gap;
    m_tabTop = m_boxesTop + checkHeight + gap;
    m_frames[1]->setGeometry(margin, pageTop, width - 2 * margin, pageHeight);
    m_frames[0]->setGeometry(margin, pageTop, width - 2 * margin, m_boxesTop + checkHeight - pageTop);

    m_startup->setGeometry(margin, m_boxesTop, m_startup->sizeHint().width(), checkHeight);
    m_save->setGeometry(saveLeft, m_boxesTop, m_save->sizeHint().width(), checkHeight);
    const int tabWidth = std::max(m_tab->sizeHint().width(),
                                  m_tab->fontMetrics().horizontalAdvance(QStringLiteral("Open in a tiled window")) + 24);
    m_tab->setGeometry(margin, m_tabTop, tabWidth, checkHeight);

    const int buttonWidth = DialogUnitsX(kButtonWidthUnits);
    const int buttonHeight = DialogUnitsY(kButtonHeightUnits);
    const int buttonsTop = m_tabTop + checkHeight + 2 * gap;
    const int spacing = DialogUnitsX(4);
    m_cancel->setGeometry(width - margin - buttonWidth, buttonsTop, buttonWidth, buttonHeight);
    m_connect->setGeometry(m_cancel->x() - spacing - buttonWidth, buttonsTop, buttonWidth, buttonHeight);
    m_done->setGeometry(m_connect->x() - spacing - buttonWidth, buttonsTop, buttonWidth, buttonHeight);
    setFixedSize(width, buttonsTop + buttonHeight + margin);
}

void QuickConnectDialog::AddProtocolItem(const VUnicodeString& displayName, int rowIndex)
{
    m_updatingList = true;
    m_protocols->addItem(ToQString(displayName), rowIndex);
    m_updatingList = false;
}

int QuickConnectDialog::ProtocolItemCount() const
{
    return m_protocols->count();
}

int QuickConnectDialog::ProtocolItemRow(int item) const
{
    const QVariant data = m_protocols->itemData(item);
    return data.isValid() ? data.toInt() : -1;
}

void QuickConnectDialog::SelectProtocolItem(int item)
{
    m_updatingList = true;
    m_protocols->setCurrentIndex(item);
    m_updatingList = false;
}

void QuickConnectDialog::ShowBoxes(bool startup, bool save, bool tab)
{
    m_startup->setChecked(startup);
    m_save->setChecked(save);
    m_tab->setChecked(tab);
}

void QuickConnectDialog::ReadBoxes(bool& startup, bool& save, bool& tab) const
{
    startup = m_startup->isChecked();
    save = m_save->isChecked();
    tab = m_tab->isChecked();
}

void QuickConnectDialog::EnableDone(bool enable)
{
    m_done->setEnabled(enable);
}

void QuickConnectDialog::EnableConnectButton(bool enable)
{
    m_connect->setEnabled(enable);
}

void QuickConnectDialog::RelabelTabBox(const VUnicodeString& text)
{
    m_tab->setText(ToQString(text));
}

void QuickConnectDialog::ApplyLayout(bool terminalLayout, bool enableTabBox)
{
    if (!terminalLayout) {
        m_tab->hide();
        m_startup->move(m_startup->x(), m_tabTop);
        m_save->move(m_save->x(), m_tabTop);
        m_usedFrame = m_frames[0];
    } else {
        m_tab->setEnabled(enableTabBox);
        m_usedFrame = m_frames[1];
    }
}

ConnectProtocolPageBase* QuickConnectDialog::CreateProtocolPage(const ConnectProtocolRow& row)
{
    if (!row.pageFactory || !m_usedFrame)
        return nullptr;
    ConnectProtocolPage* page = row.pageFactory(this, &Config(), GetApplicationNumber());
    if (!page)
        return nullptr;
    page->setGeometry(m_usedFrame->geometry());
    setTabOrder(m_protocols, page);
    QWidget* last = page;
    for (QWidget* next : std::initializer_list<QWidget*>{m_startup, m_save, m_tab, m_done, m_connect, m_cancel}) {
        setTabOrder(last, next);
        last = next;
    }
    page->show();
    return page;
}

void QuickConnectDialog::DestroyProtocolPage(ConnectProtocolPageBase* page)
{
    if (auto* widget = dynamic_cast<ConnectProtocolPage*>(page)) {
        widget->hide();
        delete widget;
    }
}

ConnectProtocolPage* QuickConnectDialog::Page() const
{
    return dynamic_cast<ConnectProtocolPage*>(GetPage());
}

void QuickConnectDialog::EndDialog(int result)
{
    done(result);
}

void QuickConnectDialog::reject()
{
    OnCancel();
}

int QuickConnectDialog::DoModal()
{
    const int result = exec();
    if (result == 1)
        ProcessOk();
    return result;
}

void QuickConnectDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    const GlobalConfig* options = Options();
    if (!(options && options->quickConnectKeepFocus))
        m_protocols->setFocus(Qt::OtherFocusReason);
    else if (ConnectProtocolPage* page = Page(); page && !page->Fields().empty())
        if (QWidget* first = page->FieldControl(page->Fields().front()))
            first->setFocus(Qt::OtherFocusReason); // straight to the host

}

void QuickConnectDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1 || event->matches(QKeySequence::HelpContents)) {
        OnHelp();
        return;
    }
    QDialog::keyPressEvent(event);
}
