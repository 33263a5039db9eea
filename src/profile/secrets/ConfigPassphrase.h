#pragma once

#include "core/Export.h"
#include "core/VUnicodeString.h"
#include "profile/secrets/ISecretService.h"
#include "profile/secrets/TwoLayerEncryptedString.h"

class IReportMessageParams;
class VEncryptedStringKeyData;

// The configuration passphrase that encrypted configuration strings are
// made with, as the host's configuration services hand it out. The host
// may set one; when it sets none, a per-user random passphrase is kept in
// the desktop's keyring (a Secret Service) when there is one, else in the
// user data folder ("config-passphrase", mode 0600). A file found while a
// keyring is there is moved into it and removed. The host may also
// disable the passphrase: then no secret is decrypted or encrypted.

enum class ConfigPassphraseSource { None, Host, Keyring, File };

// Where a change of passphrase leaves its proof in the store: a secret of
// a fixed text under the new passphrase, written in the same transaction
// as the re-encrypted secrets.
inline constexpr char16_t kPassphraseCheckKey[] = u"Secrets";
inline constexpr char16_t kPassphraseCheckValue[] = u"Passphrase Check";
inline constexpr char16_t kPassphraseCheckText[] = u"configuration passphrase check";
inline constexpr uint32_t kMsgKeyringFailed = 0xE1620058;

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
// Where the per-user passphrase file is kept; empty when there is no user data folder.
ORV_EXPORT VUnicodeString GetConfigPassphrasePath();
// Where the passphrase in use came from; None until it is first used.
ORV_EXPORT ConfigPassphraseSource GetConfigPassphraseSource();
// The keyring attributes of the per-user passphrase (or of a new one
// staged by a change). They name the user's configuration database in the
// configuration folder, whatever ORV_CONFIG_DB says: the passphrase is the
// user's, as the file is, and a database named for one run must not get a
// passphrase of its own that the next run could not find.
ORV_EXPORT ISecretService::Attributes ConfigPassphraseKeyringAttributes(bool staged = false);

// A change of the per-user passphrase, in three steps that a kill at any
// instant cannot confuse: the new passphrase is staged beside the current
// one (where it lives, keyring or file), the store's secrets are
// re-encrypted with the check value in one transaction, then the staged
// one becomes current. A staged passphrase found later is made current
// when the store holds exactly its check value (`check`, the stored text
// the change writes as kPassphraseCheckValue), else left staged.
ORV_EXPORT bool StageConfigPassphrase(const VUnicodeString& passphrase, const VUnicodeString& check,
                                      IReportMessageParams* report);
ORV_EXPORT bool CommitStagedConfigPassphrase(IReportMessageParams* report);
ORV_EXPORT void DropStagedConfigPassphrase();
// A fresh random passphrase (64 hex digits).
ORV_EXPORT bool MakeRandomPassphrase(VUnicodeString& passphrase, IReportMessageParams* report);
// Back to the start-up state: no host passphrase, not disabled, no held
// key data (zeroed once the last holder lets go), no two-layer keys.
ORV_EXPORT void ResetConfigPassphrase();

// The fixed keys of the older two-layer form; null: none (such values are
// then absent). False, keeping what was set, when a key's size is not 4 to 56 bytes.
ORV_EXPORT bool SetTwoLayerStringKeys(const TwoLayerStringKeys* keys);
// Null when none were supplied.
ORV_EXPORT const TwoLayerStringKeys* GetTwoLayerStringKeys();
