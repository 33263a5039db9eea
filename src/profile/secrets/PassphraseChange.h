#pragma once

#include <cstddef>
#include <functional>

#include "core/Export.h"
#include "core/VUnicodeString.h"

class IReportMessageParams;

struct PassphraseChangeOptions {
    // Texts that have the shape of a secret but do not read under the
    // current passphrase stop the change, unless they are to be kept as
    // they are (they then stay unreadable under either passphrase).
    bool keepUnreadable = false;
    // Threads deriving keys; 0: one per core.
    unsigned threads = 0;
    // Called on the calling thread as secrets are done (done, total).
    std::function<void(size_t, size_t)> progress;
};

struct PassphraseChangeResult {
    size_t secrets = 0;    // texts re-encrypted (a login script counts each step)
    size_t unreadable = 0; // kept as they were (keepUnreadable)
    VUnicodeString firstUnreadable; // "key\value" of the first one
};

inline constexpr uint32_t kMsgPassphraseChangeUnreadable = 0xE1620059;
inline constexpr uint32_t kMsgPassphraseNotChanged = 0xE162005A;

// Re-encrypts every secret of the store ("03:" and "02:" texts, alone or
// as elements of a list: session secrets, login scripts, firewalls and
// anything else) from the configuration passphrase in use to
// `newPassphrase`, in one store, so one transaction: a process killed at
// any instant leaves all of them under the old passphrase or all under the
// new one. Every key is derived on worker threads, one per core.
//
// When the passphrase in use is the per-user one (keyring or file), the
// new one is staged first and made current once the transaction is in
// (see StageConfigPassphrase); a host's own passphrase is the host's to
// change. False with a report, and nothing changed, when a text does not
// read under the passphrase in use (a wrong passphrase never rewrites a
// stored secret), or when anything could not be written.
ORV_EXPORT bool ChangeConfigPassphrase(const VUnicodeString& newPassphrase, const PassphraseChangeOptions& options,
                                       PassphraseChangeResult& result, IReportMessageParams* report);
