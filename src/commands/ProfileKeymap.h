#pragma once

#include "commands/Keymap.h"
#include "profile/values/VProfileMultiSz.h"

// A keymap kept in a configuration key as a string array, one binding line
// per element, under "Keymap v5". Older releases stored it under other
// names, which are still read, in this order: the string array "Keymap v4",
// the binary "Keymap v2" (the keymap's text in UTF-16LE), the binary
// "Keymap" (its text in UTF-8 or Windows-1252), the string array "Keymap
// v3". In the binary forms a NUL ends a line as a line break does, and
// only the first 32000 bytes are read.
class ORV_EXPORT ProfileKeymap : public VProfile2<VStringArray, VProfileMultiSz>, public Keymap {
public:
    static constexpr char16_t kValueName[] = u"Keymap v5";

    // Reads the keymap from `key` (null: an empty keymap). Bad lines are
    // reported into `report` as a keymap file's are, with the value name in
    // place of the path.
    explicit ProfileKeymap(const VProfileKey* key, IReportMessageParams* report = nullptr);

    // Writes the bindings under "Keymap v5" unless that value already holds them.
    bool Save(const VProfileKey* key) override;
    using Keymap::Save;
    using Keymap::Load;

    bool ReadCurrent(const VProfileKey* key) override;
    // Goes back to the bindings last read or saved.
    void Revert() override;

    // Read under an older name.
    bool IsVersionOld() const override;
    // Read under "Keymap v3".
    bool IsVersionUnknown() const override;

    // The value name the keymap was found under; empty when none was.
    const VUnicodeString& GetFoundName() const { return m_foundName; }

private:
    // Binds what the current lines say.
    void ParseCurrent();

    VUnicodeString m_foundName;
    IReportMessageParams* m_report = nullptr;
};
