// The exported entry points of the docked panes other than the Session
// Manager.
#include "commands/qt/ActiveSessionManager.h"
#include "commands/qt/CommandManager.h"
#include "entry/ConnectDialog.h"
#include "entry/qt/DockedPane.h"
#include "platform/qt/QtPlatformServices.h"

void ShowCommandManager(bool show, unsigned int paneId, int applicationNumber, QWidget* frame, bool& visible)
{
    InstallQtPlatformServices();
    ShowDockedPane(show, paneId, frame, visible, &ICommandManagerSink::GetCommandManager,
                   &ICommandManagerSink::SetCommandManager, [&](ICommandManagerSink& sink) -> ICommandManager* {
                       return new CommandManager(&sink, applicationNumber, frame);
                   });
}

void ShowActiveSessionManager(bool show, unsigned int paneId, int applicationNumber, QWidget* frame, bool& visible)
{
    InstallQtPlatformServices();
    ShowDockedPane(show, paneId, frame, visible, &IActiveSessionManagerSink::GetActiveSessionManager,
                   &IActiveSessionManagerSink::SetActiveSessionManager,
                   [&](IActiveSessionManagerSink& sink) -> IActiveSessionManager* {
                       return new ActiveSessionManager(&sink, applicationNumber, frame);
                   });
}
