#include "ActiveSessionsHost.h"

#include <QInputDialog>
#include <QWidget>

namespace {

using A = IActiveSessionManagerSink;

const char* ActionName(int action)
{
    switch (action) {
    case IActiveSessionManagerSink::kRename: return "rename";
    case IActiveSessionManagerSink::kResetName: return "reset name";
    case IActiveSessionManagerSink::kReconnect: return "reconnect";
    case IActiveSessionManagerSink::kDisconnect: return "disconnect";
    case IActiveSessionManagerSink::kClose: return "close";
    case IActiveSessionManagerSink::kLockSession: return "lock session";
    case IActiveSessionManagerSink::kCloneSession: return "clone session";
    case IActiveSessionManagerSink::kSessionOptions: return "session options";
    case IActiveSessionManagerSink::kSaveSession: return "save session";
    case IActiveSessionManagerSink::kEditorSave: return "save";
    case IActiveSessionManagerSink::kEditorSaveAs: return "save as";
    case IActiveSessionManagerSink::kEditorLock: return "lock";
    default: return nullptr;
    }
}

} // namespace

ActiveSessionsHost::ActiveSessionsHost(std::function<void(const QString&)> log, QWidget* dialogParent)
    : m_log(std::move(log)), m_dialogParent(dialogParent)
{
}

void ActiveSessionsHost::SetPane(IActiveSessionManager* pane)
{
    m_pane = pane;
    if (!m_pane)
        return;
    m_pane->OnActiveSessionEvent(IActiveSessionManager::kReset, 0, nullptr, 0, 0);
    for (const auto& [id, open] : m_open)
        Notify(IActiveSessionManager::kAdded, id, ImageOf(open));
}

int ActiveSessionsHost::ImageOf(const Open& open) const
{
    if (open.group == kEditorGroup)
        return open.modified ? kEditorModified : kEditor;
    return open.locked ? kLocked : open.connected ? kConnected : kDisconnected;
}

void ActiveSessionsHost::Notify(int event, ActiveSessionId id, int image) const
{
    const auto it = m_open.find(id);
    if (!m_pane || it == m_open.end())
        return;
    const std::u16string name = it->second.name.toStdU16String();
    m_pane->OnActiveSessionEvent(event, it->second.group, name.c_str(), image, id);
}

QString ActiveSessionsHost::UniqueName(const QString& name) const
{
    QString unique = name;
    for (int n = 2;; ++n) {
        bool taken = false;
        for (const auto& [id, open] : m_open)
            taken = taken || open.name == unique;
        if (!taken)
            return unique;
        unique = QStringLiteral("%1 (%2)").arg(name).arg(n);
    }
}

ActiveSessionId ActiveSessionsHost::Add(Open open)
{
    open.name = UniqueName(open.givenName);
    open.givenName = open.name;
    const ActiveSessionId id = m_next++;
    m_open[id] = open;
    Notify(IActiveSessionManager::kAdded, id, ImageOf(open));
    return id;
}

ActiveSessionId ActiveSessionsHost::OpenSession(const QString& path)
{
    Open open;
    open.path = path;
    open.givenName = path.section(QLatin1Char('\\'), -1);
    return Add(open);
}

ActiveSessionId ActiveSessionsHost::OpenEditor(const QString& name)
{
    Open open;
    open.group = kEditorGroup;
    open.givenName = name;
    open.modified = true; // not saved yet
    return Add(open);
}

int ActiveSessionsHost::ConnectedCount() const
{
    int count = 0;
    for (const auto& [id, open] : m_open)
        count += open.group == kSessionGroup && open.connected ? 1 : 0;
    return count;
}

void ActiveSessionsHost::Activate(ActiveSessionId id)
{
    const auto it = m_open.find(id);
    m_log(it == m_open.end() ? QStringLiteral("Active Sessions: activate unknown %1").arg(id)
                             : QStringLiteral("Active Sessions: activate %1").arg(it->second.name));
}

bool ActiveSessionsHost::IsActionEnabled(ActiveSessionId id, int action) const
{
    const auto it = m_open.find(id);
    if (it == m_open.end())
        return false;
    const Open& open = it->second;
    if (open.group == kEditorGroup)
        return action == A::kRename || action == A::kClose || action == A::kEditorSave || action == A::kEditorSaveAs ||
               action == A::kEditorLock;
    switch (action) {
    case A::kResetName: return open.name != open.givenName;
    case A::kReconnect: return !open.connected;
    case A::kDisconnect: return open.connected;
    case A::kLockSession: return !open.locked;
    case A::kEditorSave:
    case A::kEditorSaveAs:
    case A::kEditorLock: return false;
    default: return ActionName(action) != nullptr;
    }
}

void ActiveSessionsHost::RunAction(ActiveSessionId id, int action)
{
    const auto it = m_open.find(id);
    if (it == m_open.end() || !ActionName(action)) {
        m_log(QStringLiteral("Active Sessions: action %1 on unknown %2 ignored").arg(action).arg(id));
        return;
    }
    Open& open = it->second;
    m_log(QStringLiteral("Active Sessions: %1 %2").arg(QLatin1String(ActionName(action)), open.name));
    switch (action) {
    case A::kRename: {
        bool ok = false;
        const QString name = QInputDialog::getText(m_dialogParent, QStringLiteral("Rename"), QStringLiteral("Name:"),
                                                   QLineEdit::Normal, open.name, &ok);
        if (ok && !name.trimmed().isEmpty()) {
            open.name = name.trimmed();
            Notify(IActiveSessionManager::kRenamed, id, ImageOf(open));
        }
        break;
    }
    case A::kResetName:
        open.name = open.givenName;
        Notify(IActiveSessionManager::kRenamed, id, ImageOf(open));
        break;
    case A::kReconnect:
    case A::kDisconnect:
        open.connected = action == A::kReconnect;
        open.locked = false;
        Notify(IActiveSessionManager::kStateChanged, id, ImageOf(open));
        break;
    case A::kLockSession:
        open.locked = true;
        Notify(IActiveSessionManager::kStateChanged, id, ImageOf(open));
        break;
    case A::kClose:
        Notify(IActiveSessionManager::kRemoved, id, 0);
        m_open.erase(it);
        break;
    case A::kCloneSession: OpenSession(open.path); break;
    case A::kEditorSave:
    case A::kEditorSaveAs:
        open.modified = false;
        Notify(IActiveSessionManager::kStateChanged, id, ImageOf(open));
        break;
    default: break; // the host's own dialogs: logged only
    }
}
