#pragma once
// The shape of the 100,000-session database the large benchmarks share:
// 100 top folders of 10 folders of 100 sessions, named F000\G0\s000000,
// each session's host webNNNNNN.example.org.
#include <string>

#include "core/VUnicodeString.h"
#include "profile/sessions/SessionConfig.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace large_db {

constexpr int kTop = 100;
constexpr int kSub = 10;
constexpr int kPerFolder = 100;
constexpr int kSessions = kTop * kSub * kPerFolder;

inline VUnicodeString Number(const char16_t* prefix, int n, int width)
{
    std::u16string digits = VUnicodeString::FromNumber(n).str();
    while (static_cast<int>(digits.size()) < width)
        digits.insert(digits.begin(), u'0');
    return VUnicodeString(prefix) + digits;
}

inline VUnicodeString FolderPath(int top, int sub)
{
    return Number(u"F", top, 3) + u"\\" + Number(u"G", sub, 1).str();
}

inline VUnicodeString SessionPath(int n)
{
    const int folder = n / kPerFolder;
    return FolderPath(folder / kSub, folder % kSub) + u"\\" + Number(u"s", n, 6).str();
}

inline VUnicodeString HostOf(int n)
{
    return Number(u"web", n, 6) + u".example.org";
}

// One full session saved through the library into the current store, as
// the Connect dialog saves it: the copies are made from it.
inline void SaveTemplateSession()
{
    VProfileStore store;
    const VProfileKey key(*store.GetRootKey(), u"Sessions\\Template", 1);
    const SessionConfigPtr config(new SessionConfig(&key, u"Template"));
    config->RemoteHost().SetHostname(u"web.example.org");
    config->RemoteHost().SetUsername(u"operator");
    config->SetDescription(u"Production web server\r\nRack 4");
    config->Common().SetBool(SessionConfig::kIsSession, true);
    config->Save(&key);
}

} // namespace large_db
