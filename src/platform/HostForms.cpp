#include "platform/HostForms.h"

#include "platform/Products.h"

namespace {
HostFormsGui g_gui;
}

void ClientFormsInitGUI(int applicationNumber, SessionBrowseFunction browse, SessionIconListFactory iconListFactory)
{
    g_gui = {applicationNumber, browse, iconListFactory};
    SetApplicationNumber(applicationNumber);
}

const HostFormsGui& GetHostFormsGui()
{
    return g_gui;
}

int BrowseSessions(const char16_t* title, VStringArray& paths, QWidget* parent)
{
    return g_gui.browse ? g_gui.browse(title, paths, g_gui.applicationNumber, parent) : 0;
}

SessionIconList* CreateSessionIconList()
{
    return g_gui.iconListFactory ? g_gui.iconListFactory() : nullptr;
}
