#pragma once

#include "core/Export.h"
#include "core/VStringArray.h"

class QIcon;
class QWidget;

// The session tree's images as the configuration dialogs draw sessions:
// the same 24 images, two sets of twelve, the tree uses.
class SessionIconList {
public:
    virtual ~SessionIconList() = default;
    virtual int GetImageCount() const = 0;
    // Null outside 0 to count - 1.
    virtual const QIcon* GetImage(int index) const = 0;
};

// The session browser the configuration dialogs open to pick sessions:
// title, the chosen paths (appended), application number, parent. 1 when
// paths were appended.
using SessionBrowseFunction = int (*)(const char16_t* title, VStringArray& paths, int applicationNumber,
                                      QWidget* parent);
// Builds the session-icon list the configuration dialogs draw sessions with;
// the caller owns (deletes) it.
using SessionIconListFactory = SessionIconList* (*)();

// What the configuration dialogs were handed at start-up.
struct HostFormsGui {
    int applicationNumber = 0;
    SessionBrowseFunction browse = nullptr;
    SessionIconListFactory iconListFactory = nullptr;
};

void ClientFormsInitGUI(int applicationNumber, SessionBrowseFunction browse,
                                   SessionIconListFactory iconListFactory);
const HostFormsGui& GetHostFormsGui();

// Where a configuration dialog lets the user pick sessions: the session
// browser handed over at start-up, for the application handed over then.
// 0, and nothing appended, when none was handed over.
int BrowseSessions(const char16_t* title, VStringArray& paths, QWidget* parent);
// The session-icon list from the handed factory; null when there is none.
SessionIconList* CreateSessionIconList();
