#include "dialogs/qt/NewSessionWizard.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/ConnectProtocolPageBase.h"
#include "dialogs/qt/ConnectProtocolPage.h"
#include "dialogs/qt/SessionBrowse.h"
#include "platform/MessageBox.h"
#include "platform/Products.h"
#include "platform/SessionNameValidator.h"
#include "platform/qt/QtPlatformServices.h"
#include "platform/qt/QtStrings.h"
#include "profile/reports/VReportMessageParams.h"
#include "profile/sessions/SessionDatabase.h"

extern const unsigned char orv_wizard_picture[];
extern const unsigned long orv_wizard_picture_size;

namespace {

using W = NewSessionWizardBase;

constexpr uint32_t kMsgNameInUse = 0xE1090003;
constexpr char16_t kSftp[] = u"SFTP";
constexpr char16_t kScp[] = u"SCP";
constexpr char16_t kSsh2[] = u"SSH2";

QPixmap WizardPicture()
{
    QPixmap picture;
    picture.loadFromData(orv_wizard_picture, static_cast<uint>(orv_wizard_picture_size), "PNG");
    return picture;
}

// The folder a configuration's path lies in.
VUnicodeString FolderOf(const ISessionConfig& config)
{
    VUnicodeString folder;
    VUnicodeString leaf;
    SessionDatabase::SplitSessionPath(config.GetSessionPath(), folder, leaf);
    return folder;
}

// Descriptions are kept with CR LF between lines; the box shows plain lines.
QString DescriptionForBox(const VUnicodeString& text)
{
    QString lines = ToQString(text);
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return lines;
}

} // namespace

// --- NewSessionWizardPage

NewSessionWizardPage::NewSessionWizardPage(ISessionConfig* config, int applicationNumber, int templateId,
                                           int pictureId)
    : m_config(SessionConfigPtr::Retain(dynamic_cast<SessionConfig*>(config))),
      m_applicationNumber(applicationNumber), m_resourceId(templateId)
{
    if (!m_config)
        m_config = SessionConfigPtr(new SessionConfig(nullptr, {}));
    if (pictureId == kWizardPicture)
        setPixmap(QWizard::WatermarkPixmap, WizardPicture());
    m_body = new QVBoxLayout(this);
}

NewSessionWizardBase* NewSessionWizardPage::GetNewSessionWizardBase() const
{
    return dynamic_cast<NewSessionWizardBase*>(wizard());
}

void NewSessionWizardPage::DoSetup(const VUnicodeString&, const VUnicodeString&) {}

VStringArray NewSessionWizardPage::PopulateProtocolArray(int applicationNumber, bool withNone)
{
    VStringArray names;
    for (const ConnectProtocolRow& row : GetConnectProtocolTable())
        if (row.applicationNumber == applicationNumber && (withNone || ConnectConfig::IsProtocol(row.name)))
            names.Add(row.displayName);
    return names;
}

void NewSessionWizardPage::AddText(const QString& text, bool heading)
{
    auto* label = new QLabel(text, this);
    label->setWordWrap(true);
    if (heading) {
        QFont font = label->font();
        font.setBold(true);
        font.setPointSizeF(font.pointSizeF() * 1.3);
        label->setFont(font);
    }
    m_body->addWidget(label);
}

// --- The protocol lists

NewSessionWizardProtocolListPage::NewSessionWizardProtocolListPage(ISessionConfig* config, int applicationNumber,
                                                                   int templateId, const QString& listLabel,
                                                                   bool withBox)
    : NewSessionWizardPage(config, applicationNumber, templateId, kWizardPicture)
{
    m_list = new QComboBox(this);
    m_list->setObjectName(QStringLiteral("protocolList"));
    auto* row = new QFormLayout;
    auto* label = new QLabel(listLabel, this);
    label->setBuddy(m_list);
    row->addRow(label, m_list);
    static_cast<QVBoxLayout*>(Body())->addLayout(row);
    static_cast<QVBoxLayout*>(Body())->addStretch(1);
    if (withBox) {
        m_box = new QCheckBox(tr("Do not use this &wizard when creating sessions"), this);
        m_box->setObjectName(QStringLiteral("doNotUseBox"));
        Body()->addWidget(m_box);
        connect(m_box, &QCheckBox::toggled, this, [this] { SetButtonsByBox(); });
    }
}

VUnicodeString NewSessionWizardProtocolListPage::ChosenProtocol() const
{
    const ConnectProtocolRow* row = FindProtocolByDisplayName(ToVString(m_list->currentText()).str());
    return row ? VUnicodeString(row->name) : VUnicodeString();
}

void NewSessionWizardProtocolListPage::Fill(const VStringArray& names, const VUnicodeString& protocol)
{
    m_list->clear();
    int selected = 0;
    for (const VUnicodeString& name : names) {
        const ConnectProtocolRow* row = FindProtocolByDisplayName(name.str());
        if (row && protocol.EqualsNoCase(row->name))
            selected = m_list->count();
        m_list->addItem(ToQString(name));
    }
    m_list->setCurrentIndex(selected);
}

void NewSessionWizardProtocolListPage::SetButtonsByBox()
{
    if (NewSessionWizardBase* base = GetNewSessionWizardBase())
        base->SetButtons(W::kButtonNext | W::kButtonFinish,
                         m_box && m_box->isChecked() ? W::kButtonFinish : W::kButtonNext);
}

// --- Single page

NewSessionWizardProtocolSinglePage::NewSessionWizardProtocolSinglePage(ISessionConfig* config, int applicationNumber)
    : NewSessionWizardProtocolListPage(config, applicationNumber, W::kSinglePageID, tr("P&rotocol:"), true)
{
    setObjectName(QStringLiteral("singlePage"));
    auto* body = static_cast<QVBoxLayout*>(Body());
    auto* heading = new QLabel(tr("New Session Wizard"), this);
    QFont font = heading->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.3);
    heading->setFont(font);
    body->insertWidget(0, heading);
    auto* intro = new QLabel(tr("This wizard will help you create a new session for connecting to a remote server."), this);
    intro->setWordWrap(true);
    body->insertWidget(1, intro);
    auto* question = new QLabel(tr("What type of connection do you want to establish?"), this);
    question->setWordWrap(true);
    body->insertWidget(2, question);
}

void NewSessionWizardProtocolSinglePage::initializePage()
{
    const int product = IsTerminalFamilyApplication(GetApplicationNumber()) ? kApplicationTerminal
                                                                            : GetTransferAppProductID(GetApplicationNumber());
    Fill(PopulateProtocolArray(product, false), GetProtocolFor(Config(), GetApplicationNumber()));
    if (DoNotUseBox())
        DoNotUseBox()->setChecked(false);
}

bool NewSessionWizardProtocolSinglePage::validatePage()
{
    SetProtocolFor(Config(), GetApplicationNumber(), ChosenProtocol());
    NewSessionWizardBase::SetUseWizard(!DoNotUseBox()->isChecked());
    return true;
}

int NewSessionWizardProtocolSinglePage::nextId() const
{
    NewSessionWizardBase* base = GetNewSessionWizardBase();
    return base ? base->GetNextProtocolResourceID(ChosenProtocol()) : -1;
}

// --- Terminal page

NewSessionWizardTerminalPage::NewSessionWizardTerminalPage(ISessionConfig* config, int applicationNumber)
    : NewSessionWizardProtocolListPage(config, applicationNumber, W::kTerminalPageID,
                                       QStringLiteral("Kestrune\u00AE protocol:"), true)
{
    setObjectName(QStringLiteral("terminalPage"));
    auto* body = static_cast<QVBoxLayout*>(Body());
    const QString texts[] = {
        tr("New Session Wizard"),
        tr("This wizard will help you create a new session for connecting to a remote server."),
        tr("What type of connection do you want to establish?"),
        tr("If you would like to use this session for terminal emulation, select a protocol below.  If you only "
           "want to use this session for file transfer, select 'None' below."),
    };
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(texts[i], this);
        label->setWordWrap(true);
        if (i == 0) {
            QFont font = label->font();
            font.setBold(true);
            font.setPointSizeF(font.pointSizeF() * 1.3);
            label->setFont(font);
        }
        body->insertWidget(i, label);
    }
}

void NewSessionWizardTerminalPage::initializePage()
{
    Fill(PopulateProtocolArray(kApplicationTerminal, true), Config().GetProtocolName());
    DoNotUseBox()->setChecked(false);
}

bool NewSessionWizardTerminalPage::validatePage()
{
    const VUnicodeString protocol = ChosenProtocol();
    Config().Connect().SetProtocolName(protocol);
    NewSessionWizardBase::SetUseWizard(!DoNotUseBox()->isChecked());
    if (NewSessionWizardBase* base = GetNewSessionWizardBase())
        base->SetIsTamsicProtocolNone(!ConnectConfig::IsProtocol(protocol));
    return true;
}

int NewSessionWizardTerminalPage::nextId() const
{
    NewSessionWizardBase* base = GetNewSessionWizardBase();
    if (!base)
        return -1;
    const VUnicodeString protocol = ChosenProtocol();
    return ConnectConfig::IsProtocol(protocol) ? base->GetNextProtocolResourceID(protocol) : base->GetTransferPageID();
}

// --- Transfer page

NewSessionWizardTransferPage::NewSessionWizardTransferPage(ISessionConfig* config, int applicationNumber)
    : NewSessionWizardProtocolListPage(config, applicationNumber, W::kTransferPageID,
                                       QStringLiteral("Pellowin\u00AE protocol:"), false)
{
    setObjectName(QStringLiteral("transferPage"));
    auto* note = new QLabel(tr("If you would like to use this session for FTP or SFTP file transfers, select a "
                               "protocol below.  If you only want to use this session for terminal emulation, "
                               "select 'None' below."),
                            this);
    note->setWordWrap(true);
    static_cast<QVBoxLayout*>(Body())->insertWidget(0, note);
}

void NewSessionWizardTransferPage::OnSetActive()
{
    NewSessionWizardBase* base = GetNewSessionWizardBase();
    const bool terminalNone = base && base->GetIsTamsicProtocolNone();
    Fill(PopulateProtocolArray(GetTransferAppProductID(GetApplicationNumber()), !terminalNone),
         Config().GetTransferProtocolName());
    if (base)
        base->SetButtons(W::kButtonBack | W::kButtonNext, W::kButtonBack | W::kButtonNext);
}

bool NewSessionWizardTransferPage::validatePage()
{
    Config().Connect().SetTransferProtocolName(ChosenProtocol());
    return true;
}

int NewSessionWizardTransferPage::nextId() const
{
    NewSessionWizardBase* base = GetNewSessionWizardBase();
    if (!base)
        return -1;
    const VUnicodeString transfer = ChosenProtocol();
    if ((transfer.EqualsNoCase(kSftp) || transfer.EqualsNoCase(kScp)) && Config().GetProtocolName().EqualsNoCase(kSsh2))
        return base->GetFinishPageID(); // the SSH2 page asked for all they need
    return base->GetNextProtocolResourceID(transfer);
}

// --- Connection pages

NewSessionWizardConnectionPage::NewSessionWizardConnectionPage(ISessionConfig* config, int applicationNumber,
                                                               size_t row)
    : NewSessionWizardPage(config, applicationNumber, W::kFirstProtocolPageID + static_cast<int>(row),
                           kWizardPicture),
      m_row(row)
{
    const ConnectProtocolRow& protocol = GetConnectProtocolTable()[row];
    setObjectName(QStringLiteral("connectionPage"));
    setProperty("protocol", ToQString(protocol.name));
    AddText(tr("%1 connection").arg(ToQString(protocol.displayName)), true);
    AddText(tr("Enter what is needed to reach the host."));
    m_page = new ConnectProtocolPage(protocol, this, config, protocol.applicationNumber);
    Body()->addWidget(m_page);
}

void NewSessionWizardConnectionPage::initializePage()
{
    m_page->DataExchange(false);
}

void NewSessionWizardConnectionPage::OnSetActive()
{
    if (NewSessionWizardBase* base = GetNewSessionWizardBase())
        base->SetButtons(W::kButtonBack | W::kButtonNext, W::kButtonBack | W::kButtonNext);
}

bool NewSessionWizardConnectionPage::validatePage()
{
    if (m_page->DataExchange(true))
        return true;
    if (NewSessionWizardBase* base = GetNewSessionWizardBase())
        base->SetLastError(m_page->Refusal());
    return false;
}

int NewSessionWizardConnectionPage::nextId() const
{
    NewSessionWizardBase* base = GetNewSessionWizardBase();
    return base ? base->GetPageAfterProtocol(GetConnectProtocolTable()[m_row].name) : -1;
}

// --- Finish page

NewSessionWizardFinishPage::NewSessionWizardFinishPage(ISessionConfig* config, int applicationNumber)
    : NewSessionWizardPage(config, applicationNumber, W::kFinishPageID, kWizardPicture)
{
    setObjectName(QStringLiteral("finishPage"));
    AddText(tr("The wizard is now ready to create the new session for you."));
    AddText(tr("What name do you want to use to uniquely identify the new session?"));
    auto* form = new QFormLayout;
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("nameBox"));
    m_description = new QPlainTextEdit(this);
    m_description->setObjectName(QStringLiteral("descriptionBox"));
    auto* nameLabel = new QLabel(tr("Session &name:"), this);
    nameLabel->setBuddy(m_name);
    auto* descriptionLabel = new QLabel(tr("&Description:"), this);
    descriptionLabel->setBuddy(m_description);
    form->addRow(nameLabel, m_name);
    form->addRow(descriptionLabel, m_description);
    static_cast<QVBoxLayout*>(Body())->addLayout(form);
    connect(m_name, &QLineEdit::textChanged, this, [this] { ApplyButtonRule(); });
}

void NewSessionWizardFinishPage::DoSetup(const VUnicodeString& name, const VUnicodeString& description)
{
    m_name->setText(ToQString(name));
    m_description->setPlainText(DescriptionForBox(description));
}

void NewSessionWizardFinishPage::OnSetActive()
{
    m_leavingForward = true;
    // The host names the session when it makes a good name; else the name
    // proposed when the wizard began.
    const VUnicodeString folder = FolderOf(Config());
    VUnicodeString name = VUnicodeString(Config().GetHostname()).Trim();
    if (name.IsEmpty() || SessionNameProblem(name.str()) != 0)
        name = Config().GetSessionName();
    else
        name = GetSessionDatabaseImpl()->MakeUniqueSessionName(folder, name);
    DoSetup(name, Config().GetDescription());
    ApplyButtonRule();
}

void NewSessionWizardFinishPage::ApplyButtonRule()
{
    NewSessionWizardBase* base = GetNewSessionWizardBase();
    if (!base || wizard()->currentPage() != this)
        return;
    const bool named = !ToVString(m_name->text()).Trim().IsEmpty();
    base->SetButtons(W::kButtonBack | W::kButtonFinish, named ? W::kButtonBack | W::kButtonFinish : W::kButtonBack);
}

void NewSessionWizardFinishPage::cleanupPage()
{
    m_leavingForward = false;
}

bool NewSessionWizardFinishPage::validatePage()
{
    if (!m_leavingForward)
        return true;
    VUnicodeString name = ToVString(m_name->text());
    name.Trim();
    const VUnicodeString folder = FolderOf(Config());
    auto refuse = [this] {
        m_name->setFocus(Qt::OtherFocusReason);
        m_name->selectAll();
        return false;
    };
    if (!ValidateSessionName(folder.str(), Config().GetSessionName().str(), name.str(), true, this))
        return refuse();
    if (GetSessionDatabaseImpl()->SessionExists(SessionDatabase::JoinSessionPath(folder, name))) {
        VReportPtr report = NewReport(kMsgNameInUse);
        report->AddParameter(name);
        GetMessageBox().Show(this, report->GetText().str(), VGetAppName().str(), kMbOk | kMbIconExclamation);
        if (NewSessionWizardBase* base = GetNewSessionWizardBase())
            base->SetLastError(report->GetText());
        return refuse();
    }
    m_name->setText(ToQString(name));
    Config().SetSessionPath(SessionDatabase::JoinSessionPath(folder, name));
    QString description = m_description->toPlainText();
    description.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    Config().SetDescription(ToVString(description));
    return true;
}

// --- The sheet

NewSessionWizard::NewSessionWizard(ISessionConfig* config, int applicationNumber, QWidget* parent,
                                   unsigned int firstPage)
    : QWizard(parent), NewSessionWizardBase(config, applicationNumber)
{
    ConnectProtocolPage::RegisterFactories();
    setObjectName(QStringLiteral("newSessionWizard"));
    setWindowTitle(QString());
    setWizardStyle(QWizard::ClassicStyle);
    setOption(QWizard::HaveFinishButtonOnEarlyPages, true);
    setPixmap(QWizard::WatermarkPixmap, WizardPicture());
    ISessionConfig* shared = &Config();
    int id = 0;
    m_single = new NewSessionWizardProtocolSinglePage(shared, applicationNumber);
    m_terminal = new NewSessionWizardTerminalPage(shared, applicationNumber);
    m_transfer = new NewSessionWizardTransferPage(shared, applicationNumber);
    m_finish = new NewSessionWizardFinishPage(shared, applicationNumber);
    for (NewSessionWizardPage* page : std::initializer_list<NewSessionWizardPage*>{m_single, m_terminal, m_transfer, m_finish})
        AddPage(page, id);
    const std::span<const ConnectProtocolRow> table = GetConnectProtocolTable();
    for (size_t i = 0; i < table.size(); ++i)
        if (!ConnectProtocolPageBase::FieldsOf(table[i].name).empty())
            AddPage(new NewSessionWizardConnectionPage(shared, applicationNumber, i), id);
    const int start = firstPage != 0 ? static_cast<int>(firstPage) : UsesBothFamilies() ? kTerminalPageID : kSinglePageID;
    setStartId(start);
    connect(this, &QWizard::currentIdChanged, this, [this](int pageId) {
        if (auto* page = dynamic_cast<NewSessionWizardPage*>(this->page(pageId)))
            page->OnSetActive();
    });
    OnInitDialog();
}

NewSessionWizard::~NewSessionWizard() = default;

void NewSessionWizard::OnInitDialog()
{
    // No Help; Cancel where Help was and Finish where Cancel was.
    setOption(QWizard::HaveHelpButton, false);
    setButtonLayout({QWizard::Stretch, QWizard::BackButton, QWizard::NextButton, QWizard::FinishButton,
                     QWizard::CancelButton});
}

void NewSessionWizard::AddPage(NewSessionWizardPage* page, int& pageId)
{
    pageId = page->GetResourceID();
    setPage(pageId, page);
}

NewSessionWizardConnectionPage* NewSessionWizard::ConnectionPage(std::u16string_view protocol) const
{
    const std::vector<int> ids = ProtocolPageIDs(protocol);
    return ids.empty() ? nullptr : dynamic_cast<NewSessionWizardConnectionPage*>(page(ids.front()));
}

int NewSessionWizard::DoModal()
{
    InstallQtPlatformServices();
    InitPages(m_single, m_terminal, m_transfer, m_finish);
    return exec() == QDialog::Accepted ? 1 : 2;
}

void NewSessionWizard::SetButtons(unsigned long shown, unsigned long enabled)
{
    const std::pair<QWizard::WizardButton, unsigned long> buttons[] = {
        {QWizard::BackButton, kButtonBack}, {QWizard::NextButton, kButtonNext}, {QWizard::FinishButton, kButtonFinish}};
    for (const auto& [which, bit] : buttons) {
        QAbstractButton* b = button(which);
        b->setVisible((shown & bit) != 0);
        b->setEnabled((enabled & bit) != 0);
    }
    for (QWizard::WizardButton which : {QWizard::BackButton, QWizard::NextButton, QWizard::FinishButton,
                                        QWizard::CancelButton, QWizard::CommitButton})
        if (auto* push = qobject_cast<QPushButton*>(button(which)))
            push->setDefault(false);
}

void NewSessionWizard::ShowBrowseModeFirewall(VUnicodeString& result, VUnicodeString chosen, int applicationNumber,
                                              QWidget* parent, QComboBox* combo, VStringArray firewallNames,
                                              unsigned int& rememberedIndex, const char16_t* protocol,
                                              unsigned short value)
{
    BrowseFirewall(result, chosen, applicationNumber, parent, combo, firewallNames, rememberedIndex, protocol, value);
}

// --- New Session from a tree

bool RunNewSessionWizardIn(const VUnicodeString& folderPath, int applicationNumber, QWidget* parent,
                           VUnicodeString& createdPath)
{
    SessionDatabase& database = *GetSessionDatabaseImpl();
    SessionConfigPtr config;
    if (SessionConfigPtr defaults = database.GetDefaultSession({}))
        config = SessionConfigPtr(defaults->Clone());
    else
        config = SessionConfigPtr(new SessionConfig(nullptr, {}));
    config->SetSessionPath(
        SessionDatabase::JoinSessionPath(folderPath, database.MakeUniqueSessionName(folderPath, u"New")));
    NewSessionWizard wizard(config.Get(), applicationNumber, parent, 0);
    if (wizard.DoModal() != 1)
        return false;
    VReportPtr report = NewReport();
    if (!database.SaveNewSession(*config, folderPath, config->GetSessionName(), {}, false, report.Get())) {
        GetMessageBox().Show(parent, report->GetText().str(), VGetAppName().str(), kMbOk | kMbIconExclamation);
        return false;
    }
    createdPath = config->GetSessionPath();
    return true;
}
