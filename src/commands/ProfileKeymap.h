#pragma once

#include "commands/Keymap.h"
#include "profile/values/VProfileMultiSz.h"

// A keymap kept in a configuration key as a string array, one binding line
// per element, under "Keymap v5". Older releases stored it under other
// names, which are still read. The value is a private part, so that its
// lines never change without the bindings.
class ORV_EXPORT ProfileKeymap : private VProfile2<VStringArray, VProfileMultiSz>, public Keymap {
    using Lines = VProfile2<VStringArray, VProfileMultiSz>;

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

    // The stored lines and the value's state; read only.
    using Lines::Get;
    using Lines::GetName;
    using Lines::GetSaved;
    using Lines::IsChanged;
    using Lines::IsDirty;
    using Lines::Accept;
    // Replaces the lines and binds what they say.
    void Set(const VStringArray& lines);

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
