#pragma once

#include "core/Export.h"
#include "core/VUnicodeString.h"

// Application numbers as the hosts use them: 3 is the terminal product,
// 9 the file-transfer product; 1 and 7 are other terminal-family hosts,
// 6 and 8 other hosts.
inline constexpr int kApplicationTerminal = 3;
inline constexpr int kApplicationTransfer = 9;

inline constexpr char16_t kTerminalProductName[] = u"Kestrune";
inline constexpr char16_t kTransferProductName[] = u"Pellowin";
inline constexpr char16_t kCompanyName[] = u"Orvalis";

// Kept from library initialisation; the terminal product until then.
void SetApplicationNumber(int applicationNumber);
int GetApplicationNumber();

bool IsTerminalFamilyApplication(int applicationNumber);
// The product name for an application number.
VUnicodeString GetAppNameFor(int applicationNumber);
// The name of the running host application.
VUnicodeString VGetAppName();
// The application number of the file-transfer product of the suite.
int GetTransferAppProductID(int applicationNumber);

// Which of the suite's products are installed. A product counts as
// installed when it is the running host, or when its program ("kestrune",
// "pellowin") is found in the installation folder or on PATH. The variable
// ORV_INSTALLED_PRODUCTS ("kestrune,pellowin", or "none") overrides the search.
bool IsKestruneInstalled();
bool IsKestruneOrTamsicInstalled();
bool IsPellowinInstalled();
// Whether the terminal product offers the "Harlin" emulation. It does in
// every build this library serves; ORV_HARLIN_EMULATION=0 turns it off.
bool HasHarlinEmulation();
// Forget cached answers (the environment changed).
void ResetProductQueries();
