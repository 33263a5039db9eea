#pragma once

#include <cstdint>

#include "core/VUnicodeString.h"

class IReportMessageParams;

// The key bindings of a terminal window: what each key code (modifier bits
// included) does.
class IKeymap {
public:
    virtual ~IKeymap() = default;
    // The function bound to `key`, here or in the fallback; 0 when no
    // keymap binds it.
    virtual int GetFunction(uint32_t key) const = 0;
    virtual VUnicodeString GetArgument(uint32_t key) const = 0;
    virtual VUnicodeString GetArgument2(uint32_t key) const = 0;
    // A display text of the binding; empty when the key is not bound.
    virtual VUnicodeString GetDescription(uint32_t key) const = 0;
    // Function 0 removes the binding.
    virtual void SetFunction(uint32_t key, int function) = 0;
    // No effect on a key this keymap does not bind.
    virtual void SetArgument(uint32_t key, const VUnicodeString& argument) = 0;
    virtual void SetArgument2(uint32_t key, const VUnicodeString& argument) = 0;
    // Reads a keymap file. A file that cannot be used leaves the keymap as
    // it was; a file with a few bad lines loads with a warning in `report`.
    virtual bool Load(const VUnicodeString& path, IReportMessageParams* report) = 0;
    // False with the platform's last error set when the file cannot be written.
    virtual bool Save(const VUnicodeString& path) = 0;
    // The version is neither 1 nor 2 (a file without a version line).
    virtual bool IsVersionUnknown() const = 0;
    // The version is not 2.
    virtual bool IsVersionOld() const = 0;
};
