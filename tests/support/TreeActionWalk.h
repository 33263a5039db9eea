#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FakeSessionTree.h"
#include "sessiontree/SessionTreeBase.h"

// One tree as the walk drives it: its logic, and what a user does around
// it (picking the selection, typing a label, answering its dialogs).
class WalkTree {
public:
    virtual ~WalkTree() = default;
    virtual SessionTreeBase& Logic() = 0;
    virtual void Select(const std::vector<TreeItem>& items) = 0;
    // The item whose label is being typed, or none.
    virtual TreeItem EditedItem() const = 0;
    virtual void FinishEdit(const VUnicodeString& text, bool cancelled) = 0;
    virtual void AnswerFind(const FindOptions& options) = 0;
};

// The owner of one walked tree: a change made through it refreshes the
// other tree, as the Connect dialog and the Session Manager do.
class WalkOwner final : public ISessionTreeOwner {
public:
    int GetHostKind() const override { return 3; }
    VUnicodeString GetDatabaseIdentity() const override { return u"walk"; }
    void OnSessionDatabaseChanged(int, int) override;
    void OnSessionDatabaseViewChanged() override;

    WalkTree* other = nullptr;
    // Set when the other tree was refilled, so it shows the database afresh.
    bool* otherRefilled = nullptr;
};

// Random user actions over two trees of one database, each followed by a
// check that both trees show what the database holds and that no handle
// the trees remember names freed memory. The tests draw the actions from a
// seeded generator; the fuzz target decodes them from its input.
class TreeActionWalk {
public:
    static constexpr int kActions = 18;

    // `makeFresh` makes another tree of the same control over the same
    // database: the reference a filtered tree is compared with.
    TreeActionWalk(WalkTree& a, WalkTree& b, std::function<std::unique_ptr<WalkTree>()> makeFresh);

    // Runs action `action % kActions` with argument `arg` and says what it did.
    std::string Step(unsigned action, uint32_t arg);
    // Empty when both trees are consistent, else what is wrong.
    std::string Check();

private:
    struct Side {
        WalkTree* tree;
        bool refilled = true; // shows the database as a fresh fill would
    };
    Side& Pick(uint32_t arg) { return m_sides[arg & 1]; }
    std::vector<TreeItem> Items(SessionTreeBase& tree) const;
    TreeItem ItemAt(SessionTreeBase& tree, uint32_t arg) const;
    std::string CheckTree(Side& side);
    void PokeStaleHandles(SessionTreeBase& tree);
    void OutsideChange(uint32_t arg);

    Side m_sides[2];
    std::function<std::unique_ptr<WalkTree>()> m_makeFresh;
    std::vector<TreeItem> m_seen[2];
};

// The control held in memory, walked.
class MemoryWalkTree final : public WalkTree {
public:
    explicit MemoryWalkTree(ISessionTreeOwner* owner) : tree(owner) { tree.Initialize(); }
    SessionTreeBase& Logic() override { return tree; }
    void Select(const std::vector<TreeItem>& items) override { tree.SetSelection(items); }
    TreeItem EditedItem() const override { return tree.GetEditedItem(); }
    void FinishEdit(const VUnicodeString& text, bool cancelled) override { tree.FinishLabelEdit(text, cancelled); }
    void AnswerFind(const FindOptions& options) override { tree.findAnswer = options; }
    FakeSessionTree tree;
};
