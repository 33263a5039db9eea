// The Active Sessions tree's rules, against a control that keeps its rows
// in memory and a host sink that records what it was asked.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "CommandIds.h"
#include "commands/ActiveSessionTreeBase.h"

namespace {

using Ref = ActiveSessionItemRef;
using Sink = IActiveSessionManagerSink;

struct RecordingSink final : IActiveSessionManagerSink {
    std::vector<ActiveSessionId> activated;
    std::vector<std::pair<ActiveSessionId, int>> actions;
    std::vector<int> disabled;
    void ActivateSession(ActiveSessionId id) override { activated.push_back(id); }
    void RunSessionAction(ActiveSessionId id, int action) override { actions.emplace_back(id, action); }
    bool IsSessionActionEnabled(ActiveSessionId, int action) override
    {
        return std::find(disabled.begin(), disabled.end(), action) == disabled.end();
    }
    IActiveSessionManager* GetActiveSessionManager() const override { return nullptr; }
    void SetActiveSessionManager(IActiveSessionManager*) override {}
};

// What a control shows: group rows with their item rows.
struct ShownItem {
    Ref ref;
    std::u16string name;
    int image = 0;
    bool operator==(const ShownItem&) const = default;
};
struct ShownGroup {
    int group = 0;
    std::u16string label;
    bool expanded = false;
    std::vector<ShownItem> items;
};

class MemoryActiveSessionTree final : public ActiveSessionTreeBase {
public:
    using ActiveSessionTreeBase::ActiveSessionTreeBase;

    std::vector<ShownGroup> rows;
    std::optional<std::pair<size_t, std::optional<size_t>>> selection;
    int posts = 0;
    bool timerRunning = false;

    void SelectAt(size_t groupRow, std::optional<size_t> itemRow) { SelectRow(groupRow, itemRow); }

protected:
    void InsertGroupRow(size_t row, int group, const VUnicodeString& label) override
    {
        ASSERT_LE(row, rows.size());
        rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(row), ShownGroup{group, std::u16string(label), false, {}});
        if (selection && selection->first >= row)
            ++selection->first;
    }
    void RemoveGroupRow(size_t row) override
    {
        ASSERT_LT(row, rows.size());
        rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(row));
        if (selection && selection->first == row)
            selection.reset();
        else if (selection && selection->first > row)
            --selection->first;
    }
    void InsertItemRow(size_t groupRow, size_t row, const Ref& item, const VUnicodeString& name, int image) override
    {
        ASSERT_LT(groupRow, rows.size());
        auto& items = rows[groupRow].items;
        ASSERT_LE(row, items.size());
        items.insert(items.begin() + static_cast<std::ptrdiff_t>(row), ShownItem{item, std::u16string(name), image});
        if (selection && selection->first == groupRow && selection->second && *selection->second >= row)
            ++*selection->second;
    }
    void RemoveItemRow(size_t groupRow, size_t row) override
    {
        ASSERT_LT(groupRow, rows.size());
        auto& items = rows[groupRow].items;
        ASSERT_LT(row, items.size());
        items.erase(items.begin() + static_cast<std::ptrdiff_t>(row));
        if (selection && selection->first == groupRow && selection->second) {
            if (*selection->second == row)
                selection.reset();
            else if (*selection->second > row)
                --*selection->second;
        }
    }
    void SetItemRowText(size_t groupRow, size_t row, const VUnicodeString& name) override
    {
        ASSERT_LT(groupRow, rows.size());
        ASSERT_LT(row, rows[groupRow].items.size());
        rows[groupRow].items[row].name = std::u16string(name);
    }
    void SetItemRowImage(size_t groupRow, size_t row, int image) override
    {
        ASSERT_LT(groupRow, rows.size());
        ASSERT_LT(row, rows[groupRow].items.size());
        rows[groupRow].items[row].image = image;
    }
    void SetGroupRowExpanded(size_t groupRow, bool expand) override
    {
        ASSERT_LT(groupRow, rows.size());
        rows[groupRow].expanded = expand;
    }
    void ClearRows() override
    {
        rows.clear();
        selection.reset();
    }
    bool GetSelectedRow(size_t& groupRow, std::optional<size_t>& itemRow) const override
    {
        if (!selection)
            return false;
        groupRow = selection->first;
        itemRow = selection->second;
        return true;
    }
    void SelectRow(size_t groupRow, std::optional<size_t> itemRow) override { selection = {groupRow, itemRow}; }
    void PostActivation() override { ++posts; }
    void StartTimer(int, uint32_t) override { timerRunning = true; }
    void StopTimer(int) override { timerRunning = false; }
};

VUnicodeString U(const char16_t* s)
{
    return VUnicodeString(std::u16string_view(s));
}

class ActiveTree : public ::testing::Test {
protected:
    RecordingSink sink;
    MemoryActiveSessionTree tree{&sink};

    void Event(int event, int group, const char16_t* name, int image, ActiveSessionId id)
    {
        tree.OnEvent(event, group, U(name), image, id);
    }
    std::vector<std::u16string> Names(size_t groupRow) const
    {
        std::vector<std::u16string> names;
        for (const ShownItem& item : tree.rows.at(groupRow).items)
            names.push_back(item.name);
        return names;
    }
};

TEST_F(ActiveTree, GroupsAreLabelledAndOrderedAndEmptyOnesGoAway)
{
    Event(1, 1, u"notes.txt", 6, 30);
    Event(1, 0, u"web01", 0, 10);
    Event(1, 0, u"db01", 1, 11);
    Event(1, 5, u"other", 2, 50);
    ASSERT_EQ(tree.rows.size(), 3u);
    EXPECT_EQ(tree.rows[0].label, u"Active");
    EXPECT_EQ(tree.rows[1].label, u"Editors");
    EXPECT_EQ(tree.rows[2].label, u"");
    EXPECT_TRUE(tree.rows[0].expanded);
    EXPECT_EQ(Names(0), (std::vector<std::u16string>{u"web01", u"db01"}));

    // The same identifier again changes nothing, even with another name.
    Event(1, 0, u"web01 again", 4, 10);
    EXPECT_EQ(Names(0), (std::vector<std::u16string>{u"web01", u"db01"}));
    EXPECT_EQ(tree.rows[0].items[0].image, 0);

    Event(2, 1, u"", 0, 30);
    ASSERT_EQ(tree.rows.size(), 2u);
    EXPECT_EQ(tree.rows[1].group, 5);
    // Removing what is unknown, or from the wrong group, does nothing.
    Event(2, 0, u"", 0, 99);
    Event(2, 5, u"", 0, 10);
    Event(2, 42, u"", 0, 10);
    EXPECT_EQ(tree.rows.size(), 2u);
    EXPECT_EQ(Names(0).size(), 2u);

    Event(5, 0, u"", 0, 0);
    EXPECT_TRUE(tree.rows.empty());
    EXPECT_TRUE(tree.Groups().empty());
    // Unknown events are ignored.
    Event(0, 0, u"x", 0, 1);
    Event(9, 0, u"x", 0, 1);
    EXPECT_TRUE(tree.rows.empty());
}

TEST_F(ActiveTree, RenameAddsTheUnknownAndStateChangeKeepsEditorsOnTheirImage)
{
    Event(3, 0, u"fresh", 3, 7);
    ASSERT_EQ(tree.rows.size(), 1u);
    EXPECT_EQ(tree.rows[0].items[0], (ShownItem{Ref{1, 0, 7}, u"fresh", 3}));
    Event(3, 0, u"renamed", 9, 7);
    EXPECT_EQ(tree.rows[0].items[0].name, u"renamed");
    EXPECT_EQ(tree.rows[0].items[0].image, 3); // a rename keeps the image

    Event(4, 0, u"", 2, 7);
    EXPECT_EQ(tree.rows[0].items[0].image, 2);
    Event(1, 1, u"notes.txt", 0, 8);
    Event(4, 1, u"", 2, 8);
    EXPECT_EQ(tree.rows[1].items[0].image, ActiveSessionTreeBase::kEditorImage);
    // A state change of what is unknown adds nothing.
    Event(4, 0, u"", 2, 99);
    Event(4, 3, u"", 2, 7);
    EXPECT_EQ(tree.rows.size(), 2u);
    EXPECT_EQ(tree.rows[0].items.size(), 1u);
}

TEST_F(ActiveTree, ActionsGoToTheSinkForSessionsOnlyAndGroupsDoNothing)
{
    Event(1, 0, u"web01", 0, 10);
    Event(1, 1, u"notes.txt", 6, 30);

    tree.SelectAt(0, std::nullopt); // the group "Active"
    EXPECT_EQ(tree.ContextMenuKind(), ActiveSessionTreeBase::MenuKind::Group);
    for (unsigned command = kCmdActivateSession; command <= kCmdEditorLock; ++command) {
        EXPECT_FALSE(tree.IsCommandEnabled(command)) << command;
        EXPECT_FALSE(tree.RunCommand(command)) << command;
    }
    EXPECT_TRUE(sink.actions.empty());
    EXPECT_TRUE(sink.activated.empty());

    tree.SelectAt(0, 0);
    EXPECT_EQ(tree.ContextMenuKind(), ActiveSessionTreeBase::MenuKind::Session);
    const std::pair<unsigned, int> expected[] = {
        {kCmdActiveSessionRename, 0}, {kCmdActiveSessionResetName, 1}, {kCmdActiveSessionReconnect, 2},
        {kCmdActiveSessionDisconnect, 3}, {kCmdCloseSession, 4}, {kCmdActiveSessionLock, 5},
        {kCmdActiveSessionClone, 7}, {kCmdActiveSessionOptions, 8}, {kCmdActiveSessionSave, 9},
        {kCmdEditorSave, 10}, {kCmdEditorSaveAs, 11}, {kCmdEditorLock, 12}};
    for (const auto& [command, action] : expected) {
        EXPECT_EQ(ActiveSessionTreeBase::ActionForCommand(command), action);
        EXPECT_TRUE(tree.RunCommand(command));
        ASSERT_FALSE(sink.actions.empty());
        EXPECT_EQ(sink.actions.back(), std::make_pair(ActiveSessionId{10}, action));
    }
    EXPECT_EQ(sink.actions.size(), 12u);
    // The host's enable test decides.
    sink.disabled = {3};
    EXPECT_FALSE(tree.IsCommandEnabled(kCmdActiveSessionDisconnect));
    EXPECT_TRUE(tree.IsCommandEnabled(kCmdActiveSessionReconnect));

    tree.SelectAt(1, 0);
    EXPECT_EQ(tree.ContextMenuKind(), ActiveSessionTreeBase::MenuKind::Editor);

    // Without a sink nothing runs.
    MemoryActiveSessionTree lonely(nullptr);
    lonely.OnEvent(1, 0, U(u"web01"), 0, 10);
    lonely.SelectAt(0, 0);
    EXPECT_FALSE(lonely.RunCommand(kCmdCloseSession));
    EXPECT_FALSE(lonely.IsCommandEnabled(kCmdCloseSession));
}

// No command the menus or keys offer may be enabled and then do nothing.
TEST_F(ActiveTree, EveryEnabledCommandRunsInEverySelection)
{
    const unsigned commands[] = {kCmdActivateSession,        kCmdCloseSession,         kCmdActiveSessionRename,
                                 kCmdActiveSessionResetName, kCmdActiveSessionReconnect, kCmdActiveSessionDisconnect,
                                 kCmdActiveSessionLock,      kCmdActiveSessionClone,   kCmdActiveSessionOptions,
                                 kCmdActiveSessionSave,      kCmdEditorSave,           kCmdEditorSaveAs,
                                 kCmdEditorLock,             kCmdExpandAllFolders,     kCmdCollapseAllFolders};
    auto check = [&](const char* state) {
        for (const unsigned command : commands) {
            const size_t before = sink.actions.size() + sink.activated.size();
            if (tree.IsCommandEnabled(command)) {
                EXPECT_TRUE(tree.RunCommand(command)) << state << " " << command;
                const bool reachesHost = command != kCmdExpandAllFolders && command != kCmdCollapseAllFolders;
                EXPECT_EQ(sink.actions.size() + sink.activated.size(), before + (reachesHost ? 1 : 0))
                    << state << " " << command;
            } else {
                EXPECT_FALSE(tree.RunCommand(command) && command != kCmdExpandAllFolders &&
                             command != kCmdCollapseAllFolders)
                    << state << " " << command;
            }
        }
    };
    check("empty");
    Event(1, 0, u"web01", 0, 10);
    Event(1, 1, u"notes", 6, 30);
    check("nothing selected");
    tree.SelectAt(0, std::nullopt);
    check("group");
    tree.SelectAt(0, 0);
    check("session");
    tree.SelectAt(1, 0);
    check("editor");
    EXPECT_EQ(sink.activated.size(), 2u);
    EXPECT_EQ(sink.actions.size(), 24u);
}

TEST_F(ActiveTree, DoubleClickActivatesLaterAndOnlyWhatIsStillThere)
{
    Event(1, 0, u"web01", 0, 10);
    Event(1, 0, u"db01", 0, 11);
    tree.OnItemDoubleClicked(Ref{1, 0, 10});
    EXPECT_EQ(tree.posts, 1);
    EXPECT_TRUE(sink.activated.empty()); // deferred
    tree.OnDeferredActivation();
    EXPECT_EQ(sink.activated, std::vector<ActiveSessionId>{10});

    // Closed before the deferred activation ran.
    tree.OnItemDoubleClicked(Ref{1, 0, 11});
    Event(2, 0, u"", 0, 11);
    tree.OnDeferredActivation();
    EXPECT_EQ(sink.activated.size(), 1u);

    // A group and empty space activate nothing.
    tree.OnItemDoubleClicked(Ref{2, 0, 0});
    tree.OnDeferredActivation();
    tree.OnItemDoubleClicked(std::nullopt);
    tree.OnDeferredActivation();
    EXPECT_EQ(sink.activated.size(), 1u);
}

TEST_F(ActiveTree, ExpandAndCollapseAllReachEveryGroup)
{
    Event(1, 0, u"web01", 0, 10);
    Event(1, 1, u"notes", 6, 30);
    tree.CollapseAllGroups();
    EXPECT_FALSE(tree.rows[0].expanded);
    EXPECT_FALSE(tree.rows[1].expanded);
    EXPECT_TRUE(tree.RunCommand(kCmdExpandAllFolders));
    EXPECT_TRUE(tree.rows[0].expanded && tree.rows[1].expanded);
    tree.CollapseAllGroups();
    Event(2, 1, u"", 0, 30);
    Event(1, 1, u"other", 6, 31);
    EXPECT_TRUE(tree.rows[1].expanded); // a new group starts expanded
    EXPECT_FALSE(tree.rows[0].expanded);
}

TEST_F(ActiveTree, FilterNarrowsByNameAndRenamesAreCheckedAgain)
{
    Event(1, 0, u"web01", 0, 10);
    Event(1, 0, u"db01", 0, 11);
    Event(1, 1, u"web.conf", 6, 30);
    tree.SelectAt(0, 1); // db01
    tree.CollapseAllGroups();
    tree.FilterTextChanged(U(u"web"));
    EXPECT_TRUE(tree.timerRunning);
    EXPECT_EQ(tree.rows.size(), 2u); // the timer has not fired
    EXPECT_EQ(Names(0).size(), 2u);
    tree.OnFilterTimer();
    ASSERT_EQ(tree.rows.size(), 2u);
    EXPECT_EQ(Names(0), std::vector<std::u16string>{u"web01"});
    EXPECT_TRUE(tree.rows[0].expanded);
    EXPECT_EQ(tree.Selected(), (Ref{1, 0, 10})); // the first match

    // Renamed out of the filter: removed; renamed into it: back.
    Event(3, 0, u"mail01", 0, 10);
    ASSERT_EQ(tree.rows.size(), 1u);
    EXPECT_EQ(tree.rows[0].group, 1);
    Event(3, 0, u"web02", 0, 11);
    ASSERT_EQ(tree.rows.size(), 2u);
    EXPECT_EQ(Names(0), std::vector<std::u16string>{u"web02"});
    // Added while filtered: only what passes shows.
    Event(1, 0, u"ftp", 0, 12);
    EXPECT_EQ(Names(0), std::vector<std::u16string>{u"web02"});

    // Group labels filter where folders would: "Editors/" lists no name.
    tree.ApplyFilter(U(u"edit/conf"));
    ASSERT_EQ(tree.rows.size(), 1u);
    EXPECT_EQ(Names(0), std::vector<std::u16string>{u"web.conf"});
    // An empty group stays for its own name.
    tree.ApplyFilter(U(u"activ"));
    ASSERT_EQ(tree.rows.size(), 1u);
    EXPECT_EQ(tree.rows[0].label, u"Active");
    EXPECT_TRUE(tree.rows[0].items.empty());

    // Ending the filter gives back everything, the selection and the folds.
    tree.ClearFilter();
    ASSERT_EQ(tree.rows.size(), 2u);
    EXPECT_EQ(Names(0), (std::vector<std::u16string>{u"mail01", u"web02", u"ftp"}));
    EXPECT_FALSE(tree.rows[0].expanded);
    EXPECT_FALSE(tree.rows[1].expanded);
    EXPECT_EQ(tree.Selected(), (Ref{1, 0, 11}));
}

// A random run of host events, filters, clicks and commands against a
// plain model of what the tree should show.
struct ModelEntry {
    ActiveSessionId id;
    std::u16string name;
    int image;
};

std::u16string Lower(std::u16string s)
{
    for (char16_t& c : s)
        if (c < 128)
            c = static_cast<char16_t>(std::tolower(static_cast<int>(c)));
    return s;
}
bool ContainsNoCaseAscii(const std::u16string& text, const std::u16string& part)
{
    return Lower(text).find(Lower(part)) != std::u16string::npos;
}

struct Filter {
    std::u16string text;
    bool folderOn = false;
    std::u16string folder;
    std::u16string name;
    bool Active() const { return !text.empty(); }
    bool Passes(const std::u16string& label, const std::u16string& entry) const
    {
        if (!Active())
            return true;
        if (name.empty() || !ContainsNoCaseAscii(entry, name))
            return false;
        return !folderOn || (!folder.empty() && ContainsNoCaseAscii(label, folder));
    }
    bool KeepsGroup(const std::u16string& label) const
    {
        return Active() && !folderOn && ContainsNoCaseAscii(label, name);
    }
};

Filter MakeFilter(const std::u16string& text)
{
    Filter f;
    f.text = text;
    const size_t slash = text.find(u'/');
    if (slash == std::u16string::npos) {
        f.name = text;
    } else {
        f.folderOn = true;
        f.folder = text.substr(0, slash);
        f.name = text.substr(slash + 1);
    }
    return f;
}

std::u16string ModelLabel(int group)
{
    return group == 0 ? u"Active" : group == 1 ? u"Editors" : u"";
}

TEST(ActiveTreeRandom, EventSequencesMatchAPlainModel)
{
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };

    RecordingSink sink;
    MemoryActiveSessionTree tree(&sink);
    std::map<int, std::vector<ModelEntry>> model;
    Filter filter;
    const int groups[] = {0, 1, 2, 7, -3};
    const char16_t* names[] = {u"web01", u"WEB02", u"db01", u"db1", u"notes", u"a", u"", u"Mail"};
    const char16_t* filters[] = {u"", u"web", u"1", u"db", u"edit", u"ti/", u"ti/0", u"act", u"zz", u"/"};
    std::vector<ActiveSessionId> expectedActivations;
    std::vector<std::pair<ActiveSessionId, int>> expectedActions;

    for (int step = 0; step < 4000; ++step) {
        SCOPED_TRACE(::testing::Message() << "step " << step);
        const int what = pick(20);
        const int group = groups[pick(5)];
        const ActiveSessionId id = static_cast<ActiveSessionId>(pick(6));
        const std::u16string name = names[pick(8)];
        const int image = pick(12) - 1;
        auto& entries = model[group];
        auto found = std::find_if(entries.begin(), entries.end(), [&](const ModelEntry& e) { return e.id == id; });

        if (what < 6) {
            tree.OnEvent(1, group, VUnicodeString(std::u16string_view(name)), image, id);
            if (found == entries.end())
                entries.push_back({id, name, image});
        } else if (what < 10) {
            tree.OnEvent(2, group, VUnicodeString(), image, id);
            if (found != entries.end())
                entries.erase(found);
        } else if (what < 13) {
            tree.OnEvent(3, group, VUnicodeString(std::u16string_view(name)), image, id);
            if (found == entries.end())
                entries.push_back({id, name, image});
            else
                found->name = name;
        } else if (what < 15) {
            tree.OnEvent(4, group, VUnicodeString(), image, id);
            if (found != entries.end())
                found->image = group == 1 ? 6 : image;
        } else if (what == 15) {
            const bool reset = pick(3) == 0;
            tree.OnEvent(reset ? 5 : 6 + pick(3), group, VUnicodeString(), image, id);
            if (reset)
                model.clear();
        } else if (what == 16) {
            filter = MakeFilter(filters[pick(10)]);
            tree.ApplyFilter(VUnicodeString(std::u16string_view(filter.text)));
        } else if (what == 17 && !tree.rows.empty()) {
            const size_t groupRow = static_cast<size_t>(pick(static_cast<int>(tree.rows.size())));
            const size_t count = tree.rows[groupRow].items.size();
            std::optional<size_t> itemRow;
            if (count && pick(3))
                itemRow = static_cast<size_t>(pick(static_cast<int>(count)));
            tree.SelectAt(groupRow, itemRow);
            const Ref ref = itemRow ? tree.rows[groupRow].items[*itemRow].ref
                                    : Ref{2, tree.rows[groupRow].group,
                                          static_cast<ActiveSessionId>(tree.rows[groupRow].group)};
            ASSERT_EQ(tree.Selected(), ref);
            const unsigned command = kCmdActivateSession + static_cast<unsigned>(pick(13));
            const bool ran = tree.RunCommand(command);
            if (ref.IsGroup()) {
                EXPECT_FALSE(ran);
            } else if (command == kCmdActivateSession) {
                expectedActivations.push_back(ref.number);
            } else if (ActiveSessionTreeBase::ActionForCommand(command) >= 0) {
                expectedActions.emplace_back(ref.number, ActiveSessionTreeBase::ActionForCommand(command));
            }
        } else if (what == 18 && !tree.rows.empty()) {
            const ShownGroup& row = tree.rows[static_cast<size_t>(pick(static_cast<int>(tree.rows.size())))];
            const Ref ref = row.items.empty() ? Ref{2, row.group, static_cast<ActiveSessionId>(row.group)}
                                              : row.items[static_cast<size_t>(pick(static_cast<int>(row.items.size())))].ref;
            tree.OnItemDoubleClicked(ref);
            // Sometimes the host closes it before the activation is handled.
            if (!ref.IsGroup() && pick(2)) {
                tree.OnEvent(2, ref.group, VUnicodeString(), 0, ref.number);
                std::erase_if(model[ref.group], [&](const ModelEntry& e) { return e.id == ref.number; });
            }
            const bool there = !ref.IsGroup() && tree.FindEntry(ref.group, ref.number);
            tree.OnDeferredActivation();
            if (there)
                expectedActivations.push_back(ref.number);
        } else if (what == 19) {
            pick(2) ? tree.ExpandAllGroups() : tree.CollapseAllGroups();
        }
        // The rows are exactly the model's entries that pass the filter.
        std::vector<std::pair<int, std::vector<ModelEntry>>> expected;
        for (const auto& [number, list] : model) {
            if (list.empty())
                continue;
            std::vector<ModelEntry> shown;
            for (const ModelEntry& e : list)
                if (filter.Passes(ModelLabel(number), e.name))
                    shown.push_back(e);
            if (!shown.empty() || filter.KeepsGroup(ModelLabel(number)))
                expected.emplace_back(number, shown);
        }
        ASSERT_EQ(tree.rows.size(), expected.size());
        for (size_t g = 0; g < expected.size(); ++g) {
            const ShownGroup& row = tree.rows[g];
            ASSERT_EQ(row.group, expected[g].first);
            ASSERT_EQ(row.label, ModelLabel(row.group));
            ASSERT_EQ(row.expanded, tree.IsGroupExpanded(row.group));
            ASSERT_EQ(row.items.size(), expected[g].second.size());
            for (size_t i = 0; i < row.items.size(); ++i) {
                const ModelEntry& e = expected[g].second[i];
                ASSERT_EQ(row.items[i], (ShownItem{Ref{1, row.group, e.id}, e.name, e.image}));
            }
        }
    }
    EXPECT_EQ(sink.activated, expectedActivations);
    EXPECT_EQ(sink.actions, expectedActions);
}

} // namespace
