#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "StoreFixtures.h"
#include "profile/sessions/ProfileFolderData.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

using FolderData = StoreTest;

VStringArray Names(std::initializer_list<const char16_t*> names)
{
    VStringArray out;
    for (const char16_t* name : names)
        out.Add(name);
    return out;
}

std::vector<std::u16string> Plain(const VStringArray& names)
{
    std::vector<std::u16string> out;
    for (const VUnicodeString& name : names)
        out.push_back(name.str());
    return out;
}

// A session is a key with values; a folder a key without.
void MakeSession(const VProfileKey& root, const VUnicodeString& path)
{
    VProfileKey(root, VUnicodeString(u"Sessions\\") + path.str(), 1).WriteString(u"Hostname", u"h");
}

void MakeFolder(const VProfileKey& root, const VUnicodeString& path)
{
    VProfileKey(root, VUnicodeString(u"Sessions\\") + path.str(), 1);
}

std::vector<std::u16string> Stored(const VProfileKey& root, const char16_t* folderDataPath, const char16_t* value)
{
    VStringArray names;
    VProfileKey(root, folderDataPath, 0).ReadStringArray(value, names);
    return Plain(names);
}

TEST_P(FolderData, OlderColonListsAreConvertedAndWrittenAtOnce)
{
    VProfileStore store;
    const VProfileKey& root = *store.GetRootKey();
    MakeFolder(root, u"A");
    MakeFolder(root, u"B");
    MakeSession(root, u"web");
    VProfileKey data(root, u"Sessions\\__FolderData__", 1);
    data.WriteString(u"Folder List", u"B:A:");
    data.WriteString(u"Session List", u"web"); // no trailing colon

    ProfileFolderData folder(&store, u"", ProfileFolderData::kSortManual);
    VStringArray folders;
    folder.GetFolderList(folders);
    EXPECT_EQ(Plain(folders), (std::vector<std::u16string>{u"B", u"A"}));
    EXPECT_TRUE(folder.WasRepaired());
    EXPECT_EQ(recorder->Writes(u"Folder List V2"), 1);
    EXPECT_EQ(Stored(root, u"Sessions\\__FolderData__", u"Folder List V2"), (std::vector<std::u16string>{u"B", u"A"}));
    EXPECT_EQ(Stored(root, u"Sessions\\__FolderData__", u"Session List V2"), std::vector<std::u16string>{u"web"});
    EXPECT_TRUE(data.ValueExists(u"Folder List")); // the older value is left alone

    // Loaded again: the V2 lists stand, nothing is written.
    const int before = recorder->TotalWrites();
    ProfileFolderData again(&store, u"", ProfileFolderData::kSortManual);
    EXPECT_FALSE(again.WasRepaired());
    EXPECT_EQ(recorder->TotalWrites(), before);
}

TEST(FolderDataOlderList, SplitsAtColonsAfterDroppingOneTrailingColon)
{
    EXPECT_EQ(Plain(ProfileFolderData::SplitOlderList(u"B:A:")), (std::vector<std::u16string>{u"B", u"A"}));
    EXPECT_EQ(Plain(ProfileFolderData::SplitOlderList(u"B:A::")), (std::vector<std::u16string>{u"B", u"A", u""}));
    EXPECT_TRUE(ProfileFolderData::SplitOlderList(u":").IsEmpty());
    EXPECT_TRUE(ProfileFolderData::SplitOlderList(u"").IsEmpty());
    EXPECT_EQ(Plain(ProfileFolderData::SplitOlderList(u"one")), std::vector<std::u16string>{u"one"});
}

TEST_P(FolderData, ReconcilesWithTheChildKeysExactlyAsStored)
{
    VProfileStore store;
    const VProfileKey& root = *store.GetRootKey();
    for (const char16_t* name : {u"s2", u"b", u"A", u".hidden", u"x__FolderData__y"})
        MakeSession(root, VUnicodeString(u"Lab\\") + name);
    MakeFolder(root, u"Lab\\Sub");
    MakeFolder(root, u"Lab\\.cache");
    VProfileKey data(root, u"Sessions\\Lab\\__FolderData__", 1);
    data.WriteStringArray(u"Session List V2", Names({u"gone", u"s2", u"Sub", u"s2"}));
    data.WriteStringArray(u"Folder List V2", Names({}));

    ProfileFolderData folder(&store, u"Lab", ProfileFolderData::kSortManual);
    VStringArray sessions;
    VStringArray folders;
    folder.GetSessionList(sessions);
    folder.GetFolderList(folders);
    // Stale and doubled names go, the stored one keeps its place, new ones
    // follow in code-unit order (capitals first), hidden names never show.
    EXPECT_EQ(Plain(sessions), (std::vector<std::u16string>{u"s2", u"A", u"b"}));
    EXPECT_EQ(Plain(folders), std::vector<std::u16string>{u"Sub"});
    EXPECT_EQ(Stored(root, u"Sessions\\Lab\\__FolderData__", u"Session List V2"),
              (std::vector<std::u16string>{u"s2", u"A", u"b"}));

    // A stored name in another case than its key is no match: it is
    // dropped and the key's own spelling appended.
    data.WriteStringArray(u"Session List V2", Names({u"S2", u"A", u"b"}));
    ProfileFolderData cased(&store, u"Lab", ProfileFolderData::kSortManual);
    cased.GetSessionList(sessions);
    EXPECT_EQ(Plain(sessions), (std::vector<std::u16string>{u"A", u"b", u"s2"}));

    // A back end that cannot tell the kinds: each child is opened instead.
    recorder->hideChildKinds = true;
    ProfileFolderData opened(&store, u"Lab", ProfileFolderData::kSortManual);
    opened.GetSessionList(sessions);
    opened.GetFolderList(folders);
    EXPECT_EQ(Plain(sessions), (std::vector<std::u16string>{u"A", u"b", u"s2"}));
    EXPECT_EQ(Plain(folders), std::vector<std::u16string>{u"Sub"});
}

// Where the back end marks a folder's children, lists found to match them
// are trusted until the children or the lists change, by whoever.
TEST_P(FolderData, ListsMatchingTheMarkedChildrenAreNotLookedOverAgain)
{
    if (!IsSqlite())
        GTEST_SKIP() << "only the embedded store marks children";
    VProfileStore store;
    const VProfileKey& root = *store.GetRootKey();
    MakeSession(root, u"Lab\\web");
    MakeFolder(root, u"Lab\\Sub");
    const auto load = [&](std::vector<std::u16string>* sessions = nullptr) {
        const int walks = recorder->childWalks;
        ProfileFolderData folder(&store, u"Lab", ProfileFolderData::kSortManual);
        VStringArray names;
        folder.GetSessionList(names);
        if (sessions)
            *sessions = Plain(names);
        return recorder->childWalks - walks; // 0: trusted as stored
    };
    EXPECT_EQ(load(), 1);
    std::vector<std::u16string> sessions;
    EXPECT_EQ(load(&sessions), 0);
    EXPECT_EQ(sessions, std::vector<std::u16string>{u"web"});

    // A session made behind the lists' back, a folder that starts holding
    // values, a key renamed or deleted: each is seen at the next load.
    MakeSession(root, u"Lab\\db");
    EXPECT_EQ(load(&sessions), 1);
    EXPECT_EQ(sessions, (std::vector<std::u16string>{u"web", u"db"}));
    EXPECT_EQ(load(), 0);
    VProfileKey(root, u"Sessions\\Lab\\Sub", 0).WriteString(u"Hostname", u"h");
    EXPECT_EQ(load(&sessions), 1);
    EXPECT_EQ(sessions, (std::vector<std::u16string>{u"web", u"db", u"Sub"}));
    VProfileKey(root, u"Sessions\\Lab\\Sub", 0).WriteString(u"Hostname", u"other"); // values only
    EXPECT_EQ(load(), 0);
    ASSERT_TRUE(root.RenameKey(u"Sessions\\Lab\\db", u"Sessions\\Lab\\DB"));
    EXPECT_EQ(load(&sessions), 1);
    EXPECT_EQ(sessions, (std::vector<std::u16string>{u"web", u"Sub", u"DB"}));
    ASSERT_TRUE(root.DeleteKey(u"Sessions\\Lab\\web"));
    EXPECT_EQ(load(&sessions), 1);
    EXPECT_EQ(sessions, (std::vector<std::u16string>{u"Sub", u"DB"}));

    // Lists written by something else than the folder data.
    VProfileKey(root, u"Sessions\\Lab\\__FolderData__", 0).WriteStringArray(u"Session List V2", Names({u"gone"}));
    EXPECT_EQ(load(&sessions), 1);
    EXPECT_EQ(sessions, (std::vector<std::u16string>{u"DB", u"Sub"}));

    // A change through the folder data keeps the mark when the lists still
    // match; a name that leaves the order comes back at the next load.
    {
        ProfileFolderData folder(&store, u"Lab", ProfileFolderData::kSortManual);
        ASSERT_TRUE(folder.MoveSession(u"Sub", u"DB", false));
        EXPECT_EQ(load(&sessions), 0);
        EXPECT_EQ(sessions, (std::vector<std::u16string>{u"Sub", u"DB"}));
        ASSERT_TRUE(folder.MoveSession(u"Sub", u"nowhere", false));
    }
    EXPECT_EQ(load(&sessions), 1);
    EXPECT_EQ(sessions, (std::vector<std::u16string>{u"DB", u"Sub"}));
    EXPECT_EQ(load(), 0);
}

TEST_P(FolderData, MissingFolderListsNothingAndWritesNothing)
{
    VProfileStore store;
    ProfileFolderData folder(&store, u"No\\Such", ProfileFolderData::kSortNoCase);
    VStringArray names;
    folder.GetSessionList(names);
    EXPECT_TRUE(names.IsEmpty());
    folder.SetExpanded(true);
    EXPECT_FALSE(store.GetRootKey()->KeyExists(u"Sessions\\No"));
    EXPECT_EQ(recorder->TotalWrites(), 0);
}

TEST_P(FolderData, SortModesOrderTheStoredList)
{
    VProfileStore store;
    const VProfileKey& root = *store.GetRootKey();
    for (const char16_t* name : {u"s10", u"S2", u"s1", u"a"})
        MakeSession(root, name);
    MakeFolder(root, u"beta");
    MakeFolder(root, u"Alpha");
    VProfileKey(root, u"Sessions\\__FolderData__", 1)
        .WriteStringArray(u"Session List V2", Names({u"s10", u"S2", u"s1", u"a"}));

    VStringArray names;
    ProfileFolderData(&store, u"", ProfileFolderData::kSortNoCase).GetSessionList(names);
    EXPECT_EQ(Plain(names), (std::vector<std::u16string>{u"a", u"s1", u"s10", u"S2"}));
    ProfileFolderData(&store, u"", ProfileFolderData::kSortNatural).GetSessionList(names);
    EXPECT_EQ(Plain(names), (std::vector<std::u16string>{u"a", u"s1", u"S2", u"s10"}));
    ProfileFolderData(&store, u"", ProfileFolderData::kSortManual).GetSessionList(names);
    EXPECT_EQ(Plain(names), (std::vector<std::u16string>{u"s10", u"S2", u"s1", u"a"}));
    ProfileFolderData(&store, u"", ProfileFolderData::kSortNoCase).GetFolderList(names);
    EXPECT_EQ(Plain(names), (std::vector<std::u16string>{u"Alpha", u"beta"}));
}

TEST(FolderDataSort, NaturalOrderThatCyclesStillSortsSafelyAndRepeatably)
{
    // s1 < "s 2" (numbers), "s 2" < s- (blank before minus), s- < s1
    // (minus before digit): no strict weak ordering.
    ASSERT_LT(VUnicodeString::CompareLogical(u"s1", u"s 2"), 0);
    ASSERT_LT(VUnicodeString::CompareLogical(u"s 2", u"s-"), 0);
    ASSERT_LT(VUnicodeString::CompareLogical(u"s-", u"s1"), 0);

    std::mt19937 random(7);
    std::vector<std::u16string> pool;
    for (int i = 0; i < 300; ++i)
        pool.push_back(std::vector<std::u16string>{u"s1", u"s 2", u"s-", u"s +3", u"S1", u"s01"}[random() % 6] +
                       std::u16string(random() % 3, u' '));
    VStringArray names;
    for (const std::u16string& name : pool)
        names.Add(name);
    VStringArray once = names;
    VStringArray twice = names;
    ProfileFolderData::SortNames(once, ProfileFolderData::kSortNatural);
    ProfileFolderData::SortNames(twice, ProfileFolderData::kSortNatural);
    EXPECT_EQ(Plain(once), Plain(twice));
    std::vector<std::u16string> sortedIn = Plain(names);
    std::vector<std::u16string> sortedOut = Plain(once);
    std::sort(sortedIn.begin(), sortedIn.end());
    std::sort(sortedOut.begin(), sortedOut.end());
    EXPECT_EQ(sortedIn, sortedOut); // nothing lost or doubled
}

TEST_P(FolderData, AddAndMoveFollowTheReferenceInManualMode)
{
    VProfileStore store;
    const VProfileKey& root = *store.GetRootKey();
    for (const char16_t* name : {u"a", u"b", u"c"})
        MakeSession(root, name);
    VStringArray names;
    {
        ProfileFolderData folder(&store, u"", ProfileFolderData::kSortManual);
        MakeSession(root, u"n");
        folder.AddSession(u"n", u"b", false);
        folder.GetSessionList(names);
        EXPECT_EQ(Plain(names), (std::vector<std::u16string>{u"a", u"n", u"b", u"c"}));
        folder.AddSession(u"n", u"c", true); // already listed: taken out first
        folder.GetSessionList(names);
        EXPECT_EQ(Plain(names), (std::vector<std::u16string>{u"a", u"b", u"c", u"n"}));
        folder.AddSession(u"N", u"n", true); // the reference is the name itself
        folder.GetSessionList(names);
        EXPECT_EQ(Plain(names), (std::vector<std::u16string>{u"a", u"N", u"b", u"c"}));
        folder.AddSession(u"n", u"nowhere", false);
        folder.GetSessionList(names);
        EXPECT_EQ(Plain(names), (std::vector<std::u16string>{u"a", u"b", u"c", u"n"}));
        folder.MoveSession(u"n", u"a", false);
        folder.GetSessionList(names);
        EXPECT_EQ(Plain(names), (std::vector<std::u16string>{u"n", u"a", u"b", u"c"}));
        folder.MoveSession(u"a", u"nowhere", true);
        folder.GetSessionList(names);
        EXPECT_EQ(Plain(names), (std::vector<std::u16string>{u"n", u"b", u"c"}));
    }
    // Each change was saved at once; the dropped name comes back last.
    ProfileFolderData reloaded(&store, u"", ProfileFolderData::kSortManual);
    reloaded.GetSessionList(names);
    EXPECT_EQ(Plain(names), (std::vector<std::u16string>{u"n", u"b", u"c", u"a"}));

    // Sorted modes ignore the reference and append.
    ProfileFolderData sorted(&store, u"", ProfileFolderData::kSortNoCase);
    MakeFolder(root, u"F");
    MakeFolder(root, u"G");
    sorted.AddFolder(u"G");
    sorted.AddFolder(u"F", u"G", false);
    EXPECT_EQ(Stored(root, u"Sessions\\__FolderData__", u"Folder List V2"), (std::vector<std::u16string>{u"G", u"F"}));
    sorted.RemoveFolder(u"g");
    sorted.RenameSession(u"b", u"B2");
    EXPECT_EQ(Stored(root, u"Sessions\\__FolderData__", u"Folder List V2"), std::vector<std::u16string>{u"F"});
    EXPECT_EQ(Stored(root, u"Sessions\\__FolderData__", u"Session List V2"),
              (std::vector<std::u16string>{u"n", u"B2", u"c", u"a"}));
}

TEST_P(FolderData, ExpandedStateChildrenAndRecordedName)
{
    VProfileStore store;
    const VProfileKey& root = *store.GetRootKey();
    MakeFolder(root, u"Lab");
    {
        ProfileFolderData folder(&store, u"Lab", ProfileFolderData::kSortManual);
        EXPECT_FALSE(folder.IsExpanded());
        folder.SetExpanded(true);
    }
    uint32_t stored = 0;
    EXPECT_TRUE(VProfileKey(root, u"Sessions\\Lab\\__FolderData__", 0).ReadDword(u"Is Expanded", stored));
    EXPECT_EQ(stored, 1u);

    ProfileFolderData folder(&store, u"Lab", ProfileFolderData::kSortManual);
    EXPECT_TRUE(folder.IsExpanded());
    ASSERT_NE(folder.ChildAt(2), nullptr);
    EXPECT_EQ(folder.ChildAt(0)->GetName(), VUnicodeString(u"Folder List V2"));
    EXPECT_EQ(folder.ChildAt(1)->GetName(), VUnicodeString(u"Session List V2"));
    EXPECT_EQ(folder.ChildAt(2)->GetName(), VUnicodeString(u"Is Expanded"));
    EXPECT_EQ(folder.ChildAt(3), nullptr);
    EXPECT_EQ(folder.FindChild(u"Is Expanded"), folder.ChildAt(2));
    EXPECT_EQ(folder.FindChild(u"is expanded"), nullptr); // exact names only

    // Only children whose flag is set are saved; the recorded name goes
    // to the key first.
    folder.SetExpanded(false);
    const int written = recorder->Writes(u"Is Expanded");
    static_cast<VProfile<bool>*>(folder.ChildAt(2))->Set(true);
    folder.ChildAt(2)->SetFlag(false);
    folder.SetRecordedName(u"Lab");
    EXPECT_TRUE(folder.IsChanged());
    EXPECT_TRUE(folder.SaveOwn());
    EXPECT_EQ(recorder->Writes(u"Is Expanded"), written);
    EXPECT_EQ(recorder->keyNames, std::vector<std::u16string>{u"Lab"});
    folder.Revert();
    EXPECT_FALSE(folder.IsChanged());
}

TEST(FolderDataPaths, KeyPathsNormaliseSlashes)
{
    EXPECT_EQ(ProfileFolderData::FolderKeyPath(u"Sessions", u""), VUnicodeString(u"Sessions"));
    EXPECT_EQ(ProfileFolderData::FolderKeyPath(u"Sessions", u"a/b\\c"), VUnicodeString(u"Sessions\\a\\b\\c"));
    EXPECT_EQ(ProfileFolderData::FolderKeyPath(u"Commands", u"/x//y/"), VUnicodeString(u"Commands\\x\\y"));
    EXPECT_FALSE(ProfileFolderData::IsListedName(u".git"));
    EXPECT_FALSE(ProfileFolderData::IsListedName(u"my__folderdata__"));
    EXPECT_TRUE(ProfileFolderData::IsListedName(u"a.b"));
}

ORV_BOTH_BACKENDS(FolderData);

} // namespace
