#pragma once

#include "core/Export.h"
#include "core/VUnicodeString.h"
#include "profile/secrets/TwoLayerEncryptedString.h"

class IReportMessageParams;
class VEncryptedStringKeyData;

// The configuration passphrase that encrypted configuration strings are
// made with, as the host's configuration services hand it out. The host
// may set one; when it sets none, a per-user random passphrase is kept in
// the user data folder ("config-passphrase", mode 0600). The host may also
// disable the passphrase: then no secret is decrypted or encrypted.

// Null or empty: the per-user passphrase file is used. False with a report
// when the text is not valid UTF-16 (the passphrase then stays as it was).
ORV_EXPORT bool SetConfigPassphrase(const char16_t* passphrase, IReportMessageParams* report);
ORV_EXPORT void SetConfigPassphraseDisabled(bool disabled);
ORV_EXPORT bool IsConfigPassphraseDisabled();
// A new reference to the key data of the configuration passphrase, shared
// so that its derived key is reused. False with a report, and null, when
// the passphrase is disabled or the per-user file cannot be used (it is
// refused when other users may read or change it).
ORV_EXPORT bool GetConfigPassphraseKeyData(VEncryptedStringKeyData** keyData, IReportMessageParams* report);
// Where the per-user passphrase is kept; empty when there is no user data folder.
ORV_EXPORT VUnicodeString GetConfigPassphrasePath();
// Back to the start-up state: no host passphrase, not disabled, no held
// key data (zeroed once the last holder lets go), no two-layer keys.
ORV_EXPORT void ResetConfigPassphrase();

// The fixed keys of the older two-layer form; null: none (such values are
// then absent). False, keeping what was set, when a key's size is not 4 to 56 bytes.
ORV_EXPORT bool SetTwoLayerStringKeys(const TwoLayerStringKeys* keys);
// Null when none were supplied.
ORV_EXPORT const TwoLayerStringKeys* GetTwoLayerStringKeys();
