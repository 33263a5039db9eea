#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "profile/exchange/ForeignSessions.h"

// mRemoteNG's confCons.xml: a <Connections> root (its attributes name the
// encryption: EncryptionEngine, BlockCipherMode, KdfIterations,
// FullFileEncryption, and Protected, a known text encrypted with the
// file's key) holding <Node Type="Container"> folders and <Node
// Type="Connection"> sessions, with Name, Descr, Hostname, Protocol, Port,
// Username, Password and the Inherit... flags that take a value from the
// folder above. Encrypted texts are base64 of a 16-byte salt, a 16-byte
// nonce, the AES-256-GCM ciphertext and its 16-byte tag, the salt also
// authenticated; the key is PBKDF2-HMAC-SHA1 of the master password (the
// built-in "mR3m" when the user set none) and the salt.
// Its CSV export (';'-separated, a header naming Name, Folder,
// Description, Username, Password, Domain, Hostname, Protocol, Port)
// holds passwords in plain text.
class MRemoteNgReader {
public:
    static constexpr char16_t kDefaultKey[] = u"mR3m";
    static constexpr int kDefaultIterations = 1000;
    // More rounds than this are refused: a file is no reason to spin.
    static constexpr int kMaximumIterations = 100000;

    static ForeignDocument Read(std::string_view text, const std::string& file, const ForeignReadOptions& options);
    static ForeignDocument ReadCsv(std::string_view text, const std::string& file, const ForeignReadOptions& options);

    // The plaintext of an encrypted text; none when it cannot be decrypted
    // with `key` (a wrong key, a damaged text).
    static std::optional<std::string> Decrypt(std::string_view base64, std::string_view key, int iterations);
    // The stored form, for tests and sample files: base64 of salt, nonce,
    // ciphertext and tag.
    static std::string Encrypt(std::string_view plaintext, std::string_view key, int iterations,
                               const std::string& salt, const std::string& nonce);
};
