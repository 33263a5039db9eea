// Loads the library like a host, docks the Session Manager in a frame and
// prints where it sits. "place" moves it to the right at 333 pixels, lets
// the placement be captured, unloads the library, loads it again and docks
// the pane in a new frame; "show" only docks it, as the next run of a host.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <QApplication>
#include <QDockWidget>
#include <QMainWindow>
#include <QTextEdit>
#include <QtTest/QTest>

#include "dialogs/IConnectDialogSink.h"
#include "dialogs/ISessionManager.h"
#include "entry/ConnectDialog.h"

namespace {

constexpr unsigned kPaneId = 0xE900;

class HostLock final : public ISynchObject {
public:
    uint32_t AddRef() override { return ++count; }
    uint32_t Release() override { return --count; }
    void Lock() override {}
    void Unlock() override {}
    uint32_t count = 1;
};

class Frame final : public QMainWindow, public IConnectDialogSink {
public:
    Frame()
    {
        setCentralWidget(new QTextEdit(this));
        setAnimated(false);
        resize(1000, 700);
    }
    ISessionManager* GetSessionManager() const override { return pane; }
    void SetSessionManager(ISessionManager* p) override { pane = p; }
    bool OpensSessionsInTabs() const override { return true; }
    void ConnectSessions(const VStringArray&, const std::vector<VUnknownPointer<ISessionConfig>>&, bool, bool,
                         int) override
    {
    }
    ISessionManager* pane = nullptr;
};

struct Library {
    void* handle = nullptr;
    template <class F>
    F Get(const char* name)
    {
        return reinterpret_cast<F>(dlsym(handle, name));
    }
    bool Load(const char* path, HostLock& lock)
    {
        handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            std::fprintf(stderr, "%s\n", dlerror());
            return false;
        }
        Get<decltype(&ConnectDialogDllInit)>("ConnectDialogDllInit")(nullptr, &lock);
        Get<decltype(&ConnectDialogDllInitProfileFactory)>("ConnectDialogDllInitProfileFactory")(nullptr);
        Get<decltype(&ConnectDialogInitGUI)>("ConnectDialogInitGUI")(nullptr, 3, nullptr, nullptr, nullptr, nullptr);
        return true;
    }
    // The pane docked and shown in a shown frame; prints its place.
    QWidget* Dock(Frame& frame, const char* label)
    {
        VArray<ISessionConfig*> sessions;
        std::vector<VUnknownPointer<ISessionConfig>> others;
        int mode = 0;
        Get<decltype(&ShowConnectDialog)>("ShowConnectDialog")(u"Session Manager", kPaneId, false, false, true, false,
                                                              3, &frame, sessions, others, mode);
        frame.show();
        (void)QTest::qWaitForWindowExposed(&frame);
        QTest::qWait(150);
        QWidget* pane = frame.pane ? frame.pane->GetPaneWindow() : nullptr;
        if (!pane)
            return nullptr;
        std::printf("%s side %d width %d name %s\n", label,
                    Get<decltype(&GetDockAlignment)>("GetDockAlignment")(pane), pane->width(),
                    qPrintable(pane->objectName()));
        return pane;
    }
    void Unload()
    {
        Get<decltype(&CleanupQuickConnectDialog)>("CleanupQuickConnectDialog")();
        dlclose(handle);
        std::printf("unloaded %s\n", dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD) ? "no" : "yes");
        handle = nullptr;
    }
    std::string path;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || (std::strcmp(argv[2], "place") != 0 && std::strcmp(argv[2], "show") != 0)) {
        std::fprintf(stderr, "usage: pane-probe LIBRARY place|show\n");
        return 2;
    }
    QApplication app(argc, argv);
    static HostLock lock; // outlives the library's reference
    Library library;
    library.path = argv[1];
    if (!library.Load(argv[1], lock))
        return 1;
    if (std::strcmp(argv[2], "show") == 0) {
        Frame frame;
        return library.Dock(frame, "shown") ? 0 : 1;
    }
    {
        Frame frame;
        QWidget* pane = library.Dock(frame, "first");
        auto* dock = qobject_cast<QDockWidget*>(pane);
        if (!dock)
            return 1;
        frame.addDockWidget(Qt::RightDockWidgetArea, dock);
        frame.resizeDocks({dock}, {333}, Qt::Horizontal);
        QTest::qWait(200); // the capture runs
        std::printf("moved side %d width %d\n", library.Get<decltype(&GetDockAlignment)>("GetDockAlignment")(pane),
                    pane->width());
    } // the frame takes its pane with it
    library.Unload();
    if (!library.Load(argv[1], lock))
        return 1;
    {
        Frame frame;
        if (!library.Dock(frame, "reloaded"))
            return 1;
    }
    library.Unload();
    return 0;
}
