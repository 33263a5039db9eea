// A policy file is text an administrator or a user wrote.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "profile/policy/RegFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<RegFile::Problem> problems;
    const RegFile file = RegFile::Parse(std::string_view(reinterpret_cast<const char*>(data), size), &problems);
    for (const RegFile::Problem& p : problems)
        if (p.line == 0 || p.what.empty())
            std::abort();
    (void)file.Key(u"HKEY_LOCAL_MACHINE\\Software\\Policies\\Orvalis");
    return 0;
}
