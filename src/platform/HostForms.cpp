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
