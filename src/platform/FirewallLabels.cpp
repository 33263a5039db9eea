#include "platform/FirewallLabels.h"

VUnicodeString GetSelectSessionLabel()
{
    return u"<Select Session...>";
}

VUnicodeString GetNewFirewallLabel()
{
    return u"<New Firewall...>";
}
