#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeTreeTest.h"
#include "platform/GlobalConfig.h"
#include "platform/KeyState.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/secrets/VEncryptedStringKeyData.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

using Lines = std::vector<std::string>;

std::vector<uint8_t>& Held(FakeClipboard& clipboard, const char16_t* format)
{
    return clipboard.content[RegisterClipboardFormatName(format)];
}

class HeldKeys final : public IKeyState {
public:
    HeldKeys() { SetKeyState(this); }
    ~HeldKeys() override { SetKeyState(nullptr); }
    unsigned HeldModifiers() const override { return held; }
    unsigned held = 0;
};

class SessionTree : public FakeTreeTest {
protected:
    void SetUp() override
    {
        FakeTreeTest::SetUp();
        config->filterDelayMs = 250;
    }
    Lines Expanded()
    {
        Tree().ExpandAllFolders();
        return Tree().Lines();
    }
};

// --- Model

TEST_P(SessionTree, FoldersComeFirstInEveryArrangement)
{
    for (auto name : {u"b", u"A", u"c"})
        Folder(name);
    for (auto name : {u"Z", u"m", u"s10", u"s9", u"s1"})
        Session(name);
    EXPECT_EQ(Tree().Lines(), (Lines{"Sessions/", "  A/", "  b/", "  c/", "  m", "  s1", "  s10", "  s9", "  Z"}));
    Tree().SetSortMode(1);
    EXPECT_EQ(Tree().Lines(), (Lines{"Sessions/", "  A/", "  b/", "  c/", "  m", "  s1", "  s9", "  s10", "  Z"}));
    EXPECT_EQ(config->sortMode, 1);
    EXPECT_EQ(owner.viewChanges, 1);
    // Manual: the stored order, folders still first.
    ASSERT_TRUE(Db().ReorderItem(u"Z", u"m", false, nullptr));
    Tree().SetSortMode(2);
    EXPECT_EQ(Tree().Lines()[4], "  Z");
}

TEST_P(SessionTree, FoldersLoadWhenFirstOpenedAndSelectionFollowsItsPath)
{
    Folder(u"Servers");
    Folder(u"Servers\\Linux");
    Session(u"Servers\\Linux\\web01");
    Session(u"top");
    const TreeItem servers = Tree().Item(u"Servers");
    ASSERT_NE(servers, kNoTreeItem);
    // Reaching a path loads the folders along it, and only those.
    ASSERT_TRUE(Tree().Select(u"Servers\\Linux\\web01"));
    EXPECT_EQ(Tree().GetItemPath(Tree().GetSelectedItems().front()), VUnicodeString(u"Servers\\Linux\\web01"));
    Tree().Fill(VDockTreeBase::kFillDropCache);
    EXPECT_EQ(Tree().SelectedPath(), "Servers\\Linux\\web01");
    ASSERT_TRUE(Db().DeleteItem(u"Servers\\Linux", nullptr));
    Tree().Fill(VDockTreeBase::kFillDropCache);
    EXPECT_EQ(Tree().SelectedPath(), ""); // gone: the root
    EXPECT_EQ(Tree().FindItem(u"servers\\LINUX"), kNoTreeItem);
    EXPECT_NE(Tree().FindItem(u"servers"), kNoTreeItem);
}

TEST_P(SessionTree, RenamedItemsTakeTheirPlaceByTheArrangement)
{
    config->sortMode = 1;
    for (auto name : {u"f1", u"f10", u"f2"})
        Folder(name);
    for (auto name : {u"s1", u"s2", u"s10"})
        Session(name);
    ASSERT_EQ(Tree().Lines(), (Lines{"Sessions/", "  f1/", "  f2/", "  f10/", "  s1", "  s2", "  s10"}));
    // A renamed folder goes by the alphabetical comparison even in logical
    // mode: "f3" sorts after "f10" there.
    Tree().Select(u"f1");
    Tree().Rename();
    Tree().EndLabelEdit(Tree().Item(u"f1"), u"f3", false);
    EXPECT_EQ(Tree().Lines(), (Lines{"Sessions/", "  f2/", "  f10/", "  f3/", "  s1", "  s2", "  s10"}));
    // Sessions by the logical one; a tie goes before the existing item.
    Tree().Select(u"s1");
    Tree().Rename();
    Tree().EndLabelEdit(Tree().Item(u"s1"), u"s3", false);
    EXPECT_EQ(Tree().Lines(), (Lines{"Sessions/", "  f2/", "  f10/", "  f3/", "  s2", "  s3", "  s10"}));
    EXPECT_EQ(Tree().SelectedPath(), "s3");
    EXPECT_TRUE(Db().SessionExists(u"s3"));
    EXPECT_FALSE(Db().SessionExists(u"s1"));
}

TEST_P(SessionTree, VisibilityOptionsFollowTheHostKind)
{
    Session(u"shell", u"SSH2", u"None");
    Session(u"files", u"None", u"SFTP");
    Session(u"both", u"SSH2", u"SFTP");
    config->showTransferSessions = false;
    owner.hostKind = 3; // a terminal host hides transfer-only sessions
    EXPECT_EQ(Tree().Lines(), (Lines{"Sessions/", "  both", "  shell"}));
    Tree().ToggleShowTransferSessions();
    EXPECT_TRUE(config->showTransferSessions);
    EXPECT_EQ(Tree().Lines(), (Lines{"Sessions/", "  both", "  files", "  shell"}));
    Tree().ToggleShowTransferSessions();
    EXPECT_EQ(Tree().Lines(), (Lines{"Sessions/", "  both", "  shell"}));

    tree.reset();
    config->showTransferSessions = true;
    config->showTerminalSessions = false;
    owner.hostKind = 9; // the transfer host hides terminal-only sessions
    EXPECT_EQ(Tree().Lines(), (Lines{"Sessions/", "  both", "  files"}));
}

TEST_P(SessionTree, IconsFollowTheProtocolsAndTheIconSet)
{
    Session(u"ssh", u"SSH2", u"");
    Session(u"pair", u"SSH2", u"SFTP");
    Session(u"mixed", u"Telnet", u"SFTP");
    Session(u"rdp", u"RDP", u"None");
    Session(u"odd", u"Gopher", u"None");
    auto image = [&](const char16_t* path) { return Tree().GetItemImage(Tree().Item(path), false); };
    EXPECT_EQ(image(u"ssh"), 9);
    EXPECT_EQ(image(u"pair"), 11);
    EXPECT_EQ(image(u"mixed"), 3);
    EXPECT_EQ(image(u"rdp"), 6);
    EXPECT_EQ(image(u"odd"), 2);
    owner.alternateIcons = true;
    Tree().OnDisplayChanged();
    EXPECT_EQ(image(u"ssh"), 21);
    owner.genericIcons = true;
    Tree().OnDisplayChanged();
    EXPECT_EQ(image(u"pair"), 2);
    owner.genericIcons = owner.alternateIcons = false;
    Tree().OnDisplayChanged();
    config->useProtocolIcons = false;
    EXPECT_EQ(image(u"pair"), 2);
}

TEST_P(SessionTree, TooltipsAreDescriptionsCutToTheBuffer)
{
    Session(u"s", u"SSH2", u"None", u"h", u"a description that is long");
    const TreeItem item = Tree().Item(u"s");
    VUnicodeString tip;
    ASSERT_TRUE(Tree().GetTooltip(item, 100, tip));
    EXPECT_EQ(tip, VUnicodeString(u"a description that is long"));
    for (size_t capacity : {4u, 5u, 10u}) {
        ASSERT_TRUE(Tree().GetTooltip(item, capacity, tip));
        EXPECT_EQ(tip.Length(), capacity - 1); // and the terminator
        EXPECT_TRUE(tip.EndsWith(u"...")) << capacity;
    }
    EXPECT_EQ(tip, VUnicodeString(u"a desc..."));
    ASSERT_TRUE(Tree().GetTooltip(item, 3, tip)); // no room for the dots
    EXPECT_EQ(tip, VUnicodeString(u"a "));
    Tree().ToggleShowDescriptions();
    EXPECT_FALSE(Tree().GetTooltip(item, 100, tip));
    EXPECT_FALSE(config->showDescriptions);
    EXPECT_FALSE(Tree().GetTooltip(Tree().Item(u""), 100, tip)); // the root has none
}

// --- Filter

TEST_P(SessionTree, FilterSyntaxAndWhatItShows)
{
    Folder(u"prod");
    Folder(u"prod\\web");
    Folder(u"test");
    Session(u"prod\\web01");
    Session(u"prod\\db1");
    Session(u"prod\\web\\adb2");
    Session(u"test\\web02");
    Session(u"test\\db");
    Tree().ApplyFilter(u"prod/web");
    EXPECT_EQ(Tree().Lines(), (Lines{"Sessions/", "  prod/", "    web01"}));
    EXPECT_EQ(Tree().SelectedPath(), "prod\\web01");
    Tree().ApplyFilter(u"prod/"); // nothing after the slash: no session, no folder kept for its name
    EXPECT_EQ(Tree().Lines(), (Lines{"Sessions/"}));
    Tree().ApplyFilter(u"*01");
    EXPECT_EQ(Tree().Lines(), (Lines{"Sessions/", "  prod/", "    web01"}));
    Tree().ApplyFilter(u"db?");
    EXPECT_EQ(Tree().Lines(), (Lines{"Sessions/", "  prod/", "    web/", "      adb2", "    db1"}));
    // An empty folder stays for its own name without a folder pattern.
    Tree().ApplyFilter(u"WEB");
    EXPECT_EQ(Tree().Lines(),
              (Lines{"Sessions/", "  prod/", "    web/", "    web01", "  test/", "    web02"}));
}

TEST_P(SessionTree, TypingAppliesOnceAfterTheDelayAndEscapeRestores)
{
    Folder(u"a");
    Folder(u"a\\b");
    Session(u"a\\b\\target");
    Session(u"other");
    ASSERT_TRUE(Tree().Select(u"a\\b"));
    Tree().ExpandItem(Tree().Item(u"a\\b"), true);
    const Lines before = Tree().Lines();

    Tree().FilterTextChanged(u"o");
    Tree().FilterTextChanged(u"ot");
    Tree().FilterTextChanged(u"oth");
    EXPECT_EQ(Tree().timers.at(FilterTreeBase::kFilterTimerId), 250u);
    EXPECT_EQ(Tree().Lines(), before); // nothing applied yet
    ASSERT_TRUE(Tree().FireTimer(FilterTreeBase::kFilterTimerId));
    EXPECT_FALSE(Tree().TimerRunning(FilterTreeBase::kFilterTimerId));
    EXPECT_EQ(Tree().Lines(), (Lines{"Sessions/", "  other"}));
    // The text in force again: no timer at all.
    Tree().FilterTextChanged(u"oth");
    EXPECT_FALSE(Tree().TimerRunning(FilterTreeBase::kFilterTimerId));

    // Escape with text clears it; the tree comes back as it was.
    EXPECT_EQ(FilterBoxKeyActionFor(FilterBoxKey::Escape, false), FilterBoxKeyAction::ClearText);
    Tree().FilterTextChanged(u"");
    ASSERT_TRUE(Tree().FireTimer(FilterTreeBase::kFilterTimerId));
    EXPECT_EQ(Tree().Lines(), before);
    EXPECT_EQ(Tree().SelectedPath(), "a\\b");
    EXPECT_EQ(FilterBoxKeyActionFor(FilterBoxKey::Escape, true), FilterBoxKeyAction::FocusTree);
    EXPECT_EQ(FilterBoxKeyActionFor(FilterBoxKey::Down, false), FilterBoxKeyAction::PassToTree);
}

TEST_P(SessionTree, EndingAFilterLeavesClosedTheFoldersThatWereClosed)
{
    Folder(u"prod");
    Session(u"prod\\web01");
    Session(u"top");
    ASSERT_TRUE(Tree().Select(u"top"));
    const Lines before = Tree().Lines();
    Tree().ApplyFilter(u"web");
    EXPECT_EQ(Tree().SelectedPath(), "prod\\web01");
    Tree().ClearFilter();
    // The filtered selection lay in prod: it is not opened for it.
    EXPECT_EQ(Tree().Lines(), before);
    EXPECT_EQ(Tree().SelectedPath(), "top");
}

TEST_P(SessionTree, ArrangingWhileFilteredKeepsTheFilter)
{
    for (auto name : {u"web10", u"web9", u"db"})
        Session(name);
    Tree().ApplyFilter(u"web");
    EXPECT_EQ(Tree().Lines(), (Lines{"Sessions/", "  web10", "  web9"}));
    Tree().SetSortMode(1);
    EXPECT_EQ(Tree().Lines(), (Lines{"Sessions/", "  web9", "  web10"}));
    EXPECT_TRUE(Tree().IsFilterActive());
}

// --- Find

TEST_P(SessionTree, FindWalksInPreOrderAndWrapsSilently)
{
    Folder(u"lab");
    Session(u"lab\\alpha", u"SSH2", u"None", u"build.example");
    Session(u"beta", u"SSH2", u"None", u"other", u"the BUILD box");
    Session(u"gamma");
    Tree().findAnswer = FindOptions{u"build", false, true, true, false, false};
    Tree().Find();
    EXPECT_EQ(Tree().SelectedPath(), "lab\\alpha");
    Tree().FindNext();
    EXPECT_EQ(Tree().SelectedPath(), "beta");
    Tree().FindNext(); // no further hit: back to the top, silently
    EXPECT_EQ(Tree().SelectedPath(), "lab\\alpha");
    EXPECT_EQ(Tree().findDialogsShown, 1);
    EXPECT_TRUE(box.shown.empty());

    // Match case leaves out "BUILD"; a search that showed the dialog and
    // found nothing says so.
    Tree().findAnswer = FindOptions{u"zzz", true, false, false, true, true};
    Tree().Find();
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, u"\"zzz\" not found.");
    Tree().FindNext();
    EXPECT_EQ(box.shown.size(), 1u);
}

// --- Clipboard and paste

TEST_P(SessionTree, CopyPlacesTheRecordAndTheConnectionTarget)
{
    Session(u"web", u"SSH2", u"None", u"web.example");
    ASSERT_TRUE(Tree().Select(u"web"));
    Tree().Copy();
    const auto record = TreeClipboardRecord::Parse(Held(clipboard, TreeClipboardRecord::kFormatName));
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->sourceIdentity, owner.identity);
    EXPECT_TRUE(record->hasSessions);
    EXPECT_FALSE(record->isCut);
    const std::vector<uint8_t>& text = Held(clipboard, u"text/plain;charset=utf-8");
    EXPECT_NE(std::string(text.begin(), text.end()).find("web.example"), std::string::npos);
    EXPECT_TRUE(Tree().CanPaste());

    clipboard.refuseSet = true;
    Tree().Copy();
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, u"ERROR: Unable to copy item to clipboard");
}

TEST_P(SessionTree, PasteRefusesWhatCannotBeDone)
{
    Folder(u"A");
    Folder(u"A\\sub");
    Session(u"A\\s1");
    Session(u"top");
    const Lines before = Expanded();
    // A parent into its child.
    ASSERT_TRUE(Tree().Select(u"A"));
    Tree().Cut();
    EXPECT_TRUE(Tree().IsItemCut(Tree().Item(u"A")));
    ASSERT_TRUE(Tree().Select(u"A\\sub"));
    Tree().Paste();
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, u"Cannot copy or move a parent folder into a child");
    EXPECT_EQ(Expanded(), before);
    // Two cut items pasted onto one of them.
    ASSERT_TRUE(Tree().SelectMany({u"A", u"top"}));
    Tree().Cut();
    ASSERT_TRUE(Tree().Select(u"A"));
    Tree().Paste();
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[1].text, u"Cannot paste to an item that was cut.");
    // One cut item pasted onto itself: nothing at all.
    ASSERT_TRUE(Tree().Select(u"A"));
    Tree().Cut();
    Tree().Paste();
    EXPECT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(Expanded(), before);
    // A folder copied into itself.
    Tree().Copy();
    Tree().Paste();
    ASSERT_EQ(box.shown.size(), 3u);
    EXPECT_EQ(box.shown[2].text, u"Cannot copy a folder into itself");
    EXPECT_EQ(Expanded(), before);
}

TEST_P(SessionTree, PastingAnItemThatIsGoneSaysSo)
{
    Folder(u"dest");
    Session(u"gone");
    Session(u"kept");
    ASSERT_TRUE(Tree().Select(u"gone"));
    Tree().Copy();
    ASSERT_TRUE(Db().DeleteItem(u"gone", nullptr));
    ASSERT_TRUE(Tree().Select(u"dest"));
    Tree().Paste();
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, u"Item 'gone' is no longer available for pasting");

    Tree().Fill(VDockTreeBase::kFillDropCache);
    ASSERT_TRUE(Tree().SelectMany({u"kept", u"dest"}));
    Tree().Copy();
    ASSERT_TRUE(Db().DeleteItem(u"dest", nullptr));
    Tree().Fill(VDockTreeBase::kFillDropCache);
    ASSERT_TRUE(Tree().Select(u""));
    Tree().Paste();
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[1].text,
              u"One or more items are no longer available for pasting.  Items that were still available have been "
              u"pasted.");
    EXPECT_TRUE(Db().SessionExists(u"kept (1)"));
}

TEST_P(SessionTree, CutAndPasteMovesOnceAndCopiesTakeFreeNames)
{
    Folder(u"from");
    Folder(u"to");
    Session(u"from\\web");
    ASSERT_TRUE(Tree().Select(u"from\\web"));
    Tree().Copy();
    ASSERT_TRUE(Tree().Select(u"from"));
    Tree().Paste();
    EXPECT_TRUE(Db().SessionExists(u"from\\web (1)"));
    EXPECT_EQ(Tree().SelectedPath(), "from\\web (1)");

    ASSERT_TRUE(Tree().Select(u"from\\web"));
    Tree().Cut();
    ASSERT_TRUE(Tree().Select(u"to"));
    Tree().Paste();
    EXPECT_TRUE(Db().SessionExists(u"to\\web"));
    EXPECT_FALSE(Db().SessionExists(u"from\\web"));
    EXPECT_FALSE(Tree().CanPaste()); // a cut is pasted once
    EXPECT_EQ(Expanded(), (Lines{"Sessions/", "  from/", "    web (1)", "  to/", "    web"}));
    EXPECT_GE(owner.changes, 2);
}

TEST_P(SessionTree, ARecordFromAnotherDatabaseIsIgnored)
{
    Folder(u"dest");
    TreeClipboardRecord record;
    record.sourceIdentity = u"another database";
    record.paths.Add(u"dest");
    Held(clipboard, TreeClipboardRecord::kFormatName) = record.Serialize();
    Session(u"s");
    ASSERT_TRUE(Tree().Select(u"s"));
    Tree().Copy(); // makes paste available
    Held(clipboard, TreeClipboardRecord::kFormatName) = record.Serialize();
    ASSERT_TRUE(Tree().Select(u"dest"));
    Tree().Paste();
    EXPECT_TRUE(box.shown.empty());
    EXPECT_FALSE(Db().SessionExists(u"dest\\dest"));
    Held(clipboard, TreeClipboardRecord::kFormatName) = {0, 2, 0}; // truncated
    Tree().Paste();
    EXPECT_TRUE(box.shown.empty());
}

// --- Delete, rename, new items

TEST_P(SessionTree, DeleteAsksFirstAndNotifiesOnce)
{
    Folder(u"f");
    Session(u"f\\inner");
    Session(u"s1");
    Session(u"s2");
    ASSERT_TRUE(Tree().SelectMany({u"f", u"f\\inner", u"s1"}));
    box.answer = kIdNo;
    Tree().Delete();
    EXPECT_TRUE(Db().SessionExists(u"s1"));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, u"Are you sure you want to delete the selected item(s)?");
    box.answer = kIdYes;
    owner.changes = 0;
    Tree().Delete();
    EXPECT_FALSE(Db().SessionExists(u"f"));
    EXPECT_FALSE(Db().SessionExists(u"s1"));
    EXPECT_EQ(owner.changes, 1);
    EXPECT_EQ(Tree().Lines(), (Lines{"Sessions/", "  s2"}));
    EXPECT_FALSE(Tree().IsBulkOperation());
}

TEST_P(SessionTree, RenameCleansTheNameAndReopensOnAClash)
{
    Folder(u"Lab");
    Folder(u"Other");
    ASSERT_TRUE(Tree().Select(u"Lab"));
    Tree().Rename();
    Tree().EndLabelEdit(Tree().Item(u"Lab"), u"  Lab2...  ", false);
    EXPECT_TRUE(Db().IsFolder(u"Lab2"));
    ASSERT_TRUE(Tree().Select(u"Lab2"));
    Tree().Rename();
    Tree().EndLabelEdit(Tree().Item(u"Lab2"), u"Other", false);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, u"'Other' is already in use.");
    EXPECT_EQ(Tree().labelEdits.back(), u"Other"); // editing again with the refused text
    EXPECT_NE(Tree().Item(u"Lab2"), kNoTreeItem);
    // A change of letter case is a rename.
    Tree().EndLabelEdit(Tree().Item(u"Lab2"), u"LAB2", false);
    EXPECT_EQ(Tree().GetItemText(Tree().Item(u"lab2")), VUnicodeString(u"LAB2"));
    EXPECT_EQ(box.shown.size(), 1u);
}

TEST_P(SessionTree, DuplicateCopiesEveryValueBesideTheSessionAndSelectsIt)
{
    Folder(u"Servers");
    Session(u"Servers\\web01", u"SSH2", u"SFTP", u"web01.example", u"front");
    Session(u"Servers\\tty", u"Serial");
    ASSERT_TRUE(Db().WriteValuesOutsideSchema(u"Servers\\web01", {StoredValue{u"Engine Port", kValueKindDword, 2222}},
                                              nullptr));
    ASSERT_TRUE(Tree().Select(u"Servers\\web01"));
    EXPECT_TRUE(Tree().CanDuplicate());
    // Cancelled: nothing.
    Tree().Duplicate();
    EXPECT_EQ(Tree().duplicatePrompted, VUnicodeString(u"Servers\\web01"));
    EXPECT_EQ(owner.changes, 0);
    EXPECT_EQ(Tree().Lines(), (Lines{"Sessions/", "  Servers/", "    tty", "    web01"}));

    Tree().duplicateAnswer = true;
    Tree().duplicateName = u"web02";
    Tree().duplicateHost = u"web02.example";
    Tree().Duplicate();
    EXPECT_EQ(Tree().SelectedPath(), "Servers\\web02");
    EXPECT_EQ(owner.changes, 1);
    const SessionConfigPtr copy = Db().LoadSession(u"Servers\\web02");
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->GetHostname(), VUnicodeString(u"web02.example"));
    EXPECT_EQ(copy->GetDescription(), VUnicodeString(u"front"));
    std::vector<StoredValue> others;
    ASSERT_TRUE(Db().GetValuesOutsideSchema(u"Servers\\web02", others));
    EXPECT_EQ(others, (std::vector<StoredValue>{StoredValue{u"Engine Port", kValueKindDword, 2222}}));
    EXPECT_EQ(Db().LoadSession(u"Servers\\web01")->GetHostname(), VUnicodeString(u"web01.example"));

    // A taken name is refused with the database's words; nothing changes.
    Tree().Select(u"Servers\\web01");
    Tree().Duplicate();
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, u"'web02' is already in use.");
    EXPECT_EQ(owner.changes, 1);

    // A serial session offers no host name: the host is left as it was.
    Tree().Select(u"Servers\\tty");
    Tree().duplicateName = u"tty2";
    Tree().Duplicate();
    EXPECT_EQ(Db().LoadSession(u"Servers\\tty2")->GetHostname(), VUnicodeString(u""));
    // Folders and several items are not duplicated.
    Tree().SelectMany({u"Servers\\tty", u"Servers\\web01"});
    EXPECT_FALSE(Tree().CanDuplicate());
    Tree().Select(u"Servers");
    EXPECT_FALSE(Tree().CanDuplicate());
}

TEST_P(SessionTree, NewFolderIsNamedBeforeItIsMade)
{
    Folder(u"New Folder");
    ASSERT_TRUE(Tree().Select(u""));
    Tree().NewFolder();
    ASSERT_FALSE(Tree().labelEdits.empty());
    EXPECT_EQ(Tree().labelEdits.back(), u"New Folder (1)");
    EXPECT_FALSE(Db().IsFolder(u"New Folder (1)")); // not until the edit ends
    const TreeItem item = Tree().GetSelectedItems().front();
    Tree().EndLabelEdit(item, u"", true); // cancelled: the proposed name stands
    EXPECT_TRUE(Db().IsFolder(u"New Folder (1)"));
}

TEST_P(SessionTree, TheMemoryControlEndsEditsAsAControlDoes)
{
    Folder(u"Lab");
    Folder(u"Lab\\Inner");
    Folder(u"Other");
    Session(u"Lab\\web");
    EXPECT_FALSE(Tree().FinishLabelEdit(u"x", false)); // no edit open
    ASSERT_TRUE(Tree().Select(u"Lab"));
    Tree().NewFolder();
    const TreeItem made = Tree().GetEditedItem();
    ASSERT_NE(made, kNoTreeItem);
    EXPECT_EQ(Tree().GetEditText(), VUnicodeString(u"New Folder"));
    // A refused name opens the edit again; a good one closes it.
    ASSERT_TRUE(Tree().FinishLabelEdit(u"Inner", false));
    EXPECT_EQ(Tree().GetEditedItem(), made);
    EXPECT_EQ(Tree().GetEditText(), VUnicodeString(u"Inner"));
    ASSERT_TRUE(Tree().FinishLabelEdit(u"Outer", false));
    EXPECT_EQ(Tree().GetEditedItem(), kNoTreeItem);
    EXPECT_TRUE(Db().IsFolder(u"Lab\\Outer"));
    // A subtree's outline starts at its folder and shows what is expanded.
    Tree().ExpandItem(Tree().Item(u"Lab\\Inner"), true);
    std::vector<std::string> outline;
    for (const VUnicodeString& line : Tree().Outline(Tree().Item(u"Lab")))
        outline.push_back(line.ToUtf8());
    EXPECT_EQ(outline, (Lines{"Lab/", "  Inner/", "  Outer/", "  web"}));
    // Deleting the edited item closes its edit.
    ASSERT_TRUE(Tree().Select(u"Lab"));
    Tree().Rename();
    ASSERT_EQ(Tree().GetEditedItem(), Tree().Item(u"Lab"));
    Tree().DeleteItem(Tree().Item(u"Lab"));
    EXPECT_EQ(Tree().GetEditedItem(), kNoTreeItem);
}

// --- Drag and drop

TEST_P(SessionTree, DragEffectsFromKeysAndTargets)
{
    Folder(u"A");
    Folder(u"A\\inner");
    Folder(u"B");
    HeldKeys keys;
    Tree().ExpandAllFolders();
    ASSERT_TRUE(Tree().Select(u"A"));
    const std::vector<uint8_t> data = Tree().BeginDrag(false);
    const TreeItem b = Tree().Item(u"B");
    const int y = Tree().RowY(b);
    EXPECT_EQ(Tree().OnDragOver(data, 0, y), ITreeOleDropTargetSink::kEffectMove);
    keys.held = kKeyControl;
    EXPECT_EQ(Tree().OnDragOver(data, 0, y), ITreeOleDropTargetSink::kEffectCopy);
    keys.held = kKeyControl | kKeyShift;
    EXPECT_EQ(Tree().OnDragOver(data, 0, y), ITreeOleDropTargetSink::kEffectNone);
    keys.held = 0;
    // Onto itself or inside itself: no drop.
    EXPECT_EQ(Tree().OnDragOver(data, 0, Tree().RowY(Tree().Item(u"A"))), ITreeOleDropTargetSink::kEffectNone);
    EXPECT_EQ(Tree().OnDragOver(data, 0, Tree().RowY(Tree().Item(u"A\\inner"))),
              ITreeOleDropTargetSink::kEffectNone);
    // Hovering expands after 750 ms; the edges scroll.
    EXPECT_EQ(Tree().timers.at(SessionTreeBase::kHoverTimerId), 750u);
    Tree().OnDragScroll(0, 2);
    EXPECT_EQ(Tree().scrolled, -1);
    Tree().OnDragScroll(0, 100);
    EXPECT_EQ(Tree().scrolled, -1);
    Tree().OnDragScroll(0, Tree().GetVisibleHeight() - 2);
    EXPECT_EQ(Tree().scrolled, 0);
    Tree().FireTimer(SessionTreeBase::kHoverTimerId);
    EXPECT_TRUE(Tree().IsItemExpanded(Tree().Item(u"A"))); // the item last hovered

    EXPECT_TRUE(Tree().OnDrop(data, ITreeOleDropTargetSink::kEffectMove, 0, Tree().RowY(b)));
    EXPECT_TRUE(Db().IsFolder(u"B\\A"));
    EXPECT_TRUE(Db().IsFolder(u"B\\A\\inner"));
    EXPECT_FALSE(Db().IsFolder(u"A"));
}

TEST_P(SessionTree, ManualOrderFollowsTheDropPosition)
{
    config->sortMode = 2;
    Folder(u"F");
    Folder(u"G");
    for (auto name : {u"s1", u"s2", u"s3"})
        Session(name);
    ASSERT_EQ(Tree().Lines(), (Lines{"Sessions/", "  F/", "  G/", "  s1", "  s2", "  s3"}));
    // s3 dropped just above s1.
    ASSERT_TRUE(Tree().Select(u"s3"));
    std::vector<uint8_t> data = Tree().BeginDrag(false);
    EXPECT_TRUE(Tree().OnDrop(data, ITreeOleDropTargetSink::kEffectMove, 0, Tree().RowY(Tree().Item(u"s1"), 1)));
    Tree().EndDrag();
    EXPECT_EQ(Tree().Lines(), (Lines{"Sessions/", "  F/", "  G/", "  s3", "  s1", "  s2"}));
    // G dropped just below... the bottom edge of F's row: after F stays.
    // F dropped after G.
    ASSERT_TRUE(Tree().Select(u"F"));
    data = Tree().BeginDrag(false);
    EXPECT_TRUE(Tree().OnDrop(data, ITreeOleDropTargetSink::kEffectMove, 0,
                              Tree().RowY(Tree().Item(u"G"), FakeSessionTree::kRowHeight - 1)));
    Tree().EndDrag();
    Tree().Fill(VDockTreeBase::kFillDropCache);
    EXPECT_EQ(Tree().Lines(), (Lines{"Sessions/", "  G/", "  F/", "  s3", "  s1", "  s2"}));
    // A right drop asks; Cancel drops nothing.
    ASSERT_TRUE(Tree().Select(u"s2"));
    data = Tree().BeginDrag(true);
    Tree().dropMenuAnswer = ITreeOleDropTargetSink::kEffectNone;
    EXPECT_FALSE(Tree().OnDrop(data, ITreeOleDropTargetSink::kEffectMove, 0, Tree().RowY(Tree().Item(u"F"))));
    EXPECT_EQ(Tree().dropMenuAllowed, ITreeOleDropTargetSink::kEffectCopy | ITreeOleDropTargetSink::kEffectMove);
    EXPECT_TRUE(Db().SessionExists(u"s2"));
    Tree().dropMenuAnswer = ITreeOleDropTargetSink::kEffectCopy;
    EXPECT_TRUE(Tree().OnDrop(data, ITreeOleDropTargetSink::kEffectMove, 0, Tree().RowY(Tree().Item(u"F"))));
    EXPECT_TRUE(Db().SessionExists(u"s2"));
    EXPECT_TRUE(Db().SessionExists(u"F\\s2"));
}

TEST_P(SessionTree, MovingAFirewallSessionUpdatesItsUsersWhenAsked)
{
    Folder(u"F");
    Session(u"gw");
    Session(u"inner");
    Session(u"other");
    auto firewallOf = [&](const char16_t* path) {
        VProfileStore store;
        VUnicodeString name;
        VProfileKey(*store.GetRootKey(), SessionDatabase::KeyPathFromSessionPath(path), 0)
            .ReadString(u"Firewall Name", name);
        return name;
    };
    for (const char16_t* user : {u"inner", u"other"}) {
        VProfileStore store;
        VProfileKey(*store.GetRootKey(), SessionDatabase::KeyPathFromSessionPath(user), 0)
            .WriteString(u"Firewall Name", u"Session:gw");
    }
    ASSERT_TRUE(Tree().Select(u"gw"));
    Tree().Cut();
    ASSERT_TRUE(Tree().Select(u"F"));
    Tree().Paste();
    EXPECT_EQ(firewallOf(u"inner"), VUnicodeString(u"Session:F\\gw"));
    // With the option off the users keep the old name.
    config->updateFirewallDependents = false;
    ASSERT_TRUE(Tree().Select(u"F\\gw"));
    Tree().Rename();
    Tree().EndLabelEdit(Tree().Item(u"F\\gw"), u"gw2", false);
    EXPECT_TRUE(Db().SessionExists(u"F\\gw2"));
    EXPECT_EQ(firewallOf(u"other"), VUnicodeString(u"Session:F\\gw"));
}

// Listing, filtering and finding by name never need a session's secrets.
TEST_P(SessionTree, BrowsingDerivesNoKey)
{
    Folder(u"f");
    for (int i = 0; i < 20; ++i)
        Session(u"f\\s" + VUnicodeString::FromNumber(i).str());
    const uint64_t before = VEncryptedStringKeyData::DerivationCount();
    Tree().ExpandAllFolders();
    Tree().ApplyFilter(u"s1*");
    Tree().ClearFilter();
    Tree().findAnswer = FindOptions{u"s19", true, false, false, false, false};
    Tree().Find();
    EXPECT_EQ(Tree().SelectedPath(), "f\\s19");
    for (const VUnicodeString& path : Tree().GetSelectedPaths())
        Tree().GetItemImage(Tree().FindItem(path), false);
    EXPECT_EQ(VEncryptedStringKeyData::DerivationCount(), before);
}

ORV_BOTH_BACKENDS(SessionTree);

} // namespace
