// The demo host: a main window that loads the library the way a host
// application does (dlopen, the start-up calls in their documented order),
// docks the Session Manager, opens the Connect dialog from its menu and at
// start-up, and logs everything the library asks of it.
#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QDialog>
#include <QDockWidget>
#include <QFileInfo>
#include <QStyle>
#include <QDir>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>

#include "ActiveSessionsHost.h"
#include "CommandDialog.h"
#include "SampleDatabase.h"
#include "SampleImport.h"
#include "ShowDialogs.h"
#include "commands/ICommandManagerSink.h"
#include "commands/IMenuCommandSink.h"
#include "dialogs/IConnectDialogSink.h"
#include "dialogs/ISessionManager.h"
#include "entry/ConnectDialog.h"
#include "entry/RegisteredMessages.h"
#include "profile/reports/IReportMessageParams.h"
#include "profile/reports/VReportMessageParams.h"
#include "sessiontree/ISessionDatabaseChanged.h"
#include "profile/sessions/ConnectConfig.h"
#include "profile/store/PostgresProfileBackend.h"

namespace {

constexpr int kTerminalApplication = 3;
constexpr unsigned kSessionManagerPaneId = 0xE900;
constexpr unsigned kCommandManagerPaneId = 0xE901;
constexpr unsigned kActiveSessionsPaneId = 0xE902;

class HostLock final : public ISynchObject {
public:
    uint32_t AddRef() override { return ++m_count; }
    uint32_t Release() override { return --m_count; }
    void Lock() override {}
    void Unlock() override {}

private:
    uint32_t m_count = 1;
};

class HostRouter final : public VReportMessageRouter {
public:
    void RouteReport(IReportMessageParams* report) override
    {
        std::fprintf(stderr, "orvalis-demo-host: report 0x%08X\n", report->GetMessageId());
    }
};

HostRouter g_router;
VReportMessageRouter* GetRouter()
{
    return &g_router;
}

QString Q(const VUnicodeString& text)
{
    return QString::fromStdU16String(text.str());
}

// The library's exports, looked up by name.
struct Library {
    void* handle = nullptr;
    decltype(&ConnectDialogDllInit) dllInit = nullptr;
    decltype(&ConnectDialogDllInitProfileFactory) initFactory = nullptr;
    decltype(&ConnectDialogInitGUI) initGui = nullptr;
    decltype(&CleanupQuickConnectDialog) cleanup = nullptr;
    decltype(&ShowConnectDialog) showConnectDialog = nullptr;
    decltype(&ShowConnectView) showConnectView = nullptr;
    decltype(&GetDockAlignment) dockAlignment = nullptr;
    decltype(&ApplyMenuFile) applyMenuFile = nullptr;
    decltype(&ShowCommandManager) showCommandManager = nullptr;
    decltype(&ShowQuickConnectDialog) showQuickConnect = nullptr;
    decltype(&UpdateHostnameForConfig) updateHostname = nullptr;
    decltype(&GetGlobalConfig) globalConfig = nullptr;
    decltype(&ShowActiveSessionManager) showActiveSessions = nullptr;
    decltype(&ShowImportFromDialog) showImportFrom = nullptr;

    template <class F>
    bool Find(F& slot, const char* name)
    {
        slot = reinterpret_cast<F>(dlsym(handle, name));
        if (!slot)
            std::fprintf(stderr, "orvalis-demo-host: the library lacks %s\n", name);
        return slot != nullptr;
    }
    bool Load(const std::string& path)
    {
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            std::fprintf(stderr, "orvalis-demo-host: %s\n", dlerror());
            return false;
        }
        return Find(dllInit, "ConnectDialogDllInit") && Find(initFactory, "ConnectDialogDllInitProfileFactory") &&
               Find(initGui, "ConnectDialogInitGUI") && Find(cleanup, "CleanupQuickConnectDialog") &&
               Find(showConnectDialog, "ShowConnectDialog") && Find(showConnectView, "ShowConnectView") &&
               Find(dockAlignment, "GetDockAlignment") && Find(updateHostname, "UpdateHostnameForConfig") &&
               Find(globalConfig, "GetGlobalConfig") && Find(applyMenuFile, "ApplyMenuFile") &&
               Find(showCommandManager, "ShowCommandManager") &&
               Find(showActiveSessions, "ShowActiveSessionManager") && Find(showQuickConnect, "ShowQuickConnectDialog") &&
               Find(showImportFrom, "ShowImportFromDialog");
    }
};

class HostWindow final : public QMainWindow,
                         public IConnectDialogSink,
                         public ISessionDatabaseChanged,
                         public ICommandManagerSink,
                         public IActiveSessionManagerSink,
                         public IMenuCommandSink {
public:
    HostWindow(Library& library, const QString& logPath)
        : m_library(library), m_logFile(logPath.toStdString()),
          m_active([this](const QString& line) { Log(line); }, this)
    {
        setWindowTitle(QStringLiteral("Orvalis demo host"));
        m_log = new QPlainTextEdit(this);
        m_log->setReadOnly(true);
        m_log->setObjectName(QStringLiteral("hostLog"));
        setCentralWidget(m_log);
        QMenu* sessions = menuBar()->addMenu(tr("&Session"));
        sessions->addAction(tr("&Connect..."), this, &HostWindow::OpenConnectDialog);
        sessions->addAction(tr("&Quick Connect..."), QKeySequence(Qt::ALT | Qt::Key_Q), this,
                            &HostWindow::OpenQuickConnect);
        sessions->addAction(tr("Session &Manager"), this, &HostWindow::ToggleSessionManager);
        sessions->addAction(tr("&Import from another program\u2026"), this, [this] { OpenImportFrom({}, {}); });
        sessions->addAction(tr("New &Editor"), this, [this] {
            static int count = 0;
            m_active.OpenEditor(QStringLiteral("untitled-%1.txt").arg(++count));
        });
        sessions->addSeparator();
        sessions->addAction(tr("E&xit"), this, &QWidget::close);
        QMenu* view = menuBar()->addMenu(tr("&View"));
        view->addAction(tr("&Command Manager"), this, &HostWindow::ToggleCommandManager);
        view->addAction(tr("&Active Sessions"), this, &HostWindow::ToggleActiveSessions);
        statusBar()->showMessage(tr("Sessions open here are only logged: the demo makes no connections."));
        resize(1100, 700);
    }

    void Log(const QString& line)
    {
        m_log->appendPlainText(line);
        if (m_logFile)
            m_logFile << line.toStdString() << std::endl;
    }

    void DockSessionManager()
    {
        VArray<ISessionConfig*> sessions;
        std::vector<VUnknownPointer<ISessionConfig>> others;
        int mode = 0;
        const int result = m_library.showConnectDialog(u"Session Manager", kSessionManagerPaneId, false, false, true,
                                                       false, kTerminalApplication, this, sessions, others, mode);
        Log(QStringLiteral("Session Manager docked (result %1, side %2)")
                .arg(result)
                .arg(m_pane ? m_library.dockAlignment(m_pane->GetPaneWindow()) : -1));
    }

    void OpenConnectDialog()
    {
        VArray<ISessionConfig*> sessions;
        std::vector<VUnknownPointer<ISessionConfig>> others;
        int mode = 0;
        const int result = m_library.showConnectDialog(u"Connect", 0, false, false, false, false,
                                                       kTerminalApplication, this, sessions, others, mode);
        if (result != 1) {
            Log(QStringLiteral("Connect dialog closed (result %1)").arg(result));
            return;
        }
        Log(QStringLiteral("Connect dialog: %1 session(s) here, %2 for the other application, connect mode %3")
                .arg(sessions.GetSize())
                .arg(others.size())
                .arg(mode));
        for (ISessionConfig* config : sessions) {
            if (CompleteHostname(*config)) {
                LogSession(QStringLiteral("  open here"), *config);
                m_active.OpenSession(Q(config->GetSessionPath()));
            }
            config->Release(); // one reference each is ours
        }
        for (const auto& config : others)
            LogSession(QStringLiteral("  open in the file-transfer application"), *config);
    }

    // "Import from another program...", into the top folder; `program`
    // and `file` start it on a file (the preview runs at once).
    void OpenImportFrom(const QString& program, const QString& file)
    {
        const std::u16string programName = program.toStdU16String();
        const std::u16string path = file.toStdU16String();
        const int result = m_library.showImportFrom(VUnicodeString(), program.isEmpty() ? nullptr : programName.c_str(),
                                                    file.isEmpty() ? nullptr : path.c_str(), this);
        Log(result == 1 ? QStringLiteral("Sessions imported from another program")
                        : QStringLiteral("Import from another program closed"));
    }

    // Quick Connect, as the host's Quick Connect command and the Session
    // Manager's request open it; what comes back is only logged.
    void OpenQuickConnect()
    {
        ISessionConfig* config = nullptr;
        const int result = m_library.showQuickConnect(&config, VUnicodeString(), kTerminalApplication, this, true);
        if (result != 1 || !config) {
            Log(QStringLiteral("Quick Connect closed (result %1)").arg(result));
            return;
        }
        const QString saved = config->GetSessionPath() == VUnicodeString(u"Default")
                                  ? QStringLiteral("not saved")
                                  : QStringLiteral("saved as %1").arg(Q(config->GetSessionPath()));
        Log(QStringLiteral("Quick Connect: connect %1 with %2, %3")
                .arg(Q(config->GetConnectionTarget()), Q(config->GetProtocolName()), saved));
        config->Release(); // our reference
    }

    void ToggleSessionManager()
    {
        if (!m_pane) {
            DockSessionManager();
            return;
        }
        bool visible = m_pane->GetPaneWindow()->isVisible();
        m_library.showConnectView(!visible, m_pane->GetPaneWindow(), visible);
        Log(QStringLiteral("Session Manager %1").arg(visible ? "shown" : "hidden"));
    }

    // Selects `path` in the docked tree and presses Enter there, as a user
    // would; the request comes back through ConnectSessions.
    bool ConnectFromPane(const QString& path)
    {
        if (!m_pane)
            return false;
        auto* tree = m_pane->GetPaneWindow()->findChild<QTreeView*>(QStringLiteral("sessionTree"));
        if (!tree)
            return false;
        QModelIndex at = tree->model()->index(0, 0); // "Sessions"
        for (const QString& name : path.split(QLatin1Char('\\'))) {
            tree->expand(at);
            QModelIndex found;
            for (int row = 0; row < tree->model()->rowCount(at); ++row)
                if (tree->model()->index(row, 0, at).data().toString() == name)
                    found = tree->model()->index(row, 0, at);
            if (!found.isValid())
                return false;
            at = found;
        }
        tree->setCurrentIndex(at);
        tree->setFocus();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(tree, &press);
        return true;
    }

    // New Session in the docked tree, as Alt+N there runs it.
    bool NewSessionFromPane()
    {
        auto* tree = m_pane ? m_pane->GetPaneWindow()->findChild<QTreeView*>(QStringLiteral("sessionTree")) : nullptr;
        if (!tree)
            return false;
        tree->setFocus();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_N, Qt::AltModifier);
        QApplication::sendEvent(tree, &press);
        return true;
    }

    ISessionManager* Pane() const { return m_pane; }

    // Replaces the host's menu with the one a menu file describes; the
    // file's commands are logged.
    bool UseMenuFile(const QString& path)
    {
        VReportPtr report = NewReport(); // the host's own copy of the report code
        const bool used = m_library.applyMenuFile(this, path.toStdU16String().c_str(), this, report.Get());
        if (!used) {
            Log(QStringLiteral("Menu file %1 cannot be used: %2").arg(path, Q(report->GetText())));
            return false;
        }
        Log(QStringLiteral("Menu file %1 in use").arg(path));
        for (IReportMessageParams* warning = report->GetMessageId() ? report.Get() : nullptr; warning;
             warning = warning->GetNested())
            Log(QStringLiteral("  warning: %1").arg(Q(warning->GetText()).trimmed()));
        return true;
    }

    // IMenuCommandSink
    void RunMenuCommand(int function, const VUnicodeString& argument) override
    {
        Log(QStringLiteral("Menu command %1 (%2)").arg(function).arg(Q(argument)));
    }

    void ToggleCommandManager()
    {
        const bool made = m_commands == nullptr;
        bool visible = m_commands && m_commands->GetPaneWindow()->isVisible();
        m_library.showCommandManager(!visible, kCommandManagerPaneId, kTerminalApplication, this, visible);
        // The host's own layout: beside the Session Manager it takes half the height.
        if (made && m_commands)
            if (auto* dock = qobject_cast<QDockWidget*>(m_commands->GetPaneWindow()))
                resizeDocks({dock}, {height() / 2}, Qt::Vertical);
        Log(QStringLiteral("Command Manager %1 (side %2)")
                .arg(visible ? "shown" : "hidden")
                .arg(m_commands ? m_library.dockAlignment(m_commands->GetPaneWindow()) : -1));
    }

    // ICommandManagerSink
    void SendCommand(ICommandInfo* info, int target) override
    {
        static const char* const targets[] = {"the active session", "all sessions", "the selected tab groups",
                                              "the visible sessions"};
        const ProfileUserButtonMap::Item& item = info->GetItem();
        Log(QStringLiteral("Command Manager sends %1 \"%2\" (folder \"%3\") to %4")
                .arg(Q(VUnicodeString(GetFunctionName(item.Function))), Q(item.ArgumentLine),
                     QString::fromStdU16String(info->GetFolder()))
                .arg(QLatin1String(targets[target >= 0 && target < 4 ? target : 0])));
    }
    bool EditCommand(ICommandInfo* info, QWidget* parent) override
    {
        CommandDialog dialog(info->GetItem(), parent ? parent : this);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        info->SetItem(dialog.Item());
        Log(QStringLiteral("Command edited: %1").arg(Q(ProfileUserButtonMap::GetDisplayText(info->GetItem()))));
        return true;
    }
    void GetIdentity(IString& identity) override
    {
        const std::u16string text = u"orvalis-demo-host:" + QString::number(QCoreApplication::applicationPid()).toStdU16String();
        identity.Assign(text.data(), text.size());
    }
    // The demo opens no sessions: it counts those it was asked to open.
    bool CanSend(int) override { return m_active.ConnectedCount() > 0; }
    ICommandManager* GetCommandManager() const override { return m_commands; }
    void SetCommandManager(ICommandManager* pane) override { m_commands = pane; }

    void ToggleActiveSessions()
    {
        const bool made = m_active.Pane() == nullptr;
        bool visible = m_active.Pane() && m_active.Pane()->GetPaneWindow()->isVisible();
        m_library.showActiveSessions(!visible, kActiveSessionsPaneId, kTerminalApplication, this, visible);
        // The host's own layout, as for the Command Manager.
        if (made && m_active.Pane())
            if (auto* dock = qobject_cast<QDockWidget*>(m_active.Pane()->GetPaneWindow()))
                resizeDocks({dock}, {height() / 2}, Qt::Vertical);
        Log(QStringLiteral("Active Sessions %1").arg(visible ? "shown" : "hidden"));
    }
    ActiveSessionsHost& ActiveSessions() { return m_active; }

    // IActiveSessionManagerSink
    void ActivateSession(ActiveSessionId id) override { m_active.Activate(id); }
    void RunSessionAction(ActiveSessionId id, int action) override { m_active.RunAction(id, action); }
    bool IsSessionActionEnabled(ActiveSessionId id, int action) override
    {
        return m_active.IsActionEnabled(id, action);
    }
    IActiveSessionManager* GetActiveSessionManager() const override { return m_active.Pane(); }
    void SetActiveSessionManager(IActiveSessionManager* pane) override { m_active.SetPane(pane); }

    // IConnectDialogSink
    ISessionManager* GetSessionManager() const override { return m_pane; }
    void SetSessionManager(ISessionManager* pane) override { m_pane = pane; }
    bool OpensSessionsInTabs() const override { return true; }
    void ConnectSessions(const VStringArray& paths, const std::vector<VUnknownPointer<ISessionConfig>>& configs,
                         bool ownProduct, bool otherProduct, int opening) override
    {
        static const char* const openings[] = {"current window", "new tab", "new window", "new tab group"};
        Log(QStringLiteral("Session Manager asks to connect %1 session(s): here %2, file-transfer application %3, %4")
                .arg(paths.GetSize())
                .arg(ownProduct ? "yes" : "no")
                .arg(otherProduct ? "yes" : "no")
                .arg(QLatin1String(openings[opening >= 0 && opening < 4 ? opening : 0])));
        for (const auto& config : configs)
            if (CompleteHostname(*config)) {
                LogSession(QStringLiteral("  connect"), *config);
                m_active.OpenSession(Q(config->GetSessionPath()));
            }
    }
    void OnQuickConnect() override
    {
        Log(QStringLiteral("Session Manager asks for Quick Connect"));
        OpenQuickConnect();
    }
    void OnSessionManagerClosed() override { Log(QStringLiteral("Session Manager closed")); }
    void OnSessionDatabaseChanged(int changed, int) override
    {
        Log(QStringLiteral("Session database changed (%1)").arg(changed));
        if (m_pane)
            m_pane->RefreshTree();
    }
    // ISessionDatabaseChanged: the library saved a session (Quick Connect).
    void OnSessionDatabaseViewChanged() override {}

private:
    // A session saved with "Prompt For Hostname" asks for its host name
    // before it connects; its own connection record takes the answer.
    bool CompleteHostname(ISessionConfig& config)
    {
        const VUnknownPointer<IRemoteHostConfig> remote(config.GetRemoteHostConfig());
        if (!remote || !remote->GetPromptForHostname())
            return true;
        ConnectConfig record(nullptr, {});
        record.LinkRemoteHost(remote.Get());
        if (m_library.updateHostname(&record, config.GetSessionPath().c_str()))
            return true;
        Log(QStringLiteral("Hostname prompt cancelled: %1 is not connected").arg(Q(config.GetSessionPath())));
        return false;
    }

    void LogSession(const QString& what, const ISessionConfig& config)
    {
        Log(QStringLiteral("%1 %2 (%3, %4)")
                .arg(what, Q(config.GetSessionPath()), Q(config.GetProtocolName()), Q(config.GetHostname())));
    }

    Library& m_library;
    std::ofstream m_logFile;
    QPlainTextEdit* m_log;
    ISessionManager* m_pane = nullptr;
    ICommandManager* m_commands = nullptr;
    ActiveSessionsHost m_active;
};

std::string DefaultLibraryPath(const char* argv0)
{
    std::string self = argv0;
    const size_t slash = self.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : self.substr(0, slash);
    return folder + "/../lib/libconnectdialog.so";
}

// The whole screen where there is one; the windows drawn one beside the
// other where the platform cannot grab a screen.
bool SaveScreenshot(HostWindow& window, const QString& path)
{
    QPixmap shot;
    if (QScreen* screen = QGuiApplication::primaryScreen())
        shot = screen->grabWindow(0);
    if (shot.isNull() || QGuiApplication::platformName() == QLatin1String("offscreen")) {
        QList<QWidget*> shown{&window};
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top != &window && top->isVisible() && top->isWindow() && qobject_cast<QDialog*>(top))
                shown << top;
        int width = 0;
        int height = 0;
        for (QWidget* w : shown) {
            width += w->width() + 16;
            height = std::max(height, w->height());
        }
        shot = QPixmap(width, height);
        shot.fill(Qt::darkGray);
        QPainter painter(&shot);
        int x = 0;
        for (QWidget* w : shown) {
            painter.drawPixmap(x, 0, w->grab());
            x += w->width() + 16;
        }
    }
    return shot.save(path);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvalis-demo-host"));
    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("Shows the connect-dialog library at work."));
    options.addHelpOption();
    options.addOptions({
        {QStringLiteral("library"), QStringLiteral("The library to load."), QStringLiteral("path")},
        {QStringLiteral("database"), QStringLiteral("The session database file (made and seeded when missing)."),
         QStringLiteral("path")},
        {QStringLiteral("log"), QStringLiteral("Also write the log to this file."), QStringLiteral("path")},
        {QStringLiteral("no-startup-dialog"), QStringLiteral("Do not open the Connect dialog at start-up.")},
        {QStringLiteral("connect"), QStringLiteral("Connect this session from the Session Manager."),
         QStringLiteral("path")},
        {QStringLiteral("screenshot"), QStringLiteral("Save a picture of the windows here, then quit."),
         QStringLiteral("path")},
        {QStringLiteral("quit"), QStringLiteral("Quit once the start-up work is done.")},
        {QStringLiteral("menu-file"), QStringLiteral("Replace the host's menu and toolbar with those of this menu file."),
         QStringLiteral("path")},
        {QStringLiteral("show"),
         QStringLiteral("Show one window for a screenshot: hostname-prompt (a session saved with \"Prompt For "
                        "Hostname\" connects), command-manager (the Command Manager docked), active-sessions (the "
                        "Active Sessions pane with a few sessions connected), import-from (Import from another program "
                        "on a small FileZilla site list), quick-connect, wizard (New Session "
                        "in the Session Manager, with the New Session wizard switched on), or shortcut or duplicate "
                        "(the tree's commands in the Connect dialog)."),
         QStringLiteral("name")},
    });
    options.process(app);

    QString database = options.value(QStringLiteral("database"));
    if (database.isEmpty())
        database = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/sessions.db");
    // A postgresql:// URI names a shared database on a server instead.
    const bool onServer = IsPostgresUri(database.toStdString());
    if (!onServer)
        QDir().mkpath(QFileInfo(database).absolutePath());
    const bool firstRun = onServer || !QFileInfo::exists(database);
    if (firstRun && !SeedSampleDatabase(database.toStdString())) {
        std::fprintf(stderr, "orvalis-demo-host: cannot write %s\n", qPrintable(database));
        return 1;
    }
    // The library's embedded store opens the file this names.
    qputenv("ORV_CONFIG_DB", database.toLocal8Bit());

    Library library;
    const std::string libraryPath = options.isSet(QStringLiteral("library"))
                                        ? options.value(QStringLiteral("library")).toStdString()
                                        : DefaultLibraryPath(argv[0]);
    if (!library.Load(libraryPath))
        return 1;
    // The library keeps a reference on the lock until it is unloaded, which
    // may be as late as the end of the process: the lock lives as long.
    static HostLock* lock = new HostLock;
    static const QIcon icon = QApplication::style()->standardIcon(QStyle::SP_ComputerIcon);
    library.dllInit(&GetRouter, lock);
    library.initFactory(nullptr); // the embedded database
    library.initGui(&icon, kTerminalApplication, nullptr, nullptr, nullptr, nullptr);

    HostWindow window(library, options.value(QStringLiteral("log")));
    window.setWindowIcon(icon);
    window.Log(QStringLiteral("Loaded %1").arg(QString::fromStdString(libraryPath)));
    window.Log(QStringLiteral("Session database %1%2")
                   .arg(database, onServer   ? " (shared; sample sessions added while it had none)"
                                  : firstRun ? " (new, with sample sessions)"
                                             : ""));
    for (size_t i = 0; i < std::size(kRegisteredMessageNames); ++i) {
        static const char* const getters[] = {
            "GetTrayvellCanExitApplicationMessage", "GetTrayvellShowSelectionMessage",
            "GetGlimmondTerminateMessage",          "GetCreateNewTabMessage",
            "GetGlobalConfigChangeMessage",         "GetProcessCommandLineMessage",
            "GetRetrieveAppInformationMessage",     "GetKestruneAppWindowCommandLineMessage",
            "GetSessionDatabaseChangeMessage",
        };
        auto getter = reinterpret_cast<unsigned (*)()>(dlsym(library.handle, getters[i]));
        const std::u16string name = kRegisteredMessageNames[i];
        window.Log(QStringLiteral("Message 0x%1 %2")
                       .arg(getter ? getter() : 0, 4, 16, QLatin1Char('0'))
                       .arg(QString::fromStdU16String(name)));
    }
    window.show();
    window.DockSessionManager();
    if (options.isSet(QStringLiteral("menu-file")) &&
        !window.UseMenuFile(QFileInfo(options.value(QStringLiteral("menu-file"))).absoluteFilePath()))
        return 1;

    int status = 0;
    const QString show = options.value(QStringLiteral("show"));
    QString connectPath = options.value(QStringLiteral("connect"));
    if (show == QStringLiteral("hostname-prompt"))
        connectPath = QStringLiteral("Lab\\ask for host");
    else if (show == QStringLiteral("command-manager"))
        window.ToggleCommandManager();
    else if (show == QLatin1String("active-sessions")) {
        // Sessions connected from the Session Manager, one of them
        // disconnected and one locked by the host, and an editor.
        window.ToggleActiveSessions();
        for (const char* path : {"Production\\Web\\web01", "Production\\Databases\\db-primary", "jump host",
                                 "Lab\\build box", "Production\\Web\\web01"})
            window.ConnectFromPane(QString::fromLatin1(path));
        window.ActiveSessions().RunAction(2, IActiveSessionManagerSink::kDisconnect);
        window.ActiveSessions().RunAction(4, IActiveSessionManagerSink::kLockSession);
        window.ActiveSessions().OpenEditor(QStringLiteral("notes.txt"));
    } else if (show != QLatin1String("quick-connect") && show != QLatin1String("wizard") &&
               show != QLatin1String("import-from") && !show.isEmpty() &&
               !IsKnownShowName(show)) {
        std::fprintf(stderr, "orvalis-demo-host: no window \"%s\" to show\n", qPrintable(show));
        return 2;
    }
    const QString screenshot = options.value(QStringLiteral("screenshot"));
    const bool quit = options.isSet(QStringLiteral("quit"));
    QTimer::singleShot(0, &window, [&] {
        if (!screenshot.isEmpty()) {
            // The picture shows the Connect dialog over the frame.
            QTimer::singleShot(800, &window, [&] {
                for (QWidget* top : QApplication::topLevelWidgets())
                    if (auto* dialog = qobject_cast<QDialog*>(top); dialog && dialog->isVisible()) {
                        dialog->raise();
                        break;
                    }
                QTimer::singleShot(200, &window, [&] {
                    if (!SaveScreenshot(window, screenshot))
                        status = 1;
                    for (QWidget* top : QApplication::topLevelWidgets())
                        if (auto* dialog = qobject_cast<QDialog*>(top); dialog && dialog->isVisible())
                            dialog->reject();
                    QTimer::singleShot(0, &app, &QApplication::quit);
                });
            });
        }
        if (IsKnownShowName(show)) {
            // The Connect dialog, driven to the window asked for.
            ScheduleShow(show);
            window.OpenConnectDialog();
        }
        // After the screenshot's timers: a prompt it pictures runs modally here.
        if (!connectPath.isEmpty() && !window.ConnectFromPane(connectPath)) {
            window.Log(QStringLiteral("No session %1 in the Session Manager").arg(connectPath));
            status = 1;
        }
        GlobalConfig* config = nullptr;
        if (show == QLatin1String("quick-connect")) {
            window.OpenQuickConnect();
        } else if (show == QLatin1String("import-from")) {
            window.OpenImportFrom(QStringLiteral("filezilla"), WriteSampleSiteList());
        } else if (show == QLatin1String("wizard") && library.globalConfig(&config)) {
            config->useNewSessionWizard = true;
            config->Save();
            window.Log(QStringLiteral("New Session with the wizard"));
            window.NewSessionFromPane();
        }
        // The library's own options say which dialog opens at start-up; at
        // most one of the two is asked for.
        const bool startupDialog = !options.isSet(QStringLiteral("no-startup-dialog")) && show.isEmpty() &&
                                   library.globalConfig(&config);
        if (startupDialog && config->ShowQuickConnectOnStartup())
            window.OpenQuickConnect();
        else if (startupDialog && config->ShowConnectDialogOnStartup())
            window.OpenConnectDialog();
        else if (startupDialog)
            window.Log(QStringLiteral("No start-up dialog: \"Show dialog on startup\" is off"));
        if (quit && screenshot.isEmpty())
            QTimer::singleShot(0, &app, &QApplication::quit);
    });
    const int result = app.exec();
    library.cleanup();
    return status != 0 ? status : result;
}
