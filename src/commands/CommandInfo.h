#pragma once

#include "commands/ICommandInfo.h"

class ORV_EXPORT CommandInfo final : public VUnknown<ICommandInfo> {
public:
    CommandInfo(const VUnicodeString& folder, const ProfileUserButtonMap::Item& item, uint32_t position);

    const char16_t* GetFolder() const override { return m_folder.c_str(); }
    const char16_t* GetExtra1() const override { return m_item.Extra1.c_str(); }
    uint32_t GetVariant() const override { return m_item.Variant; }
    const ProfileUserButtonMap::Item& GetItem() const override { return m_item; }
    void SetItem(const ProfileUserButtonMap::Item& item) override { m_item = item; }
    uint32_t GetPosition() const override { return m_position; }

private:
    ~CommandInfo() override = default;

    VUnicodeString m_folder;
    ProfileUserButtonMap::Item m_item;
    uint32_t m_position;
};
