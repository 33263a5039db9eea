#pragma once

#include <cstddef>

// The smallest string a callee can fill across a module boundary.
class IString {
public:
    // A length of 0 takes the text up to its terminating NUL.
    virtual void Assign(const char16_t* text, size_t length) = 0;
    virtual const char16_t* GetBuffer() const = 0;
    virtual size_t GetLength() const = 0;

protected:
    ~IString() = default;
};
