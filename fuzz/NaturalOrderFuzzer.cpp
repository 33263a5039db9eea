// The natural name order on random triples of names (separated by line
// feeds in the input): it is antisymmetric, and sorting lists made of the
// three with the listing sort stays within bounds, loses nothing and gives
// the same order every time, even where the order is no strict weak
// ordering.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "profile/sessions/ProfileFolderData.h"

namespace {

std::vector<std::u16string> Sorted(const VStringArray& names)
{
    std::vector<std::u16string> out;
    for (const VUnicodeString& name : names)
        out.push_back(name.str());
    std::sort(out.begin(), out.end());
    return out;
}

int Sign(int v)
{
    return v < 0 ? -1 : v > 0 ? 1 : 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::array<std::u16string, 3> triple;
    size_t part = 0;
    for (size_t i = 0; i + 1 < size && part < triple.size(); i += 2) {
        const auto unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (unit == u'\n')
            ++part;
        else
            triple[part] += unit;
    }
    for (const auto& a : triple)
        for (const auto& b : triple)
            if (Sign(VUnicodeString::CompareLogical(a, b)) != -Sign(VUnicodeString::CompareLogical(b, a)))
                std::abort();

    // Lists long enough to need merging, in an order the input chooses.
    VStringArray names;
    const size_t count = 3 + (size % 61);
    for (size_t i = 0; i < count; ++i)
        names.Add(triple[(i * 7 + (size > 0 ? data[i % size] : 0)) % 3]);
    for (int mode : {ProfileFolderData::kSortNoCase, ProfileFolderData::kSortNatural}) {
        VStringArray once = names;
        VStringArray twice = names;
        ProfileFolderData::SortNames(once, mode);
        ProfileFolderData::SortNames(twice, mode);
        if (!(once == twice) || Sorted(once) != Sorted(names))
            std::abort();
    }
    return 0;
}
