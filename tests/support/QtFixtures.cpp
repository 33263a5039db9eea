#include "QtFixtures.h"

#include <cstdlib>

#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {
MemoryProfileFactory* g_factory = nullptr;
VProfileStoreFactory* CurrentFactory()
{
    return g_factory;
}
} // namespace

void WidgetTest::SetUp()
{
    factory = std::make_unique<MemoryProfileFactory>();
    g_factory = factory.get();
    SetProfileStoreFactoryGetter(&CurrentFactory);
    GetGlobalConfig(&config);
    saved = *config;
    *config = GlobalConfig();
    config->filterDelayMs = 20;
    ::setenv("ORV_INSTALLED_PRODUCTS", "kestrune,pellowin", 1);
    ResetProductQueries();
    Db().DropCachedListings();
}

void WidgetTest::TearDown()
{
    *config = saved;
    Db().DropCachedListings();
    SetProfileStoreFactoryGetter(nullptr);
    g_factory = nullptr;
    ::unsetenv("ORV_INSTALLED_PRODUCTS");
    ResetProductQueries();
}

void WidgetTest::Folder(const std::u16string& path)
{
    VUnicodeString parent;
    VUnicodeString leaf;
    SessionDatabase::SplitSessionPath(VUnicodeString(path), parent, leaf);
    ASSERT_TRUE(Db().CreateFolder(parent, leaf, {}, false, nullptr));
}

void WidgetTest::Session(const std::u16string& path, const std::u16string& protocol, const std::u16string& transfer,
                         const std::u16string& host, const std::u16string& description)
{
    {
        VProfileStore store;
        VProfileKey key(*store.GetRootKey(), SessionDatabase::KeyPathFromSessionPath(VUnicodeString(path)), 1);
        ASSERT_TRUE(key.IsOpen());
        key.WriteString(u"Protocol Name", protocol);
        key.WriteString(u"Transfer Protocol Name", transfer);
        key.WriteString(u"Hostname", host);
        key.WriteStringArray(u"Description", VStringArray{VUnicodeString(description)});
    }
    Db().DropCachedListings();
}
