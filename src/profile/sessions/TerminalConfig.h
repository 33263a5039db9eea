#pragma once

#include "profile/sessions/SessionConfigPart.h"

// The terminal settings of a session.
class ORV_EXPORT TerminalConfig : public SessionConfigPart {
public:
    static constexpr char16_t kEmulation[] = u"Emulation";
    static constexpr char16_t kRows[] = u"Rows";
    static constexpr char16_t kCols[] = u"Cols";
    static constexpr char16_t kOutputTransformerName[] = u"Output Transformer Name";
    static constexpr char16_t kUserButtonBarName[] = u"User Button Bar Name";
    static constexpr char16_t kKeymapFilename[] = u"Keymap Filename V2";

    TerminalConfig(const VProfileKey* key, const ProfilePath::Folders& folders);
    static const SessionValueTable& Table();

    VUnicodeString GetEmulation() const { return GetText(kEmulation); }
    // The button bar the session shows ("Default" unless chosen).
    VUnicodeString GetUserButtonBarName() const { return GetText(kUserButtonBarName); }
};
