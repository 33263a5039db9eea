#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <unordered_map>

#include "core/VUnicodeString.h"
#include "profile/sessions/ProfilePath.h"

class VProfileData;
class VProfileKey;

// The kinds of session settings and the value class that carries each.
enum class SessionValueKind : uint8_t {
    Flag,          // VProfile<bool>
    Number,        // VProfile<int>
    Unsigned,      // VProfile<unsigned int>
    TriState,      // VProfile<VTriState>
    Text,          // VProfileString
    Path,          // ProfilePath
    List,          // VProfileStringArray
    Lines,         // VProfileMultiLineString
    Font,          // VProfileLogFont
    Placement,     // VProfileWindowPlacement
    FrameState,    // VProfileExplorerFrameState
    ListViewState, // VProfileListViewState
    Margins,       // VProfileMarginData
    Colors,        // VProfileCustomColors
    Secret,        // VProfileEncryptedString
};

// Where a secret's older value comes from when its current name is absent.
enum class OlderSecretForm : int64_t {
    TwoLayer = 0,  // the older two-layer encrypted form
    Plaintext = 1, // plain text, encrypted on conversion
};

// One setting of the session schema: its name, kind and default.
struct SessionValueDef {
    SessionValueKind kind;
    const char16_t* name;
    int64_t number = 0;            // flags, numbers and tri-states; a secret's OlderSecretForm
    const char16_t* text = nullptr; // texts and paths; a font's face name; a secret's older name
    int loadMode = 0;
};

constexpr SessionValueDef FlagValue(const char16_t* name, bool value)
{
    return {SessionValueKind::Flag, name, value ? 1 : 0};
}
constexpr SessionValueDef NumberValue(const char16_t* name, int32_t value)
{
    return {SessionValueKind::Number, name, value};
}
constexpr SessionValueDef UnsignedValue(const char16_t* name, uint32_t value)
{
    return {SessionValueKind::Unsigned, name, value};
}
constexpr SessionValueDef TriStateValue(const char16_t* name)
{
    return {SessionValueKind::TriState, name, 2}; // not set
}
constexpr SessionValueDef TextValue(const char16_t* name, const char16_t* value = u"")
{
    return {SessionValueKind::Text, name, 0, value};
}
constexpr SessionValueDef PathValue(const char16_t* name, int loadMode = 0)
{
    return {SessionValueKind::Path, name, 0, u"", loadMode};
}
constexpr SessionValueDef SecretValue(const char16_t* name, const char16_t* olderName,
                                       OlderSecretForm olderForm = OlderSecretForm::TwoLayer)
{
    return {SessionValueKind::Secret, name, static_cast<int64_t>(olderForm), olderName};
}
constexpr SessionValueDef KindValue(SessionValueKind kind, const char16_t* name, const char16_t* text = nullptr)
{
    return {kind, name, 0, text};
}

// A part's settings in order, with a look-up by name that ignores case.
class SessionValueTable {
public:
    explicit SessionValueTable(std::span<const SessionValueDef> defs);
    std::span<const SessionValueDef> Defs() const { return m_defs; }
    // The index of `name`, or npos.
    size_t IndexOf(std::u16string_view name) const;
    // The same for a name already case-folded (VUnicodeString::FoldCase)
    // and hashed: a look-up over several tables does both once.
    struct Folded {
        explicit Folded(std::u16string_view name);
        std::u16string text;
        size_t hash;
    };
    size_t IndexOf(const Folded& name) const;
    static constexpr size_t npos = static_cast<size_t>(-1);

private:
    struct FoldedHash {
        using is_transparent = void;
        size_t operator()(const std::u16string& s) const noexcept { return std::hash<std::u16string>()(s); }
        size_t operator()(const Folded& f) const noexcept { return f.hash; }
    };
    struct FoldedEqual {
        using is_transparent = void;
        bool operator()(const std::u16string& a, const std::u16string& b) const noexcept { return a == b; }
        bool operator()(const Folded& a, const std::u16string& b) const noexcept { return a.text == b; }
        bool operator()(const std::u16string& a, const Folded& b) const noexcept { return a == b.text; }
    };
    std::span<const SessionValueDef> m_defs;
    std::unordered_map<std::u16string_view, size_t, VNoCaseHash, VNoCaseEqual> m_index;
    std::unordered_map<std::u16string, size_t, FoldedHash, FoldedEqual> m_folded;
};

// Loads the setting from `key` with its default (null key: the default).
std::unique_ptr<VProfileData> CreateSessionValue(const SessionValueDef& def, const VProfileKey* key,
                                                 const ProfilePath::Folders& folders);
// A copy with the same current value, saved copy and flags.
std::unique_ptr<VProfileData> CloneSessionValue(SessionValueKind kind, const VProfileData& value);
