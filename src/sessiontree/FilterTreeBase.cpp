#include "sessiontree/FilterTreeBase.h"

#include "platform/GlobalConfig.h"

FilterSpec FilterSpec::Parse(const VUnicodeString& text)
{
    FilterSpec def;
    const size_t slash = text.Find(u'/');
    if (slash == VUnicodeString::npos) {
        def.namePattern = text;
        def.nameOn = !text.IsEmpty();
    } else {
        def.folderPattern = text.Left(slash);
        def.folderOn = true;
        def.namePattern = text.Mid(slash + 1);
        def.nameOn = true; // even when nothing follows the slash
    }
    return def;
}

FilterBoxKeyAction FilterBoxKeyActionFor(FilterBoxKey key, bool boxIsEmpty)
{
    switch (key) {
    case FilterBoxKey::Up:
    case FilterBoxKey::Down:
    case FilterBoxKey::Enter:
        return FilterBoxKeyAction::PassToTree;
    case FilterBoxKey::Escape:
        return boxIsEmpty ? FilterBoxKeyAction::FocusTree : FilterBoxKeyAction::ClearText;
    case FilterBoxKey::Other:
        break;
    }
    return FilterBoxKeyAction::Edit;
}

FilterTreeBase::~FilterTreeBase() = default;

uint32_t FilterTreeBase::FilterDelayMilliseconds() const
{
    GlobalConfig* config = nullptr;
    return GetGlobalConfig(&config) ? config->filterDelayMs : 300;
}

void FilterTreeBase::StopFilterTimer()
{
    if (m_timerRunning) {
        StopTimer(kFilterTimerId);
        m_timerRunning = false;
    }
}

void FilterTreeBase::FilterTextChanged(const VUnicodeString& text)
{
    StopFilterTimer();
    if (FilterSpec::Parse(text) == m_spec) {
        m_pending = VUnicodeString();
        return;
    }
    m_pending = text;
    m_timerRunning = true;
    StartTimer(kFilterTimerId, FilterDelayMilliseconds());
}

void FilterTreeBase::OnFilterTimer()
{
    StopFilterTimer();
    const VUnicodeString text = std::move(m_pending);
    m_pending = VUnicodeString();
    ApplyFilter(text);
}

void FilterTreeBase::ApplyFilter(const VUnicodeString& text)
{
    const bool wasActive = IsFilterActive();
    if (!wasActive && !text.IsEmpty()) {
        m_savedSelection = SelectedPathForFilter();
        m_savedSelectionExpanded = IsSelectionExpandedFolder();
        m_savedExpanded = ExpandedFolderPaths();
    }
    m_spec = FilterSpec::Parse(text);
    m_appliedText = text;
    m_name = m_spec.nameOn ? FilterPattern(m_spec.namePattern) : FilterPattern();
    m_folder = m_spec.folderOn ? FilterPattern(m_spec.folderPattern) : FilterPattern();
    m_filtering = true;
    RefillForFilter();
    m_filtering = false;
    if (wasActive && !IsFilterActive()) {
        std::vector<VUnicodeString> expanded = std::move(m_savedExpanded);
        m_savedExpanded.clear();
        RestoreAfterFilter(expanded, m_savedSelection, m_savedSelectionExpanded);
    }
}

bool FilterTreeBase::SessionPassesFilter(std::u16string_view folderPath, std::u16string_view name) const
{
    if (m_spec.nameOn && !m_name.Matches(name))
        return false;
    return !m_spec.folderOn || m_folder.Matches(folderPath);
}

bool FilterTreeBase::FolderKeptForItsName(std::u16string_view name) const
{
    return !m_spec.folderOn && !m_spec.namePattern.IsEmpty() && ContainsNoCase(name, m_spec.namePattern);
}
