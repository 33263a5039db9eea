#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "FakeClipboard.h"
#include "MemoryCommandTree.h"
#include "StoreFixtures.h"
#include "commands/ButtonClipboard.h"
#include "commands/CommandDatabaseImpl.h"
#include "core/VUnicodeString.h"
#include "platform/KeyState.h"
#include "platform/Products.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

using Item = ProfileUserButtonMap::Item;
using Lines = std::vector<std::string>;

Item Send(const char16_t* text, const char16_t* label = u"")
{
    Item item;
    item.Function = kFunctionSend;
    item.SetArgument(text);
    item.Label = label;
    return item;
}

// The host side: what the pane asks of it, answered as the test says.
class FakeSink final : public ICommandManagerSink {
public:
    struct Sent {
        std::u16string folder;
        std::u16string text;
        uint32_t position;
        int target;
    };
    void SendCommand(ICommandInfo* info, int target) override
    {
        sent.push_back({info->GetFolder(), ProfileUserButtonMap::GetDisplayText(info->GetItem()).str(),
                        info->GetPosition(), target});
    }
    bool EditCommand(ICommandInfo* info, QWidget*) override
    {
        ++edits;
        editedPosition = info->GetPosition();
        editedFolder = info->GetFolder();
        if (!editAnswer)
            return false;
        Item item = info->GetItem();
        edit(item);
        info->SetItem(item);
        return true;
    }
    void GetIdentity(IString& out) override { out.Assign(identity.data(), identity.size()); }
    bool CanSend(int target) override { return canSend[static_cast<size_t>(target)]; }
    ICommandManager* GetCommandManager() const override { return nullptr; }
    void SetCommandManager(ICommandManager*) override {}

    std::vector<Sent> sent;
    bool canSend[4] = {true, true, true, true};
    bool editAnswer = true;
    std::function<void(Item&)> edit = [](Item& item) { item = Send(u"date"); };
    int edits = 0;
    uint32_t editedPosition = 0;
    std::u16string editedFolder;
    std::u16string identity = u"host-1";
};

class FakeKeys final : public IKeyState {
public:
    FakeKeys() { SetKeyState(this); }
    ~FakeKeys() override { SetKeyState(nullptr); }
    unsigned HeldModifiers() const override { return held; }
    unsigned held = 0;
};

class CommandTree : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        ResetProductQueries();
        // The commands live under Commands: Web with uptime and "restart
        // nginx" (labelled), Web/Logs with tail, and top at the root.
        Db().CreateFolder(u"", u"Web");
        Db().CreateFolder(u"Web", u"Logs");
        Db().InsertCommand(u"Web", 0, Send(u"uptime"));
        Db().InsertCommand(u"Web", 1, Send(u"sudo systemctl restart nginx", u"restart nginx"));
        Db().InsertCommand(u"Web/Logs", 0, Send(u"tail -f /var/log/syslog", u"tail"));
        Db().InsertCommand(u"", 0, Send(u"top"));
        tree.Fill();
        tree.ExpandAllFolders();
    }

    static CommandDatabaseImpl& Db() { return *GetCommandDatabaseImpl(); }
    static std::vector<std::u16string> Texts(const std::u16string& folder)
    {
        std::vector<std::u16string> texts;
        VUnknownPointer<ProfileUserButtonMap> list(Db().LoadCommands(VUnicodeString(folder)));
        for (const Item& item : list->GetItems())
            texts.push_back(ProfileUserButtonMap::GetDisplayText(item).str());
        return texts;
    }
    bool Select(const std::u16string& path) { return tree.Select(u"Commands/" + path); }
    std::u16string LastMessage() const { return box.shown.empty() ? u"" : box.shown.back().text; }

    ScopedEnv products{"ORV_INSTALLED_PRODUCTS", "kestrune"};
    FakeClipboard clipboard;
    FakeKeys keys;
    FakeSink sink;
    MemoryCommandTree tree{&sink};
};

ORV_BOTH_BACKENDS(CommandTree);

TEST_P(CommandTree, ShowsFoldersThenCommandsByTheirDisplayTexts)
{
    EXPECT_EQ(tree.Outline(), (Lines{"Commands/", "  Web/", "    Logs/", "      tail", "    uptime", "    restart nginx",
                                     "  top"}));
    VUnicodeString tip;
    ASSERT_TRUE(tree.GetTooltip(tree.Find(u"Commands/Web/restart nginx"), 8, tip));
    EXPECT_EQ(tip, VUnicodeString(u"rest...")); // seven characters and the terminator
    ASSERT_TRUE(tree.GetTooltip(tree.Find(u"Commands/top"), 80, tip));
    EXPECT_EQ(tip, VUnicodeString(u"top"));
    EXPECT_FALSE(tree.GetTooltip(tree.Find(u"Commands/Web"), 80, tip));
}

TEST_P(CommandTree, SendsOnlyACommandToWhatTheHostCanReach)
{
    ASSERT_TRUE(Select(u"Web"));
    for (int target = 0; target < 4; ++target)
        EXPECT_FALSE(tree.CanSend(target)) << "a folder is never sent";
    tree.SendCommand(0);
    EXPECT_TRUE(sink.sent.empty());

    ASSERT_TRUE(Select(u"Web/uptime"));
    sink.canSend[0] = sink.canSend[1] = sink.canSend[2] = sink.canSend[3] = false; // no sessions open
    for (int target = 0; target < 4; ++target)
        EXPECT_FALSE(tree.CanSend(target));
    tree.SendCommand(2);
    EXPECT_TRUE(sink.sent.empty());

    sink.canSend[0] = sink.canSend[1] = sink.canSend[2] = sink.canSend[3] = true;
    tree.SendCommand(3);
    keys.held = kKeyShift; // Send with Shift goes to every session
    tree.SendCommand(0);
    keys.held = 0;
    tree.OnItemDoubleClicked(tree.Find(u"Commands/top"));
    tree.OnItemDoubleClicked(tree.Find(u"Commands/Web/Logs"));
    ASSERT_EQ(sink.sent.size(), 3u);
    EXPECT_EQ(sink.sent[0].text, u"uptime");
    EXPECT_EQ(sink.sent[0].folder, u"Web");
    EXPECT_EQ(sink.sent[0].target, 3);
    EXPECT_EQ(sink.sent[1].target, 1);
    EXPECT_EQ(sink.sent[2].text, u"top");
    EXPECT_EQ(sink.sent[2].target, 0);
    EXPECT_EQ(tree.sends, 3);

    // Without a host the commands stay enabled and sending does nothing.
    MemoryCommandTree alone(nullptr);
    alone.Fill();
    alone.Select(u"Commands/top");
    for (int target = 0; target < 4; ++target)
        EXPECT_TRUE(alone.CanSend(target));
    alone.SendCommand(0);
    EXPECT_EQ(alone.sends, 0);
}

TEST_P(CommandTree, NewCommandsAndFoldersGoWhereTheSelectionIs)
{
    ASSERT_TRUE(Select(u"Web/uptime"));
    sink.editAnswer = false;
    tree.NewCommand();
    EXPECT_EQ(sink.edits, 1);
    EXPECT_EQ(sink.editedFolder, u"Web");
    EXPECT_EQ(sink.editedPosition, 2u);
    EXPECT_EQ(Texts(u"Web").size(), 2u) << "cancelled: nothing stored";

    sink.editAnswer = true;
    sink.edit = [](Item&) {}; // OK on a command that does nothing
    tree.NewCommand();
    EXPECT_EQ(Texts(u"Web").size(), 2u);
    sink.edit = [](Item& item) { item = Send(u"date"); };
    tree.NewCommand();
    EXPECT_EQ(Texts(u"Web"), (std::vector<std::u16string>{u"uptime", u"restart nginx", u"date"}));
    EXPECT_EQ(tree.GetItemText(tree.GetSelected()), VUnicodeString(u"date"));

    // New Folder, twice, where a "New Folder" exists: (1), then (2).
    Db().CreateFolder(u"Web", u"New Folder");
    tree.Fill();
    ASSERT_TRUE(Select(u"Web"));
    for (const char16_t* expected : {u"New Folder (1)", u"New Folder (2)"}) {
        tree.NewFolder();
        ASSERT_NE(tree.Edited(), kNoTreeItem);
        EXPECT_EQ(tree.EditText(), VUnicodeString(expected));
        EXPECT_TRUE(tree.IsNewFolderPending());
        ASSERT_TRUE(tree.FinishEdit(tree.EditText()));
        EXPECT_TRUE(Db().FolderExists(VUnicodeString(u"Web/") + expected));
        ASSERT_TRUE(Select(u"Web"));
    }
    EXPECT_EQ(Db().GetSubfolders(u"Web"), (VStringArray{u"Logs", u"New Folder", u"New Folder (1)", u"New Folder (2)"}));

    // A name the store cannot take: the new folder goes, the old one keeps its name.
    tree.NewFolder();
    ASSERT_TRUE(tree.FinishEdit(u"a/b"));
    EXPECT_EQ(LastMessage(), u"Failed to create folder:\r\na/b");
    EXPECT_EQ(tree.Find(u"Commands/Web/New Folder (3)"), kNoTreeItem);
    EXPECT_FALSE(tree.IsNewFolderPending());
    ASSERT_TRUE(Select(u"Web/Logs"));
    tree.Rename();
    ASSERT_TRUE(tree.FinishEdit(u"x\\y"));
    EXPECT_EQ(LastMessage(), u"Failed to rename folder:\r\nx\\y");
    EXPECT_TRUE(Db().FolderExists(u"Web/Logs"));
    EXPECT_NE(tree.Find(u"Commands/Web/Logs"), kNoTreeItem);
}

TEST_P(CommandTree, LabelEditsRenameFoldersAndLabelCommands)
{
    ASSERT_TRUE(Select(u"Web/Logs"));
    tree.Rename();
    ASSERT_TRUE(tree.FinishEdit(u"  Journals  "));
    EXPECT_TRUE(Db().FolderExists(u"Web/Journals"));
    EXPECT_FALSE(Db().FolderExists(u"Web/Logs"));
    EXPECT_EQ(Texts(u"Web/Journals"), std::vector<std::u16string>{u"tail"});
    EXPECT_NE(tree.Find(u"Commands/Web/Journals/tail"), kNoTreeItem) << "the folder stays open";

    Db().CreateFolder(u"Web", u"Other");
    tree.Fill();
    ASSERT_TRUE(Select(u"Web/Other"));
    tree.Rename();
    ASSERT_TRUE(tree.FinishEdit(u"journals"));
    EXPECT_EQ(LastMessage(), u"'journals' is already in use.");
    EXPECT_EQ(box.shown.back().style, unsigned{kMbOk | kMbIconExclamation});
    EXPECT_TRUE(Db().FolderExists(u"Web/Other"));
    EXPECT_NE(tree.Find(u"Commands/Web/Other"), kNoTreeItem);

    // An empty or unchanged text changes nothing.
    const size_t shown = box.shown.size();
    tree.Rename();
    ASSERT_TRUE(tree.FinishEdit(u"   "));
    tree.Rename();
    ASSERT_TRUE(tree.FinishEdit(u"Other"));
    EXPECT_EQ(box.shown.size(), shown);
    EXPECT_TRUE(Db().FolderExists(u"Web/Other"));

    ASSERT_TRUE(Select(u"top"));
    tree.Rename();
    ASSERT_TRUE(tree.FinishEdit(u"processes"));
    VUnknownPointer<ProfileUserButtonMap> root(Db().LoadCommands(u""));
    EXPECT_EQ(root->GetItem(0).Label, VUnicodeString(u"processes"));
    EXPECT_EQ(root->GetItem(0).Argument, VUnicodeString(u"top"));
    EXPECT_NE(tree.Find(u"Commands/processes"), kNoTreeItem);
}

TEST_P(CommandTree, CopyPlacesTheTreeRecordAndTheButtonTogether)
{
    ASSERT_TRUE(Select(u"Web/restart nginx"));
    tree.Copy();
    ASSERT_EQ(clipboard.content.size(), 2u);
    EXPECT_TRUE(clipboard.content.contains(CommandTreeBase::TreeClipboardFormat()));
    // The host's button bar can take it as a single button, from the pane.
    int origin = 0;
    EXPECT_TRUE(IsButtonOnClipboard(origin));
    EXPECT_EQ(origin, kClipboardOriginCommandManager);
    ProfileUserButtonMap* read = nullptr;
    ASSERT_TRUE(CopyButtonFromClipboard(&read, origin));
    VUnknownPointer<ProfileUserButtonMap> button(read);
    EXPECT_EQ(button->GetName(), VUnicodeString(u"temp copy"));
    EXPECT_EQ(button->GetItem(0).Argument, VUnicodeString(u"sudo systemctl restart nginx"));
    // ... and the pane itself does not relabel its Paste for its own copy.
    tree.UpdateClipboardFlags();
    EXPECT_TRUE(tree.IsOwnRecordOnClipboard());
    EXPECT_FALSE(tree.IsButtonOnClipboard());
    EXPECT_EQ(tree.PasteMenuLabel(u"&Paste\tCtrl+V"), VUnicodeString(u"&Paste\tCtrl+V"));

    ASSERT_TRUE(Select(u"Web"));
    tree.Copy();
    EXPECT_TRUE(IsButtonBarOnClipboard(origin));
    EXPECT_EQ(origin, kClipboardOriginCommandManager);

    // Another host's record is no record of this pane.
    sink.identity = u"host-2";
    tree.UpdateClipboardFlags();
    EXPECT_FALSE(tree.IsOwnRecordOnClipboard());
    EXPECT_FALSE(tree.CanPaste());

    clipboard.refuseSet = true;
    sink.identity = u"host-1";
    tree.Copy();
    EXPECT_EQ(LastMessage(), u"ERROR: Unable to copy item to clipboard");
}

TEST_P(CommandTree, PastingAFolderIntoItselfOrBelowItIsRefused)
{
    ASSERT_TRUE(Select(u"Web"));
    tree.Cut();
    EXPECT_TRUE(tree.IsItemCut(tree.Find(u"Commands/Web")));
    ASSERT_TRUE(Select(u"Web/Logs"));
    tree.Paste();
    EXPECT_EQ(LastMessage(), u"Cannot copy or move a parent folder into a child");
    ASSERT_TRUE(Select(u"Web/Logs/tail")); // a command in a subfolder: the same
    tree.Paste();
    EXPECT_EQ(LastMessage(), u"Cannot copy or move a parent folder into a child");
    ASSERT_TRUE(Select(u"Web"));
    tree.Paste();
    EXPECT_EQ(LastMessage(), u"Cannot copy a folder into itself");
    EXPECT_EQ(box.shown.size(), 3u);
    EXPECT_EQ(Db().GetSubfolders(u"Web"), VStringArray{u"Logs"});
    EXPECT_EQ(Db().GetSubfolders(u""), VStringArray{u"Web"});
    EXPECT_EQ(Texts(u"Web/Logs"), std::vector<std::u16string>{u"tail"});
}

TEST_P(CommandTree, CopiesAndMovesFoldersAndCommands)
{
    Db().CreateFolder(u"", u"Ops");
    tree.Fill();
    // A copied folder takes its commands and subfolders along.
    ASSERT_TRUE(Select(u"Web"));
    tree.Copy();
    ASSERT_TRUE(Select(u"Ops"));
    tree.Paste();
    EXPECT_EQ(Texts(u"Ops/Web"), (std::vector<std::u16string>{u"uptime", u"restart nginx"}));
    EXPECT_EQ(Texts(u"Ops/Web/Logs"), std::vector<std::u16string>{u"tail"});
    EXPECT_EQ(Texts(u"Web").size(), 2u);
    EXPECT_EQ(tree.GetFolderPath(tree.GetSelected()), VUnicodeString(u"Ops/Web"));
    ASSERT_TRUE(Select(u"Ops"));
    tree.Paste(); // again: a free name
    EXPECT_TRUE(Db().FolderExists(u"Ops/Web (1)"));

    // A cut command pasted after another one moves there, once.
    ASSERT_TRUE(Select(u"top"));
    tree.Cut();
    ASSERT_TRUE(Select(u"Web/uptime"));
    tree.Paste();
    EXPECT_EQ(Texts(u"Web"), (std::vector<std::u16string>{u"uptime", u"top", u"restart nginx"}));
    EXPECT_TRUE(Texts(u"").empty());
    EXPECT_EQ(tree.GetItemText(tree.GetSelected()), VUnicodeString(u"top"));
    tree.UpdateClipboardFlags();
    EXPECT_FALSE(tree.IsOwnRecordOnClipboard()) << "a cut is pasted once";
    tree.Paste();
    EXPECT_EQ(Texts(u"Web").size(), 3u);

    // A cut folder moves.
    ASSERT_TRUE(Select(u"Ops/Web"));
    tree.Cut();
    ASSERT_TRUE(Select(u"Web/Logs"));
    tree.Paste();
    EXPECT_TRUE(Db().FolderExists(u"Web/Logs/Web"));
    EXPECT_FALSE(Db().FolderExists(u"Ops/Web"));
    EXPECT_EQ(tree.GetFolderPath(tree.GetSelected()), VUnicodeString(u"Web/Logs/Web"));
}

TEST_P(CommandTree, PastesButtonsAndBarsFromTheHostsButtonBar)
{
    ProfileUserButtonMap bar(nullptr, u"Deploy");
    bar.Insert(0, Send(u"git pull"));
    bar.Insert(1, Send(u"make install"));
    ASSERT_TRUE(CopyButtonBarToClipboard(bar, kClipboardOriginButtonBar));
    ASSERT_TRUE(Select(u"Web/uptime"));
    tree.UpdateClipboardFlags();
    EXPECT_TRUE(tree.CanPaste());
    EXPECT_EQ(tree.PasteMenuLabel(u"&Paste\tCtrl+V"), VUnicodeString(u"&Paste Button Bar\tCtrl+V"));
    tree.Paste();
    EXPECT_EQ(tree.GetFolderPath(tree.GetSelected()), VUnicodeString(u"Web/Deploy"));
    ASSERT_TRUE(Select(u"Web/uptime"));
    tree.Paste();
    EXPECT_EQ(Texts(u"Web/Deploy"), (std::vector<std::u16string>{u"git pull", u"make install"}));
    EXPECT_EQ(Texts(u"Web/Deploy (1)").size(), 2u);

    ProfileUserButtonMap one(nullptr, u"x");
    one.Insert(0, Send(u"whoami"));
    ASSERT_TRUE(CopyButtonToClipboard(one, kClipboardOriginButtonBar));
    tree.UpdateClipboardFlags();
    EXPECT_EQ(tree.PasteMenuLabel(u"&Paste\tCtrl+V"), VUnicodeString(u"&Paste Button\tCtrl+V"));
    ASSERT_TRUE(Select(u"Web/uptime"));
    tree.Paste(); // after the selected command
    ASSERT_TRUE(Select(u"Web/Logs"));
    tree.Paste(); // at the end of the folder
    EXPECT_EQ(Texts(u"Web"), (std::vector<std::u16string>{u"uptime", u"whoami", u"restart nginx"}));
    EXPECT_EQ(Texts(u"Web/Logs"), (std::vector<std::u16string>{u"tail", u"whoami"}));

    // From the pane itself (origin 1) a bare button is not offered.
    ASSERT_TRUE(CopyButtonToClipboard(one, kClipboardOriginCommandManager));
    tree.UpdateClipboardFlags();
    EXPECT_FALSE(tree.CanPaste());

    // A bar whose name cannot be a folder's leaves the store alone.
    ProfileUserButtonMap odd(nullptr, u"a/b");
    odd.Insert(0, Send(u"id"));
    ASSERT_TRUE(CopyButtonBarToClipboard(odd, kClipboardOriginButtonBar));
    tree.Paste();
    EXPECT_EQ(LastMessage(), u"Failed to create folder:\r\na/b");
    EXPECT_EQ(Db().GetSubfolders(u"Web/Logs"), VStringArray());
}

TEST_P(CommandTree, DeleteAsksAndSelectsTheNeighbour)
{
    ASSERT_TRUE(Select(u"Web/uptime"));
    box.answer = kIdNo;
    tree.Delete();
    EXPECT_EQ(LastMessage(), u"Are you sure you want to delete the selected item?");
    EXPECT_EQ(box.shown.back().style, unsigned{kMbYesNo | kMbIconExclamation});
    EXPECT_EQ(Texts(u"Web").size(), 2u);
    box.answer = kIdYes;
    tree.Delete();
    EXPECT_EQ(Texts(u"Web"), std::vector<std::u16string>{u"restart nginx"});
    EXPECT_EQ(tree.GetItemText(tree.GetSelected()), VUnicodeString(u"restart nginx"));
    EXPECT_EQ(tree.GetCommandInfo(tree.GetSelected())->GetPosition(), 0u);

    ASSERT_TRUE(Select(u"Web"));
    tree.Delete();
    EXPECT_FALSE(Db().FolderExists(u"Web/Logs"));
    EXPECT_FALSE(Db().FolderExists(u"Web"));
    EXPECT_EQ(tree.Outline(), (Lines{"Commands/", "  top"}));

    tree.SelectItem(tree.GetRootItem());
    EXPECT_FALSE(tree.CanDelete());
}

TEST_P(CommandTree, PropertiesStoreWhatTheHostChanged)
{
    ASSERT_TRUE(Select(u"Web/Logs"));
    EXPECT_FALSE(tree.CanEditProperties());
    ASSERT_TRUE(Select(u"Web/restart nginx"));
    sink.editAnswer = false;
    sink.edit = [](Item& item) { item.Label = u"never"; };
    tree.Properties();
    EXPECT_EQ(tree.GetItemText(tree.GetSelected()), VUnicodeString(u"restart nginx"));
    sink.editAnswer = true;
    sink.edit = [](Item& item) { item.Label = u"reload nginx"; };
    tree.Properties();
    EXPECT_EQ(Texts(u"Web"), (std::vector<std::u16string>{u"uptime", u"reload nginx"}));
    EXPECT_EQ(tree.GetItemText(tree.GetSelected()), VUnicodeString(u"reload nginx"));
}

TEST_P(CommandTree, FiltersByFolderAndCommandText)
{
    tree.ApplyFilter(u"Web/u");
    EXPECT_EQ(tree.Outline(), (Lines{"Commands/", "  Web/", "    uptime"}));
    EXPECT_EQ(tree.GetItemText(tree.GetSelected()), VUnicodeString(u"uptime"));
    tree.ApplyFilter(u"Logs");
    EXPECT_EQ(tree.Outline(), (Lines{"Commands/", "  Web/", "    Logs/"})) << "kept for its own name";
    tree.ClearFilter();
    EXPECT_EQ(tree.Outline().size(), 7u);
}

TEST_P(CommandTree, DragsMoveCommandsWithinTheirList)
{
    ASSERT_TRUE(Select(u"Web/restart nginx"));
    const std::vector<uint8_t> data = tree.BeginDrag(false);
    ASSERT_FALSE(data.empty());
    const TreeItem uptime = tree.Find(u"Commands/Web/uptime");
    keys.held = kKeyShift | kKeyControl;
    EXPECT_EQ(tree.OnDragOver(data, 4, tree.RowY(uptime, 1)), unsigned{ITreeOleDropTargetSink::kEffectNone});
    keys.held = 0;
    EXPECT_TRUE(tree.OnDrop(data, ITreeOleDropTargetSink::kEffectMove, 4, tree.RowY(uptime, 1)));
    tree.EndDrag();
    EXPECT_EQ(Texts(u"Web"), (std::vector<std::u16string>{u"restart nginx", u"uptime"}));

    // Folders dropped at the edge of a folder go beside it, in the user's order.
    Db().CreateFolder(u"", u"Ops");
    tree.Fill();
    tree.ExpandAllFolders();
    ASSERT_TRUE(Select(u"Ops"));
    std::vector<uint8_t> ops = tree.BeginDrag(false);
    EXPECT_TRUE(tree.OnDrop(ops, ITreeOleDropTargetSink::kEffectMove, 4, tree.RowY(tree.Find(u"Commands/Web"), 1)));
    tree.EndDrag();
    EXPECT_EQ(Db().GetSubfolders(u""), (VStringArray{u"Ops", u"Web"}));
    ASSERT_TRUE(Select(u"Web/Logs"));
    ops = tree.BeginDrag(false);
    const TreeItem opsItem = tree.Find(u"Commands/Ops");
    EXPECT_TRUE(tree.OnDrop(ops, ITreeOleDropTargetSink::kEffectMove, 4,
                            tree.RowY(opsItem, MemoryCommandTree::kRowHeight - 1)));
    tree.EndDrag();
    EXPECT_EQ(Db().GetSubfolders(u""), (VStringArray{u"Ops", u"Logs", u"Web"}));
    EXPECT_EQ(Texts(u"Logs"), std::vector<std::u16string>{u"tail"});

    // A folder never drops into its own subfolder.
    Db().CreateFolder(u"Web", u"Logs");
    tree.Fill();
    tree.ExpandAllFolders();
    ASSERT_TRUE(Select(u"Web"));
    const std::vector<uint8_t> folder = tree.BeginDrag(false);
    EXPECT_EQ(tree.OnDragOver(folder, 4, tree.RowY(tree.Find(u"Commands/Web/Logs"))),
              unsigned{ITreeOleDropTargetSink::kEffectNone});
    tree.EndDrag();
}

TEST_P(CommandTree, StoreOperationsLeaveTheStoreAsItWasWhenRefused)
{
    VUnicodeString name;
    EXPECT_FALSE(Db().MoveFolder(u"Web", u"Web/Logs", name));
    EXPECT_FALSE(Db().CopyFolder(u"Web", u"Web", name));
    EXPECT_FALSE(Db().DeleteFolder(u"Nowhere"));
    bool taken = false;
    Db().CreateFolder(u"", u"Ops");
    EXPECT_FALSE(Db().RenameFolder(u"Ops", u"web", &taken));
    EXPECT_TRUE(taken);
    EXPECT_FALSE(Db().RenameFolder(u"Ops", u"a\\b"));
    EXPECT_TRUE(Db().RenameFolder(u"Ops", u"OPS"));
    EXPECT_EQ(Db().GetSubfolders(u""), (VStringArray{u"Web", u"OPS"}));
    EXPECT_FALSE(Db().RemoveCommand(u"Web", 7));
    EXPECT_FALSE(Db().CreateFolderWithCommands(u"", u"Web", {Send(u"x")}));
    EXPECT_EQ(Texts(u"Web").size(), 2u);

    recorder->refuseRename = true;
    EXPECT_FALSE(Db().MoveFolder(u"Web/Logs", u"OPS", name));
    EXPECT_TRUE(Db().FolderExists(u"Web/Logs"));
    EXPECT_EQ(Db().GetSubfolders(u"OPS"), VStringArray());
    EXPECT_EQ(Db().GetSubfolders(u"Web"), VStringArray{u"Logs"});
}

} // namespace
