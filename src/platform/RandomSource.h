#pragma once

#include <cstddef>

#include "core/Export.h"

// The cryptographic random source: salts and the per-user passphrase come
// from it. The default reads the kernel's generator (getrandom); tests
// install their own.
class IRandomSource {
public:
    virtual ~IRandomSource() = default;
    // Fills `size` bytes; false (with the platform's last error set) when
    // the source cannot give them.
    virtual bool GetBytes(void* buffer, size_t size) = 0;
};

IRandomSource& GetRandomSource();
// Null restores the default. The caller keeps ownership.
void SetRandomSource(IRandomSource* source);
