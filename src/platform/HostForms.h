#pragma once

#include "core/Export.h"
#include "core/VStringArray.h"

class QWidget;
class SessionIconList;

// The session browser the configuration dialogs open to pick sessions:
// title, the chosen paths (appended), application number, parent. 1 when
// paths were appended.
using SessionBrowseFunction = int (*)(const char16_t* title, VStringArray& paths, int applicationNumber,
                                      QWidget* parent);
// Builds the session-icon list the configuration dialogs draw sessions with.
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
