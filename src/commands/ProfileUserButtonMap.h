#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "commands/FunctionTable.h"
#include "core/VArray.h"
#include "core/VUnknown.h"
#include "profile/values/VProfileMultiSz.h"

// Report messages of the display texts. Their texts live in the message
// table; B8 takes the bar name, B3 the credential name and one of B4-B6.
inline constexpr uint32_t kMsgCredentialsText = 0x613700B3;
inline constexpr uint32_t kMsgCredentialsUserName = 0x613700B4;
inline constexpr uint32_t kMsgCredentialsPassword = 0x613700B5;
inline constexpr uint32_t kMsgCredentialsBoth = 0x613700B6;
inline constexpr uint32_t kMsgSetButtonBarText = 0x613700B8;

// A named button bar, or the commands of one command folder: an ordered
// list of buttons kept twice in step, as the stored lines of a string-array
// value and as items. The value is a private part, so that nothing changes
// the lines without the items. Reference counted; a map handed out by the
// clipboard functions belongs to the caller, who releases it.
class ORV_EXPORT ProfileUserButtonMap : public VUnknown<IVUnknown>, private VProfile2<VStringArray, VProfileMultiSz> {
    using Lines = VProfile2<VStringArray, VProfileMultiSz>;

public:
    // One button or command.
    class ORV_EXPORT Item {
    public:
        uint32_t Variant = 1;            // 0-10, carried for the host
        int32_t Function = kFunctionNone; // -1: the stored name was not known
        VUnicodeString FunctionName;     // as read, so an unknown name is written back unchanged
        VUnicodeString ArgumentLine;     // Argument without its CR LF pairs, for one-line display
        VUnicodeString Argument;
        VUnicodeString Extra1;
        VUnicodeString Extra2;
        VUnicodeString Argument2;
        int32_t Option = 0;
        VUnicodeString Label;

        // Sets Argument and the ArgumentLine that goes with it.
        void SetArgument(const VUnicodeString& argument);

        // The stored line: eight fields, each followed by a comma.
        VUnicodeString ToStoredLine() const;
        // Reads a stored line; lines of older releases may have fewer
        // fields. False, leaving the item as it was, below four fields.
        bool FromStoredLine(const VUnicodeString& line);

        bool operator==(const Item&) const = default;
    };

    // Reads the list named `name` from `key`; a null key or a missing
    // value gives an empty list of that name.
    ProfileUserButtonMap(const VProfileKey* key, const VUnicodeString& name);
    ~ProfileUserButtonMap() override;
    ProfileUserButtonMap(const ProfileUserButtonMap&) = delete;
    ProfileUserButtonMap& operator=(const ProfileUserButtonMap&) = delete;

    size_t GetCount() const { return m_items.GetSize(); }
    // VArray<Item>::OutOfRange outside the list.
    const Item& GetItem(size_t index) const { return m_items[index]; }
    const VArray<Item>& GetItems() const { return m_items; }

    // Store `item` before `index`, or at the end when `index` is at or past
    // the count. Always true.
    bool Insert(size_t index, const Item& item);
    // Replaces the item at `index`, or appends past the end. Always true.
    bool Replace(size_t index, const Item& item);
    // VArray<Item>::OutOfRange outside the list.
    void Remove(size_t index);

    // The stored lines, one an item, and the value's state; read only.
    using Lines::Get;
    using Lines::GetName;
    using Lines::GetSaved;
    using Lines::IsChanged;
    using Lines::IsDirty;
    // Replaces every line; the items are built again from them (lines
    // without a function are dropped).
    void Set(const VStringArray& lines);

    // Writes the list unless it is stored and unchanged. Only the terminal
    // product keeps button bars: without it nothing is written (and that is
    // no failure).
    bool Save(const VProfileKey* key) override;
    // Marks a changed list for writing and takes a new snapshot.
    void Accept() override;
    // Goes back to the snapshot of the last Accept (or of construction).
    void Revert() override;
    bool ReadCurrent(const VProfileKey* key) override;

    // The text shown for an item on a button or in a tool tip.
    static VUnicodeString GetDisplayText(const Item& item);

    // The list as clipboard data: the two-letter tag, the name and the
    // stored lines, lengths big-endian, texts UTF-16LE.
    std::vector<uint8_t> ToClipboardPayload(const char tag[2]) const;
    // Takes name and lines from clipboard data (tag included). On a length
    // that does not fit the list is left empty and the result is false.
    bool FromClipboardPayload(std::span<const uint8_t> data);

    void SetName(const VUnicodeString& name) { m_name = name; }

    // The form an item is stored in: a RUN program path keeps its base
    // folder as a variable.
    static Item PrepareForStorage(const Item& item);

private:
    // Rebuilds the items from the stored lines, dropping lines that hold no
    // function and expanding RUN program paths.
    void BuildItems();

    struct Snapshot {
        VStringArray lines;
        VArray<Item> items;
    };

    VArray<Item> m_items;
    Snapshot m_snapshot;
};
