#pragma once

#include <string>

#include "core/Export.h"
#include "core/VUnicodeString.h"

// Plaintexts of secrets are overwritten before their memory is let go, as
// derived keys are. These overwrite a text's whole buffer and empty it.
ORV_EXPORT void WipeText(VUnicodeString& text);
ORV_EXPORT void WipeText(std::u16string& text);
ORV_EXPORT void WipeText(std::string& text);

// A plaintext held for one use: wiped when the holder lets go of it.
class ORV_EXPORT ScopedPlaintext {
public:
    ScopedPlaintext() = default;
    ~ScopedPlaintext() { WipeText(m_text); }
    ScopedPlaintext(const ScopedPlaintext&) = delete;
    ScopedPlaintext& operator=(const ScopedPlaintext&) = delete;

    VUnicodeString& Text() { return m_text; }
    const VUnicodeString& Text() const { return m_text; }
    operator VUnicodeString&() { return m_text; } // NOLINT: passed where a plaintext is filled

private:
    VUnicodeString m_text;
};
