// Folder data through the configuration-database module, and store mode
// when the module or its entry is missing.
#include <gtest/gtest.h>

#include "StoreFixtures.h"
#include "platform/PlatformError.h"
#include "profile/store/ConfigDatabaseModule.h"
#include "profile/sessions/ProfileFolderData.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

const std::u16string kModuleDir = VUnicodeString::FromUtf8(ORV_TEST_MODULE_DIR).str();

std::vector<std::u16string> Plain(const VStringArray& names)
{
    std::vector<std::u16string> out;
    for (const VUnicodeString& name : names)
        out.push_back(name.str());
    return out;
}

class FolderDataBridge : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        ConfigDatabaseModule::Instance().SetFolder(kModuleDir + u"/bridge");
    }
    void TearDown() override
    {
        ConfigDatabaseModule::Instance().SetFolder({});
        StoreTest::TearDown();
    }
};

TEST_P(FolderDataBridge, ListsExpansionAndMovesGoThroughTheModule)
{
    ASSERT_TRUE(ConfigDatabaseModule::Instance().IsLoaded());
    VProfileStore store;
    const VProfileKey& root = *store.GetRootKey();
    VProfileKey(root, u"Sessions\\Bridged\\here", 1).WriteString(u"Hostname", u"h");
    VProfileKey kept(root, u"BridgeTest\\Bridged", 1);
    kept.WriteStringArray(u"Sessions", VStringArray{u"s10", u"gone", u"s2"});
    kept.WriteStringArray(u"Folders", VStringArray{u"F"});

    ProfileFolderData folder(&store, u"Bridged", ProfileFolderData::kSortNatural);
    EXPECT_TRUE(folder.HasBridge());
    VStringArray names;
    folder.GetSessionList(names); // the module's list, sorted, not reconciled
    EXPECT_EQ(Plain(names), (std::vector<std::u16string>{u"gone", u"s2", u"s10"}));
    folder.SetExpanded(true);
    EXPECT_TRUE(folder.IsExpanded());
    uint32_t expanded = 0;
    EXPECT_TRUE(kept.ReadDword(u"Expanded", expanded));
    folder.RemoveSession(u"gone"); // the module keeps its own lists
    folder.AddSession(u"here", u"s2", true); // not manual mode: no move
    EXPECT_FALSE(kept.ValueExists(u"Last Move"));
    EXPECT_FALSE(root.KeyExists(u"Sessions\\Bridged\\__FolderData__"));

    ProfileFolderData manual(&store, u"Bridged", ProfileFolderData::kSortManual);
    manual.AddSession(u"s2", u"s10", false);
    manual.GetSessionList(names);
    EXPECT_EQ(Plain(names), (std::vector<std::u16string>{u"s2", u"s10", u"gone"}));
    manual.MoveSession(u"s10", u"gone", true);
    manual.GetSessionList(names);
    EXPECT_EQ(Plain(names), (std::vector<std::u16string>{u"s2", u"gone", u"s10"}));
    manual.MoveFolder(u"F", u"", true); // no reference: nothing to ask
    VStringArray lastMove;
    kept.ReadStringArray(u"Last Move", lastMove);
    EXPECT_EQ(Plain(lastMove), (std::vector<std::u16string>{u"s10", u"gone", u"after"}));
    EXPECT_FALSE(manual.SaveOwn());
    EXPECT_FALSE(root.KeyExists(u"Sessions\\Bridged\\__FolderData__"));

    // Folders the module does not take stay in the store.
    VProfileKey(root, u"Sessions\\Plain\\one", 1).WriteString(u"Hostname", u"h");
    ProfileFolderData plain(&store, u"Plain", ProfileFolderData::kSortManual);
    EXPECT_FALSE(plain.HasBridge());
    EXPECT_TRUE(root.KeyExists(u"Sessions\\Plain\\__FolderData__"));
}

TEST_P(FolderDataBridge, MissingModuleOrEntryMeansStoreModeSilently)
{
    for (const std::u16string& folder : {kModuleDir + u"/no-entry", kModuleDir + u"/no-such-folder"}) {
        ConfigDatabaseModule::Instance().SetFolder(folder);
        SetPlatformLastError(0);
        VProfileStore store;
        VProfileKey(*store.GetRootKey(), u"Sessions\\Bridged\\one", 1).WriteString(u"Hostname", u"h");
        ProfileFolderData data(&store, u"Bridged", ProfileFolderData::kSortManual);
        EXPECT_FALSE(data.HasBridge());
        VStringArray names;
        data.GetSessionList(names);
        EXPECT_EQ(Plain(names), std::vector<std::u16string>{u"one"});
        EXPECT_FALSE(ConfigDatabaseModule::Instance().IsLoaded());
        EXPECT_EQ(GetPlatformLastError().code, 0u);
    }
    EXPECT_TRUE(box.shown.empty());
}

ORV_BOTH_BACKENDS(FolderDataBridge);

} // namespace
