#pragma once

#include "core/Export.h"
#include "core/VUnicodeString.h"

class IReportMessageParams;
class VProfileEncryptedString;

// How the rest of the suite sets and reads the plaintext of a secret
// setting. Each derives a key only when the held one is not for the
// value's salt; nothing is derived to list, compare or copy values.

// Encrypts `plaintext` under a fresh salt and makes it the value's current
// stored text (save the value to write it). False with a report, the value
// unchanged, when there is no key data (passphrase disabled or unusable)
// or no random bytes.
ORV_EXPORT bool UpdateProfileEncryptedString(VProfileEncryptedString& value, const VUnicodeString& plaintext,
                                             IReportMessageParams* report);
// The plaintext of the value's current stored text (empty for an empty
// text). False with a report, and an empty plaintext, when it cannot be
// decrypted; the stored text is left as it is.
ORV_EXPORT bool GetProfileEncryptedPlaintextString(const VProfileEncryptedString& value, VUnicodeString& plaintext,
                                                   IReportMessageParams* report);
