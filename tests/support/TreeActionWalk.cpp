#include "TreeActionWalk.h"

#include <algorithm>
#include <set>

#include "profile/sessions/SessionDatabase.h"
#include "sessiontree/TreeClipboardRecord.h"

namespace {

// Names that clash, differ only in case, carry blanks and dots to strip,
// or sort differently alphabetically and logically.
const char16_t* const kNames[] = {u"a", u"A", u"b", u"web", u"web (1)", u"New Folder", u"  x..  ", u"s1", u"s10", u"s9"};
const char16_t* const kFilters[] = {u"", u"a", u"web", u"*1", u"a/", u"/s", u"s?", u"", u"b/"};
const char16_t* const kFinds[] = {u"a", u"web", u"1", u"s"};
const char16_t* const kOutsideNames[] = {u"a", u"web", u"New Folder", u"s2", u"z"};

SessionDatabase& Db()
{
    return *GetSessionDatabaseImpl();
}

std::string U8(const VUnicodeString& text)
{
    return text.ToUtf8();
}

} // namespace

void WalkOwner::OnSessionDatabaseChanged(int, int)
{
    if (!other)
        return;
    other->Logic().Fill(VDockTreeBase::kFillDropCache);
    if (otherRefilled)
        *otherRefilled = true;
}

void WalkOwner::OnSessionDatabaseViewChanged()
{
    OnSessionDatabaseChanged(0, 0);
}

TreeActionWalk::TreeActionWalk(WalkTree& a, WalkTree& b, std::function<std::unique_ptr<WalkTree>()> makeFresh)
    : m_sides{{&a}, {&b}}, m_makeFresh(std::move(makeFresh))
{
}

// Every item the control holds, in tree order.
std::vector<TreeItem> TreeActionWalk::Items(SessionTreeBase& tree) const
{
    std::vector<TreeItem> items;
    std::vector<TreeItem> pending{tree.GetRootItem()};
    while (!pending.empty()) {
        const TreeItem item = pending.back();
        pending.pop_back();
        if (item == kNoTreeItem)
            continue;
        items.push_back(item);
        std::vector<TreeItem> children;
        for (TreeItem child = tree.GetChildItem(item); child != kNoTreeItem; child = tree.GetNextSiblingItem(child))
            children.push_back(child);
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return items;
}

TreeItem TreeActionWalk::ItemAt(SessionTreeBase& tree, uint32_t arg) const
{
    const std::vector<TreeItem> items = Items(tree);
    return items.empty() ? kNoTreeItem : items[(arg >> 1) % items.size()];
}

void TreeActionWalk::OutsideChange(uint32_t arg)
{
    // Another process changes the database; both trees hear of it.
    const std::vector<TreeItem> items = Items(m_sides[0].tree->Logic());
    const VUnicodeString path = items.size() > 1 ? m_sides[0].tree->Logic().GetItemPath(items[1 + (arg >> 3) % (items.size() - 1)])
                                                 : VUnicodeString();
    switch ((arg >> 1) % 3) {
    case 0: Db().CreateFolder(path.IsEmpty() || Db().IsSession(path) ? VUnicodeString() : path,
                              kOutsideNames[(arg >> 4) % std::size(kOutsideNames)], {}, false, nullptr);
        break;
    case 1:
        if (!path.IsEmpty())
            Db().DeleteItem(path, nullptr);
        break;
    default:
        if (!path.IsEmpty())
            Db().RenameItem(path, kOutsideNames[(arg >> 4) % std::size(kOutsideNames)], nullptr, nullptr);
        break;
    }
    for (Side& side : m_sides) {
        side.tree->Logic().Fill(VDockTreeBase::kFillDropCache);
        side.refilled = true;
    }
}

std::string TreeActionWalk::Step(unsigned action, uint32_t arg)
{
    Side& side = Pick(arg);
    Side& other = m_sides[&side == &m_sides[0] ? 1 : 0];
    SessionTreeBase& tree = side.tree->Logic();
    const std::string who = &side == &m_sides[0] ? "A." : "B.";
    // A label still being typed is ended first, as focus leaving does; a
    // refused name is given up at last.
    for (int tries = 0; side.tree->EditedItem() != kNoTreeItem && tries < 3; ++tries)
        side.tree->FinishEdit(kNames[(arg >> 5) % std::size(kNames)], tries > 0 || (arg & 0x10) != 0);
    const auto edited = [&] { side.refilled = !tree.IsFilterActive() && side.refilled; };
    switch (action % kActions) {
    case 0:
        side.tree->Select({ItemAt(tree, arg)});
        return who + "select " + U8(tree.GetItemPath(ItemAt(tree, arg)));
    case 1:
        side.tree->Select({ItemAt(tree, arg), ItemAt(tree, arg >> 8)});
        return who + "select two";
    case 2:
        tree.Cut();
        return who + "cut";
    case 3:
        tree.Copy();
        return who + "copy";
    case 4:
        tree.Paste();
        edited();
        return who + "paste";
    case 5:
        tree.Delete();
        edited();
        return who + "delete";
    case 6:
    case 7: {
        if (action % kActions == 6)
            tree.Rename();
        else
            tree.NewFolder();
        if (side.tree->EditedItem() != kNoTreeItem)
            side.tree->FinishEdit(kNames[(arg >> 1) % std::size(kNames)], (arg & 0x100) != 0);
        edited();
        return who + (action % kActions == 6 ? "rename to " : "new folder ") + U8(kNames[(arg >> 1) % std::size(kNames)]);
    }
    case 8:
        tree.NewSession();
        edited();
        return who + "new session";
    case 9: {
        // A drag from this tree dropped on the other.
        const std::vector<uint8_t> bytes = tree.BeginDrag((arg & 2) != 0);
        std::optional<TreeClipboardRecord> record = TreeClipboardRecord::Parse(bytes);
        const TreeItem target = ItemAt(other.tree->Logic(), arg >> 2);
        if (record) {
            record->isCut = (arg & 4) != 0;
            other.tree->Logic().PasteRecord(*record, target, static_cast<DropPosition>((arg >> 3) % 3));
        }
        tree.EndDrag();
        side.refilled = side.refilled && !record;
        other.refilled = !other.tree->Logic().IsFilterActive() && other.refilled;
        return who + "drag to the other";
    }
    case 10:
        tree.ApplyFilter(kFilters[(arg >> 1) % std::size(kFilters)]);
        side.refilled = true;
        return who + "filter " + U8(kFilters[(arg >> 1) % std::size(kFilters)]);
    case 11:
        side.tree->AnswerFind(FindOptions{kFinds[(arg >> 1) % std::size(kFinds)], true, false, false, (arg & 4) != 0,
                                          false});
        tree.Find();
        return who + "find";
    case 12:
        tree.FindNext();
        return who + "find next";
    case 13:
        tree.Fill(VDockTreeBase::kFillDropCache);
        side.refilled = true;
        return who + "refresh";
    case 14: {
        const TreeItem item = ItemAt(tree, arg);
        tree.ExpandItem(item, (arg & 0x200) == 0);
        return who + "expand or collapse";
    }
    case 15:
        tree.SetSortMode(static_cast<int>((arg >> 1) % 3));
        side.refilled = true;
        return who + "arrange " + std::to_string((arg >> 1) % 3);
    case 16:
        OutsideChange(arg);
        return "outside change";
    default:
        tree.ExpandAllFolders();
        return who + "expand all";
    }
}

// Calls item operations with handles whose items are gone: each must do
// nothing (the sanitizer sees any read of freed memory).
void TreeActionWalk::PokeStaleHandles(SessionTreeBase& tree)
{
    std::vector<TreeItem>& seen = m_seen[&tree == &m_sides[0].tree->Logic() ? 0 : 1];
    for (TreeItem item : Items(tree))
        seen.push_back(item);
    if (seen.size() > 512)
        seen.erase(seen.begin(), seen.end() - 512);
    int poked = 0;
    for (TreeItem item : seen) {
        if (tree.ItemExists(item) || ++poked > 8)
            continue;
        tree.SetItemCutLook(item, true);
        tree.SetItemText(item, u"stale");
        tree.ExpandItem(item, true);
        tree.EndLabelEdit(item, u"stale", false);
        tree.OnItemExpanding(item);
        (void)tree.GetItemPath(item);
        (void)tree.IsFolder(item);
        (void)tree.MoveItem(item, tree.GetRootItem(), kInsertLast);
    }
}

std::string TreeActionWalk::CheckTree(Side& side)
{
    SessionTreeBase& tree = side.tree->Logic();
    PokeStaleHandles(tree);
    const int mode = tree.GetSortMode();
    if (tree.GetRootItem() == kNoTreeItem)
        return "no root";
    for (TreeItem item : tree.RememberedItems())
        if (!tree.ItemExists(item) &&
            (tree.GetItemData(item) || !tree.GetItemText(item).IsEmpty() || tree.GetParentItem(item) != kNoTreeItem))
            return "a remembered handle of a removed item still answers";
    for (TreeItem item : Items(tree)) {
        const SessionTreeItemData* data = tree.GetItemData(item);
        if (!data)
            return "an item without its record";
        const VUnicodeString path = tree.GetItemPath(item);
        std::set<std::u16string> names;
        std::vector<VUnicodeString> folders;
        std::vector<VUnicodeString> sessions;
        for (TreeItem child = tree.GetChildItem(item); child != kNoTreeItem; child = tree.GetNextSiblingItem(child)) {
            const VUnicodeString name = tree.GetItemText(child);
            if (!names.insert(VUnicodeString::FoldCase(name.str())).second)
                return "two children named " + U8(name) + " in " + U8(path);
            const SessionTreeItemData* childData = tree.GetItemData(child);
            if (childData->isNewFolder)
                continue;
            (childData->isFolder ? folders : sessions).push_back(name);
        }
        if (data->isNewFolder)
            continue;
        // Unfiltered, the listings of the loaded folders below say it all.
        if (tree.IsFilterActive() && item != tree.GetRootItem() &&
            (data->isFolder ? !Db().IsFolder(path) : !Db().IsSession(path)))
            return "shows " + U8(path) + " which the database does not hold as such";
        if (!data->isFolder || !data->childrenLoaded || tree.IsFilterActive())
            continue;
        // A loaded folder shows exactly its listing.
        const SessionDatabase::Listing& listing = Db().GetListing(path, mode);
        std::vector<VUnicodeString> wantFolders(listing.folders.begin(), listing.folders.end());
        const std::vector<VUnicodeString> wantSessions(listing.sessions.begin(), listing.sessions.end());
        if (mode == 1) { // folders take their place alphabetically there
            const auto byNoCase = [](const VUnicodeString& x, const VUnicodeString& y) {
                return VUnicodeString::CompareNoCase(x, y) < 0;
            };
            std::sort(wantFolders.begin(), wantFolders.end(), byNoCase);
            std::sort(folders.begin(), folders.end(), byNoCase);
        }
        if (folders != wantFolders || sessions != wantSessions) {
            std::string shown;
            std::string listed;
            for (const auto& name : folders)
                shown += U8(name) + "/ ";
            for (const auto& name : sessions)
                shown += U8(name) + " ";
            for (const auto& name : wantFolders)
                listed += U8(name) + "/ ";
            for (const auto& name : wantSessions)
                listed += U8(name) + " ";
            return "folder '" + U8(path) + "' shows [" + shown + "] but lists [" + listed + "] (mode " +
                   std::to_string(mode) + ")";
        }
    }
    if (tree.IsFilterActive() && side.refilled) {
        std::unique_ptr<WalkTree> fresh = m_makeFresh();
        fresh->Logic().SetSortMode(mode);
        fresh->Logic().ApplyFilter(tree.ActiveFilterText());
        std::vector<std::string> mine;
        std::vector<std::string> theirs;
        for (TreeItem item : Items(tree))
            mine.push_back(U8(tree.GetItemPath(item)));
        for (TreeItem item : Items(fresh->Logic()))
            theirs.push_back(U8(fresh->Logic().GetItemPath(item)));
        if (mine != theirs)
            return "the filtered tree differs from a fresh one";
    }
    return {};
}

std::string TreeActionWalk::Check()
{
    for (Side& side : m_sides)
        if (std::string error = CheckTree(side); !error.empty())
            return (&side == &m_sides[0] ? "A: " : "B: ") + error;
    return {};
}
