// The filter's matcher against the slow, obvious reading of its rule: the
// same answer for every pattern and name.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ReferenceFilterMatch.h"
#include "sessiontree/FilterPattern.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first byte splits the input into a pattern and a name; each pair
    // of bytes after it is one UTF-16 code unit, so that surrogates and
    // non-ASCII case folding are reached too.
    if (size < 1)
        return 0;
    std::u16string units;
    for (size_t i = 1; i + 1 < size; i += 2)
        units.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    const size_t split = std::min<size_t>(data[0] % 16, units.size());
    const std::u16string pattern = units.substr(0, split);
    const std::u16string text = units.substr(split, 40); // keeps the reference fast
    if (FilterPattern(pattern).Matches(text) != reference::FilterMatch(pattern, text))
        std::abort();
    return 0;
}
