#include "profile/sessions/SessionValueDef.h"

#include "profile/values/VProfileBinary.h"
#include "profile/values/VProfileDword.h"
#include "profile/secrets/VProfileEncryptedString.h"
#include "profile/values/VProfileExplorerFrameState.h"
#include "profile/values/VProfileListViewState.h"
#include "profile/values/VProfileMultiSz.h"

namespace {

VLogFont FontWithFace(const char16_t* face)
{
    VLogFont font;
    font.height = -16;
    font.weight = 400;
    font.pitchAndFamily = 0x31; // fixed pitch, modern family
    for (size_t i = 0; face && face[i] && i + 1 < font.faceName.size(); ++i)
        font.faceName[i] = face[i];
    return font;
}

// The sixteen colours of the ANSI palette, as 0x00BBGGRR.
constexpr CustomColors kAnsiColors{{0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
                                    0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF}};

template <class T>
std::unique_ptr<VProfileData> Clone(const VProfileData& value)
{
    return std::make_unique<T>(static_cast<const T&>(value));
}

} // namespace

SessionValueTable::SessionValueTable(std::span<const SessionValueDef> defs) : m_defs(defs)
{
    m_index.reserve(defs.size());
    m_folded.reserve(defs.size());
    for (size_t i = 0; i < defs.size(); ++i) {
        m_index.emplace(defs[i].name, i);
        m_folded.emplace(VUnicodeString::FoldCase(defs[i].name), i);
    }
}

SessionValueTable::Folded::Folded(std::u16string_view name)
    : text(VUnicodeString::FoldCase(name)), hash(std::hash<std::u16string>()(text))
{
}

size_t SessionValueTable::IndexOf(const Folded& name) const
{
    const auto it = m_folded.find(name);
    return it == m_folded.end() ? npos : it->second;
}

size_t SessionValueTable::IndexOf(std::u16string_view name) const
{
    const auto it = m_index.find(name);
    return it == m_index.end() ? npos : it->second;
}

std::unique_ptr<VProfileData> CreateSessionValue(const SessionValueDef& def, const VProfileKey* key,
                                                 const ProfilePath::Folders& folders)
{
    const VUnicodeString name(def.name);
    switch (def.kind) {
    case SessionValueKind::Flag: {
        const bool value = def.number != 0;
        return std::make_unique<VProfile<bool>>(key, name, &value, def.loadMode);
    }
    case SessionValueKind::Number: {
        const int value = static_cast<int>(def.number);
        return std::make_unique<VProfile<int>>(key, name, &value, def.loadMode, 10);
    }
    case SessionValueKind::Unsigned: {
        const unsigned int value = static_cast<unsigned int>(def.number);
        return std::make_unique<VProfile<unsigned int>>(key, name, &value, def.loadMode, 10);
    }
    case SessionValueKind::TriState: {
        const VTriState value = static_cast<VTriState>(def.number);
        return std::make_unique<VProfile<VTriState>>(key, name, &value, def.loadMode);
    }
    case SessionValueKind::Text: {
        const VUnicodeString value(def.text);
        return std::make_unique<VProfileString>(key, name, &value, def.loadMode);
    }
    case SessionValueKind::Path: {
        const VUnicodeString value(def.text);
        return std::make_unique<ProfilePath>(key, name, &value, def.loadMode, folders);
    }
    case SessionValueKind::List:
        return std::make_unique<VProfileStringArray>(key, name, nullptr, def.loadMode);
    case SessionValueKind::Lines:
        return std::make_unique<VProfileMultiLineString>(key, name, nullptr, def.loadMode);
    case SessionValueKind::Font: {
        const VLogFont value = FontWithFace(def.text);
        return std::make_unique<VProfileLogFont>(key, name, &value, def.loadMode);
    }
    case SessionValueKind::Placement: {
        const VWindowPlacement value;
        return std::make_unique<VProfileWindowPlacement>(key, name, &value, def.loadMode);
    }
    case SessionValueKind::FrameState: {
        const VUnicodeString value(def.text ? def.text : u"0,0,0");
        return std::make_unique<VProfileExplorerFrameState>(key, name, &value, def.loadMode);
    }
    case SessionValueKind::ListViewState: {
        const VUnicodeString value(def.text);
        return std::make_unique<VProfileListViewState>(key, name, &value, def.loadMode);
    }
    case SessionValueKind::Margins: {
        const VMarginData value;
        return std::make_unique<VProfileMarginData>(key, name, &value, def.loadMode);
    }
    case SessionValueKind::Colors:
        return std::make_unique<VProfileCustomColors>(key, name, &kAnsiColors, def.loadMode);
    case SessionValueKind::Secret: {
        const VEncryptedString none;
        return std::make_unique<VProfileEncryptedString>(key, name, &none, nullptr, def.loadMode);
    }
    }
    return nullptr;
}

std::unique_ptr<VProfileData> CloneSessionValue(SessionValueKind kind, const VProfileData& value)
{
    switch (kind) {
    case SessionValueKind::Flag:
        return Clone<VProfile<bool>>(value);
    case SessionValueKind::Number:
        return Clone<VProfile<int>>(value);
    case SessionValueKind::Unsigned:
        return Clone<VProfile<unsigned int>>(value);
    case SessionValueKind::TriState:
        return Clone<VProfile<VTriState>>(value);
    case SessionValueKind::Text:
        return Clone<VProfileString>(value);
    case SessionValueKind::Path:
        return Clone<ProfilePath>(value);
    case SessionValueKind::List:
        return Clone<VProfileStringArray>(value);
    case SessionValueKind::Lines:
        return Clone<VProfileMultiLineString>(value);
    case SessionValueKind::Font:
        return Clone<VProfileLogFont>(value);
    case SessionValueKind::Placement:
        return Clone<VProfileWindowPlacement>(value);
    case SessionValueKind::FrameState:
        return Clone<VProfileExplorerFrameState>(value);
    case SessionValueKind::ListViewState:
        return Clone<VProfileListViewState>(value);
    case SessionValueKind::Margins:
        return Clone<VProfileMarginData>(value);
    case SessionValueKind::Colors:
        return Clone<VProfileCustomColors>(value);
    case SessionValueKind::Secret:
        return Clone<VProfileEncryptedString>(value);
    }
    return nullptr;
}
