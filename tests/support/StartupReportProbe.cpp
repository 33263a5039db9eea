// Loads the library like a host that has (or, with --no-gui, has not) made
// its QApplication, and runs only the first two start-up calls. A report
// they raise with no router shows itself: each message box that comes up
// is printed ("box: TITLE | TEXT") and closed; what reaches standard error
// stays there.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

using DllInit = void (*)(void* routerGetter, void* synchObject);
using InitFactory = void (*)(void* factoryGetter);

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: startup-report-probe --gui|--no-gui LIBRARY\n");
        return 2;
    }
    const bool gui = std::strcmp(argv[1], "--gui") == 0;
    int qtArgc = 1;
    std::unique_ptr<QApplication> app;
    if (gui)
        app = std::make_unique<QApplication>(qtArgc, argv);
    QTimer closer;
    if (gui) {
        QObject::connect(&closer, &QTimer::timeout, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                std::printf("box: %s | %s\n", qPrintable(box->windowTitle()), qPrintable(box->text()));
                std::fflush(stdout);
                box->accept();
            }
        });
        closer.start(20);
    }
    void* library = dlopen(argv[2], RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        std::fprintf(stderr, "%s\n", dlerror());
        return 1;
    }
    auto dllInit = reinterpret_cast<DllInit>(dlsym(library, "ConnectDialogDllInit"));
    auto initFactory = reinterpret_cast<InitFactory>(dlsym(library, "ConnectDialogDllInitProfileFactory"));
    if (!dllInit || !initFactory)
        return 1;
    dllInit(nullptr, nullptr);
    initFactory(nullptr); // the embedded database: opening it may report
    std::printf("started\n");
    return 0;
}
