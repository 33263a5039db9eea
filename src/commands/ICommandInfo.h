#pragma once

#include <cstdint>

#include "commands/ProfileUserButtonMap.h"
#include "core/VUnknown.h"

// One command of the Command Manager as the host sees it.
class ICommandInfo : public IVUnknown {
public:
    // The command's folder path ("/"-separated; empty for the root).
    virtual const char16_t* GetFolder() const = 0;
    virtual const char16_t* GetExtra1() const = 0;
    virtual uint32_t GetVariant() const = 0;
    virtual const ProfileUserButtonMap::Item& GetItem() const = 0;
    virtual void SetItem(const ProfileUserButtonMap::Item& item) = 0;
    // The command's position within its folder.
    virtual uint32_t GetPosition() const = 0;

protected:
    virtual ~ICommandInfo() = default; // released, never deleted, by its holders
};
