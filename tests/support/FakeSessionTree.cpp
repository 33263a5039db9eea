#include "FakeSessionTree.h"

std::vector<std::string> FakeSessionTree::Lines() const
{
    std::vector<std::string> lines;
    for (const VUnicodeString& line : Outline(GetRootItem()))
        lines.push_back(line.ToUtf8());
    return lines;
}

bool FakeSessionTree::Select(const std::u16string& path)
{
    const TreeItem item = path.empty() ? GetRootItem() : FindItem(VUnicodeString(path));
    if (!item)
        return false;
    SelectItem(item);
    return true;
}

bool FakeSessionTree::SelectMany(const std::vector<std::u16string>& paths)
{
    std::vector<TreeItem> items;
    for (const std::u16string& path : paths) {
        const TreeItem item = path.empty() ? GetRootItem() : FindItem(VUnicodeString(path));
        if (!item)
            return false;
        items.push_back(item);
    }
    SetSelection(items);
    return true;
}

std::string FakeSessionTree::SelectedPath() const
{
    const std::vector<TreeItem> selected = GetSelectedItems();
    return selected.empty() ? std::string("(none)") : GetItemPath(selected.front()).ToUtf8();
}

void FakeSessionTree::EditLabel(TreeItem item, const VUnicodeString& text)
{
    labelEdits.push_back(text.str());
    MemorySessionTree::EditLabel(item, text);
}

void FakeSessionTree::SetDropHighlight(TreeItem item)
{
    dropHighlight = item;
    MemorySessionTree::SetDropHighlight(item);
}

void FakeSessionTree::StartTimer(int id, uint32_t milliseconds)
{
    timers[id] = milliseconds;
    MemorySessionTree::StartTimer(id, milliseconds);
}

void FakeSessionTree::StopTimer(int id)
{
    timers.erase(id);
    MemorySessionTree::StopTimer(id);
}

bool FakeSessionTree::ShowFindDialog(FindOptions& options)
{
    ++findDialogsShown;
    if (!findAnswer)
        return false;
    options = *findAnswer;
    return true;
}

unsigned FakeSessionTree::ShowDropMenu(unsigned allowed, unsigned defaultEffect)
{
    dropMenuAllowed = allowed;
    dropMenuDefault = defaultEffect;
    return dropMenuAnswer;
}

bool FakeSessionTree::PromptDuplicate(ISessionConfig& config, VUnicodeString& name,
                                      std::optional<VUnicodeString>& host)
{
    duplicatePrompted = config.GetSessionPath();
    name = duplicateName;
    if (SessionDatabase::OffersHostname(config))
        host = duplicateHost;
    return duplicateAnswer;
}
