#pragma once

#include <cstddef>
#include <cstdint>

// The bcrypt-based key derivation of OpenSSH private keys: SHA-512 of the
// passphrase and of salt+counter feed a bcrypt hash (64 salted key
// expansions and 64 encryptions of a fixed text); `rounds` hashes are
// chained and XORed, and the output is spread across the 32-byte blocks.
// False (and nothing written) for an empty salt, zero rounds, or a key
// size of 0 or above 1024 bytes.
bool BcryptPbkdf(const uint8_t* passphrase, size_t passphraseSize, const uint8_t* salt, size_t saltSize,
                 uint8_t* key, size_t keySize, unsigned rounds);
