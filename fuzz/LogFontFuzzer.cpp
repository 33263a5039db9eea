// A stored font record of any length, under either name: a record that is
// not of its form's size leaves the default.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "profile/store/MemoryProfileBackend.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/values/VProfileBinary.h"
#include "profile/store/VProfileStore.h"

namespace {
MemoryProfileFactory g_factory;
VProfileStoreFactory* Factory()
{
    return &g_factory;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SetProfileStoreFactoryGetter(&Factory);
    VProfileStore store;
    const bool older = size > 0 && (data[0] & 1);
    VProfileKey fonts(*store.GetRootKey(), older ? u"Older" : u"Newer", 1);
    fonts.WriteBinary(older ? u"Font" : u"Font v2", data, static_cast<uint32_t>(size));
    VLogFont fallback;
    fallback.height = 12345;
    VProfileLogFont font(&fonts, u"Font v2", &fallback);
    const bool readable = older ? size == 64 : size == 96;
    if (!readable && !(font.Get() == fallback))
        std::abort();
    if (!older && readable && std::memcmp(static_cast<const void*>(&font.Get()), data, 96) != 0)
        std::abort();
    font.Save(&fonts);
    store.GetRootKey()->DeleteKey(older ? u"Older" : u"Newer");
    return 0;
}
