#pragma once

#include <cstdint>
#include <vector>

#include "core/Export.h"
#include "core/VUnicodeString.h"
#include "sessiontree/FilterPattern.h"

// The parts of a typed filter text: before the first '/' the folder
// pattern, after it the name pattern.
struct ORV_EXPORT FilterSpec {
    VUnicodeString namePattern;
    bool nameOn = false;
    VUnicodeString folderPattern;
    bool folderOn = false;

    static FilterSpec Parse(const VUnicodeString& text);
    bool IsActive() const { return nameOn || folderOn; }
    bool operator==(const FilterSpec&) const = default;
};

// What a key pressed in the filter box does.
enum class FilterBoxKeyAction {
    Edit,       // an ordinary edit of the text
    PassToTree, // Up, Down and Enter move through or open from the tree
    ClearText,  // Escape with text clears it (and so, later, the filter)
    FocusTree,  // Escape in an empty box
};
enum class FilterBoxKey { Up, Down, Enter, Escape, Other };
ORV_EXPORT FilterBoxKeyAction FilterBoxKeyActionFor(FilterBoxKey key, bool boxIsEmpty);

// Filter text and its timer for any filterable tree. Typing only arms the
// timer; the tree is refilled once, when the timer fires after the last
// key.
class ORV_EXPORT FilterTreeBase {
public:
    virtual ~FilterTreeBase();

    // The filter box's text changed.
    void FilterTextChanged(const VUnicodeString& text);
    // The pending-filter timer fired.
    void OnFilterTimer();
    // Applies `text` at once: starting a filter remembers the selection and
    // the expanded folders, ending one gives them back.
    void ApplyFilter(const VUnicodeString& text);
    void ClearFilter() { ApplyFilter(VUnicodeString()); }

    bool IsFilterActive() const { return m_spec.IsActive(); }
    bool IsFiltering() const { return m_filtering; }
    bool IsFilterPending() const { return m_timerRunning; }
    const FilterSpec& ActiveFilter() const { return m_spec; }
    const VUnicodeString& ActiveFilterText() const { return m_appliedText; }

    // A session is shown when its name and its folder's path pass the
    // patterns in force.
    bool SessionPassesFilter(std::u16string_view folderPath, std::u16string_view name) const;
    // An empty folder stays for its own name only with a name pattern and
    // no folder pattern, and only by plain containment.
    bool FolderKeptForItsName(std::u16string_view name) const;

    static constexpr int kFilterTimerId = 0x4654; // "FT"

protected:
    // The tree's side of a filter change.
    virtual void StartTimer(int id, uint32_t milliseconds) = 0;
    virtual void StopTimer(int id) = 0;
    virtual uint32_t FilterDelayMilliseconds() const;
    // Refill the tree with the filter in force (or none).
    virtual void RefillForFilter() = 0;
    virtual VUnicodeString SelectedPathForFilter() const = 0;
    virtual bool IsSelectionExpandedFolder() const = 0;
    virtual std::vector<VUnicodeString> ExpandedFolderPaths() const = 0;
    // After the filter ended: expand these again and select the path.
    virtual void RestoreAfterFilter(const std::vector<VUnicodeString>& expanded, const VUnicodeString& selection,
                                    bool expandSelection) = 0;
    // Stops a pending timer; trees call it when they are destroyed.
    void StopFilterTimer();

private:
    FilterSpec m_spec;
    FilterPattern m_name;
    FilterPattern m_folder;
    VUnicodeString m_pending;
    VUnicodeString m_appliedText;
    bool m_timerRunning = false;
    bool m_filtering = false;
    std::vector<VUnicodeString> m_savedExpanded;
    VUnicodeString m_savedSelection;
    bool m_savedSelectionExpanded = false;
};
