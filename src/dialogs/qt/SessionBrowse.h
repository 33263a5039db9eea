#pragma once

#include "core/VStringArray.h"
#include "core/VUnicodeString.h"

class QComboBox;
class QWidget;

// The session picker: one session, starting at `sessionPath`, which is
// replaced by the choice on 1. A `protocol` lets only its sessions count.
int BrowseOneSession(const char16_t* title, VUnicodeString& sessionPath, int applicationNumber, QWidget* parent,
                     bool treeOption, const VUnicodeString& protocol, unsigned short value);

// The firewall browse: what choosing `chosen` in a firewall combo box
// means. `result` becomes a firewall name or "Session:" and a path; the
// select-session entry opens the picker for sessions of `protocol`, the
// new-firewall entry the host's firewall dialog.
void BrowseFirewall(VUnicodeString& result, const VUnicodeString& chosen, int applicationNumber, QWidget* parent,
                    QComboBox* combo, const VStringArray& firewallNames, unsigned int& rememberedIndex,
                    const char16_t* protocol, unsigned short value);
