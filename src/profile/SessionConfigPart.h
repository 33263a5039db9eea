#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "core/VStringArray.h"
#include "profile/ProfilePath.h"
#include "profile/SessionValueSpec.h"
#include "profile/VProfileData.h"

// A group of session settings made from a schema table: every setting
// loaded from the session's key with its default, in table order.
class ORV_EXPORT SessionConfigPart : public VProfileContainer {
public:
    SessionConfigPart(const SessionValueTable& table, const VProfileKey* key, const ProfilePath::Folders& folders);
    // A deep copy: each setting with its current value, saved copy and flags.
    SessionConfigPart(const SessionConfigPart& other);
    SessionConfigPart& operator=(const SessionConfigPart&) = delete;

    VProfileData* ChildAt(size_t index) override;
    size_t GetCount() const { return m_values.size(); }
    const SessionValueTable& GetTable() const { return *m_table; }

    // The setting of that name (case ignored), or null.
    VProfileData* Find(std::u16string_view name) const;
    // Typed access by name. A name that is no setting of a fitting kind
    // reads as empty, zero or false and is not written.
    VUnicodeString GetText(std::u16string_view name) const;
    void SetText(std::u16string_view name, const VUnicodeString& text);
    uint32_t GetNumber(std::u16string_view name) const;
    void SetNumber(std::u16string_view name, uint32_t value);
    bool GetBool(std::u16string_view name) const { return GetNumber(name) != 0; }
    void SetBool(std::u16string_view name, bool value) { SetNumber(name, value ? 1 : 0); }
    VStringArray GetList(std::u16string_view name) const;
    void SetList(std::u16string_view name, const VStringArray& value);

protected:
    // Puts a freshly made setting in place of the one at `index`.
    void Replace(size_t index, std::unique_ptr<VProfileData> value);

private:
    const SessionValueTable* m_table;
    std::vector<std::unique_ptr<VProfileData>> m_values;
};
