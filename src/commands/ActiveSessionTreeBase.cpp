#include "commands/ActiveSessionTreeBase.h"

#include <algorithm>
#include <utility>

#include "CommandIds.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

constexpr uint32_t kMsgGroupActive = 0x61090034;
constexpr uint32_t kMsgGroupOther = 0x61090035;
constexpr uint32_t kMsgGroupEditors = 0x61090036;

struct CommandAction {
    unsigned command;
    int action;
};
constexpr CommandAction kCommandActions[] = {
    {kCmdActiveSessionRename, IActiveSessionManagerSink::kRename},
    {kCmdActiveSessionResetName, IActiveSessionManagerSink::kResetName},
    {kCmdActiveSessionReconnect, IActiveSessionManagerSink::kReconnect},
    {kCmdActiveSessionDisconnect, IActiveSessionManagerSink::kDisconnect},
    {kCmdCloseSession, IActiveSessionManagerSink::kClose},
    {kCmdActiveSessionLock, IActiveSessionManagerSink::kLockSession},
    {kCmdActiveSessionClone, IActiveSessionManagerSink::kCloneSession},
    {kCmdActiveSessionOptions, IActiveSessionManagerSink::kSessionOptions},
    {kCmdActiveSessionSave, IActiveSessionManagerSink::kSaveSession},
    {kCmdEditorSave, IActiveSessionManagerSink::kEditorSave},
    {kCmdEditorSaveAs, IActiveSessionManagerSink::kEditorSaveAs},
    {kCmdEditorLock, IActiveSessionManagerSink::kEditorLock},
};

} // namespace

ActiveSessionTreeBase::ActiveSessionTreeBase(IActiveSessionManagerSink* sink) : m_sink(sink) {}

ActiveSessionTreeBase::~ActiveSessionTreeBase() = default;

VUnicodeString ActiveSessionTreeBase::GroupLabel(int group)
{
    const uint32_t id = group == kGroupActive ? kMsgGroupActive
                        : group == kGroupEditors ? kMsgGroupEditors
                                                 : kMsgGroupOther;
    VUnicodeString text = NewReport(id)->GetText();
    text.TrimRight();
    return text;
}

// --- Events

void ActiveSessionTreeBase::OnEvent(int event, int group, const VUnicodeString& name, int image, ActiveSessionId id)
{
    switch (event) {
    case IActiveSessionManager::kAdded: Add(group, name, image, id); break;
    case IActiveSessionManager::kRemoved: Remove(group, id); break;
    case IActiveSessionManager::kRenamed: Rename(group, name, image, id); break;
    case IActiveSessionManager::kStateChanged: ChangeState(group, image, id); break;
    case IActiveSessionManager::kReset: Reset(); break;
    default: break;
    }
}

void ActiveSessionTreeBase::Add(int group, const VUnicodeString& name, int image, ActiveSessionId id)
{
    size_t gi = GroupIndex(group);
    if (gi == npos) {
        const auto at = std::find_if(m_groups.begin(), m_groups.end(),
                                     [group](const Group& g) { return g.number > group; });
        Group fresh;
        fresh.number = group;
        fresh.label = GroupLabel(group);
        gi = static_cast<size_t>(at - m_groups.begin());
        m_groups.insert(at, std::move(fresh));
    } else if (EntryIndex(m_groups[gi], id) != npos) {
        return;
    }
    m_groups[gi].entries.push_back(Entry{id, name, image, false});
    SetEntryShown(gi, m_groups[gi].entries.size() - 1, Passes(m_groups[gi], m_groups[gi].entries.back()));
    UpdateGroupRow(gi);
}

void ActiveSessionTreeBase::Remove(int group, ActiveSessionId id)
{
    const size_t gi = GroupIndex(group);
    if (gi == npos)
        return;
    Group& g = m_groups[gi];
    const size_t ei = EntryIndex(g, id);
    if (ei == npos)
        return;
    SetEntryShown(gi, ei, false);
    g.entries.erase(g.entries.begin() + static_cast<std::ptrdiff_t>(ei));
    if (g.entries.empty()) {
        if (g.shown)
            RemoveGroupRow(GroupRow(gi));
        m_groups.erase(m_groups.begin() + static_cast<std::ptrdiff_t>(gi));
    } else {
        UpdateGroupRow(gi);
    }
    if (m_pendingActivation && !Contains(*m_pendingActivation))
        m_pendingActivation.reset();
}

void ActiveSessionTreeBase::Rename(int group, const VUnicodeString& name, int image, ActiveSessionId id)
{
    const size_t gi = GroupIndex(group);
    const size_t ei = gi == npos ? npos : EntryIndex(m_groups[gi], id);
    if (ei == npos) {
        Add(group, name, image, id);
        return;
    }
    Entry& e = m_groups[gi].entries[ei];
    if (e.name == name)
        return;
    e.name = name;
    if (!Passes(m_groups[gi], e)) {
        SetEntryShown(gi, ei, false);
    } else if (e.shown) {
        SetItemRowText(GroupRow(gi), ItemRow(m_groups[gi], ei), name);
    } else {
        SetEntryShown(gi, ei, true);
    }
    UpdateGroupRow(gi);
}

void ActiveSessionTreeBase::ChangeState(int group, int image, ActiveSessionId id)
{
    const size_t gi = GroupIndex(group);
    const size_t ei = gi == npos ? npos : EntryIndex(m_groups[gi], id);
    if (ei == npos)
        return;
    Entry& e = m_groups[gi].entries[ei];
    e.image = group == kGroupEditors ? kEditorImage : image;
    if (e.shown)
        SetItemRowImage(GroupRow(gi), ItemRow(m_groups[gi], ei), e.image);
}

void ActiveSessionTreeBase::Reset()
{
    m_groups.clear();
    m_pendingActivation.reset();
    ClearRows();
}

// --- Rows

size_t ActiveSessionTreeBase::GroupIndex(int group) const
{
    for (size_t i = 0; i < m_groups.size(); ++i)
        if (m_groups[i].number == group)
            return i;
    return npos;
}

size_t ActiveSessionTreeBase::EntryIndex(const Group& group, ActiveSessionId id) const
{
    for (size_t i = 0; i < group.entries.size(); ++i)
        if (group.entries[i].id == id)
            return i;
    return npos;
}

size_t ActiveSessionTreeBase::GroupRow(size_t groupIndex) const
{
    size_t row = 0;
    for (size_t i = 0; i < groupIndex; ++i)
        row += m_groups[i].shown ? 1 : 0;
    return row;
}

size_t ActiveSessionTreeBase::ItemRow(const Group& group, size_t entryIndex) const
{
    size_t row = 0;
    for (size_t i = 0; i < entryIndex; ++i)
        row += group.entries[i].shown ? 1 : 0;
    return row;
}

bool ActiveSessionTreeBase::Passes(const Group& group, const Entry& entry) const
{
    // The group's label stands where a session's folder path would.
    return SessionPassesFilter(group.label, entry.name);
}

bool ActiveSessionTreeBase::GroupWanted(const Group& group) const
{
    for (const Entry& e : group.entries)
        if (e.shown)
            return true;
    return !group.entries.empty() && IsFilterActive() && FolderKeptForItsName(group.label);
}

void ActiveSessionTreeBase::ShowGroupRow(size_t groupIndex)
{
    Group& g = m_groups[groupIndex];
    const size_t groupRow = GroupRow(groupIndex);
    g.shown = true;
    InsertGroupRow(groupRow, g.number, g.label);
    size_t row = 0;
    for (const Entry& e : g.entries)
        if (e.shown)
            InsertItemRow(groupRow, row++, ActiveSessionItemRef{ActiveSessionItemRef::kSession, g.number, e.id}, e.name,
                          e.image);
    SetGroupRowExpanded(groupRow, g.expanded);
}

void ActiveSessionTreeBase::UpdateGroupRow(size_t groupIndex)
{
    Group& g = m_groups[groupIndex];
    const bool wanted = GroupWanted(g);
    if (wanted && !g.shown) {
        ShowGroupRow(groupIndex);
    } else if (!wanted && g.shown) {
        RemoveGroupRow(GroupRow(groupIndex));
        g.shown = false;
    }
}

void ActiveSessionTreeBase::SetEntryShown(size_t groupIndex, size_t entryIndex, bool shown)
{
    Group& g = m_groups[groupIndex];
    Entry& e = g.entries[entryIndex];
    if (e.shown == shown)
        return;
    e.shown = shown;
    if (!g.shown) {
        // The group's row brings its shown items with it.
        if (shown)
            UpdateGroupRow(groupIndex);
        return;
    }
    if (shown)
        InsertItemRow(GroupRow(groupIndex), ItemRow(g, entryIndex),
                      ActiveSessionItemRef{ActiveSessionItemRef::kSession, g.number, e.id}, e.name, e.image);
    else
        RemoveItemRow(GroupRow(groupIndex), ItemRow(g, entryIndex));
}

void ActiveSessionTreeBase::SetAllExpanded(bool expand)
{
    for (size_t gi = 0; gi < m_groups.size(); ++gi) {
        m_groups[gi].expanded = expand;
        if (m_groups[gi].shown)
            SetGroupRowExpanded(GroupRow(gi), expand);
    }
}

bool ActiveSessionTreeBase::IsGroupExpanded(int group) const
{
    const size_t gi = GroupIndex(group);
    return gi != npos && m_groups[gi].expanded;
}

void ActiveSessionTreeBase::NoteGroupExpanded(int group, bool expanded)
{
    if (const size_t gi = GroupIndex(group); gi != npos)
        m_groups[gi].expanded = expanded;
}

const ActiveSessionTreeBase::Entry* ActiveSessionTreeBase::FindEntry(int group, ActiveSessionId id) const
{
    const size_t gi = GroupIndex(group);
    const size_t ei = gi == npos ? npos : EntryIndex(m_groups[gi], id);
    return ei == npos ? nullptr : &m_groups[gi].entries[ei];
}

// --- Selection

std::optional<ActiveSessionItemRef> ActiveSessionTreeBase::RefAtRow(size_t groupRow,
                                                                    std::optional<size_t> itemRow) const
{
    size_t row = 0;
    for (const Group& g : m_groups) {
        if (!g.shown)
            continue;
        if (row++ != groupRow)
            continue;
        if (!itemRow)
            return ActiveSessionItemRef{ActiveSessionItemRef::kGroup, g.number, static_cast<ActiveSessionId>(g.number)};
        size_t item = 0;
        for (const Entry& e : g.entries)
            if (e.shown && item++ == *itemRow)
                return ActiveSessionItemRef{ActiveSessionItemRef::kSession, g.number, e.id};
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<ActiveSessionItemRef> ActiveSessionTreeBase::Selected() const
{
    size_t groupRow = 0;
    std::optional<size_t> itemRow;
    if (!GetSelectedRow(groupRow, itemRow))
        return std::nullopt;
    return RefAtRow(groupRow, itemRow);
}

bool ActiveSessionTreeBase::Contains(const ActiveSessionItemRef& item) const
{
    const size_t gi = GroupIndex(item.group);
    if (gi == npos)
        return false;
    return item.IsGroup() || EntryIndex(m_groups[gi], item.number) != npos;
}

void ActiveSessionTreeBase::Select(const ActiveSessionItemRef& item)
{
    const size_t gi = GroupIndex(item.group);
    if (gi == npos || !m_groups[gi].shown)
        return;
    if (item.IsGroup()) {
        SelectRow(GroupRow(gi), std::nullopt);
        return;
    }
    const size_t ei = EntryIndex(m_groups[gi], item.number);
    if (ei != npos && m_groups[gi].entries[ei].shown)
        SelectRow(GroupRow(gi), ItemRow(m_groups[gi], ei));
}

// --- Commands

int ActiveSessionTreeBase::ActionForCommand(unsigned command)
{
    for (const CommandAction& entry : kCommandActions)
        if (entry.command == command)
            return entry.action;
    return -1;
}

ActiveSessionTreeBase::MenuKind ActiveSessionTreeBase::ContextMenuKind() const
{
    const std::optional<ActiveSessionItemRef> item = Selected();
    if (!item)
        return MenuKind::None;
    if (item->IsGroup())
        return MenuKind::Group;
    return item->group == kGroupEditors ? MenuKind::Editor : MenuKind::Session;
}

bool ActiveSessionTreeBase::IsCommandEnabled(unsigned command) const
{
    switch (command) {
    case kCmdExpandAllFolders:
    case kCmdCollapseAllFolders: return !m_groups.empty();
    default: break;
    }
    const std::optional<ActiveSessionItemRef> item = Selected();
    if (!m_sink || !item || item->IsGroup())
        return false;
    if (command == kCmdActivateSession)
        return true;
    const int action = ActionForCommand(command);
    return action >= 0 && m_sink->IsSessionActionEnabled(item->number, action);
}

bool ActiveSessionTreeBase::RunCommand(unsigned command)
{
    switch (command) {
    case kCmdExpandAllFolders: ExpandAllGroups(); return true;
    case kCmdCollapseAllFolders: CollapseAllGroups(); return true;
    default: break;
    }
    const std::optional<ActiveSessionItemRef> item = Selected();
    if (!m_sink || !item || item->IsGroup())
        return false;
    if (command == kCmdActivateSession) {
        m_sink->ActivateSession(item->number);
        return true;
    }
    const int action = ActionForCommand(command);
    if (action < 0)
        return false;
    m_sink->RunSessionAction(item->number, action);
    return true;
}

// --- Activation

void ActiveSessionTreeBase::OnItemDoubleClicked(std::optional<ActiveSessionItemRef> item)
{
    if (!item)
        return;
    const bool posted = m_pendingActivation.has_value();
    m_pendingActivation = item;
    if (!posted)
        PostActivation();
}

void ActiveSessionTreeBase::OnDeferredActivation()
{
    const std::optional<ActiveSessionItemRef> item = std::exchange(m_pendingActivation, std::nullopt);
    // The host may have closed it in between.
    if (item && !item->IsGroup() && m_sink && Contains(*item))
        m_sink->ActivateSession(item->number);
}

// --- Filter

void ActiveSessionTreeBase::RefillForFilter()
{
    ClearRows();
    for (Group& g : m_groups) {
        g.shown = false;
        for (Entry& e : g.entries)
            e.shown = Passes(g, e);
        // What the filter finds is in view.
        if (IsFilterActive())
            g.expanded = true;
    }
    for (size_t gi = 0; gi < m_groups.size(); ++gi)
        if (GroupWanted(m_groups[gi]))
            ShowGroupRow(gi);
    if (!IsFilterActive())
        return;
    for (const Group& g : m_groups)
        for (const Entry& e : g.entries)
            if (e.shown) {
                Select(ActiveSessionItemRef{ActiveSessionItemRef::kSession, g.number, e.id});
                return;
            }
    for (const Group& g : m_groups)
        if (g.shown) {
            Select(ActiveSessionItemRef{ActiveSessionItemRef::kGroup, g.number, static_cast<ActiveSessionId>(g.number)});
            return;
        }
}

VUnicodeString ActiveSessionTreeBase::PathOf(const ActiveSessionItemRef& item)
{
    VUnicodeString path = VUnicodeString::FromNumber(item.group);
    if (!item.IsGroup())
        path += u"\\" + std::u16string(std::u16string_view(VUnicodeString::FromUnsigned(item.number)));
    return path;
}

VUnicodeString ActiveSessionTreeBase::SelectedPathForFilter() const
{
    const std::optional<ActiveSessionItemRef> item = Selected();
    return item ? PathOf(*item) : VUnicodeString();
}

bool ActiveSessionTreeBase::IsSelectionExpandedFolder() const
{
    const std::optional<ActiveSessionItemRef> item = Selected();
    return item && item->IsGroup() && IsGroupExpanded(item->group);
}

std::vector<VUnicodeString> ActiveSessionTreeBase::ExpandedFolderPaths() const
{
    std::vector<VUnicodeString> paths;
    for (const Group& g : m_groups)
        if (g.expanded)
            paths.push_back(VUnicodeString::FromNumber(g.number));
    return paths;
}

void ActiveSessionTreeBase::RestoreAfterFilter(const std::vector<VUnicodeString>& expanded,
                                               const VUnicodeString& selection, bool expandSelection)
{
    for (size_t gi = 0; gi < m_groups.size(); ++gi) {
        Group& g = m_groups[gi];
        const VUnicodeString path = VUnicodeString::FromNumber(g.number);
        g.expanded = std::find(expanded.begin(), expanded.end(), path) != expanded.end() ||
                     (expandSelection && path == selection);
        if (g.shown)
            SetGroupRowExpanded(GroupRow(gi), g.expanded);
    }
    for (const Group& g : m_groups) {
        const ActiveSessionItemRef groupRef{ActiveSessionItemRef::kGroup, g.number,
                                            static_cast<ActiveSessionId>(g.number)};
        if (PathOf(groupRef) == selection) {
            Select(groupRef);
            return;
        }
        for (const Entry& e : g.entries) {
            const ActiveSessionItemRef ref{ActiveSessionItemRef::kSession, g.number, e.id};
            if (PathOf(ref) == selection) {
                Select(ref);
                return;
            }
        }
    }
}
