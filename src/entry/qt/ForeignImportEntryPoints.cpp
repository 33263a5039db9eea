#include "dialogs/qt/ForeignImportDialog.h"
#include "entry/ConnectDialog.h"
#include "platform/qt/QtPlatformServices.h"

int ShowImportFromDialog(const VUnicodeString& targetFolder, const char16_t* program, const char16_t* file,
                         QWidget* parent)
{
    InstallQtPlatformServices();
    return RunForeignImportDialog(targetFolder, program ? QString::fromUtf16(program) : QString(),
                                  file ? QString::fromUtf16(file) : QString(), parent);
}
