#pragma once

#include <functional>
#include <map>

#include <QString>

#include "commands/IActiveSessionManager.h"

class QWidget;

// The demo host's open sessions and editors as the Active Sessions pane
// lists them. Nothing is really connected: a session is a name, a state and
// a status image, and every action the pane asks for is logged and changes
// only that.
class ActiveSessionsHost {
public:
    // The host's groups and status images (the library draws the images).
    static constexpr int kSessionGroup = 0;
    static constexpr int kEditorGroup = 1;
    enum Image : int { kConnected = 0, kDisconnected = 1, kLocked = 4, kEditor = 6, kEditorModified = 7 };

    ActiveSessionsHost(std::function<void(const QString&)> log, QWidget* dialogParent);

    // The pane came (or was made afresh): it hears of everything open.
    void SetPane(IActiveSessionManager* pane);
    IActiveSessionManager* Pane() const { return m_pane; }

    // A session opened here; `path` is its place in the session database.
    ActiveSessionId OpenSession(const QString& path);
    ActiveSessionId OpenEditor(const QString& name);
    // Connected sessions (commands can be sent to them).
    int ConnectedCount() const;

    // IActiveSessionManagerSink, for the frame to pass on.
    void Activate(ActiveSessionId id);
    void RunAction(ActiveSessionId id, int action);
    bool IsActionEnabled(ActiveSessionId id, int action) const;

private:
    struct Open {
        int group = kSessionGroup;
        QString path;
        QString givenName; // the name it opened with
        QString name;      // as the user renamed it
        bool connected = true;
        bool locked = false;
        bool modified = false;
    };
    ActiveSessionId Add(Open open);
    void Notify(int event, ActiveSessionId id, int image) const;
    int ImageOf(const Open& open) const;
    QString UniqueName(const QString& name) const;

    std::function<void(const QString&)> m_log;
    QWidget* m_dialogParent;
    IActiveSessionManager* m_pane = nullptr;
    std::map<ActiveSessionId, Open> m_open;
    ActiveSessionId m_next = 1;
};
