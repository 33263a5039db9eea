// The exported entry points for a host's menu file and key codes.
#include <QMainWindow>

#include "commands/qt/KeyEventCode.h"
#include "commands/qt/VCustomMenuToolbar.h"
#include "entry/ConnectDialog.h"

bool ApplyMenuFile(QMainWindow* frame, const char16_t* path, IMenuCommandSink* sink, IReportMessageParams* report)
{
    if (!frame || !path)
        return false;
    auto* custom = frame->findChild<VCustomMenuToolbar*>(QStringLiteral("customMenuToolbar"),
                                                         Qt::FindDirectChildrenOnly);
    const bool made = !custom;
    if (made)
        custom = new VCustomMenuToolbar(*frame, sink);
    if (!custom->Load(VUnicodeString(path), report)) {
        if (made)
            delete custom;
        return false;
    }
    return true;
}

uint32_t GetKeymapKeyCode(const QKeyEvent* event)
{
    return event ? KeymapKeyCode(*event) : 0;
}
