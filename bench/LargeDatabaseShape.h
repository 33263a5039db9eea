#pragma once
// The shape of the 100,000-session database the large benchmarks share:
// 100 top folders of 10 folders of 100 sessions, named F000\G0\s000000,
// each session's host webNNNNNN.example.org.
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "core/VUnicodeString.h"
#include "profile/sessions/ProfileFolderData.h"
#include "profile/sessions/SessionConfig.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

extern char** environ;

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

// Runs `program` with `args`, as a fresh process; its exit status.
inline int RunAgain(const std::string& program, const std::vector<std::string>& args)
{
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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

// The folders' order lists in the current store, as the tree writes them on
// its first look, and the template gone.
inline void WriteOrderLists()
{
    VProfileStore store;
    store.GetRootKey()->DeleteKey(u"Sessions\\Template");
    ProfileFolderData(&store, u"", ProfileFolderData::kSortManual);
    for (int top = 0; top < kTop; ++top) {
        ProfileFolderData(&store, Number(u"F", top, 3), ProfileFolderData::kSortManual);
        for (int sub = 0; sub < kSub; ++sub)
            ProfileFolderData(&store, FolderPath(top, sub), ProfileFolderData::kSortManual);
    }
}

} // namespace large_db
