#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Fakes.h"
#include "platform/RandomSource.h"
#include "profile/secrets/ISecretService.h"
#include "profile/secrets/TwoLayerEncryptedString.h"

// Random bytes a test can predict: 0, 1, 2, ... in order, counting what
// was asked; `fail` makes every request fail with EIO.
class FakeRandomSource final : public IRandomSource {
public:
    FakeRandomSource() { SetRandomSource(this); }
    ~FakeRandomSource() override { SetRandomSource(nullptr); }
    bool GetBytes(void* buffer, size_t size) override;
    uint8_t next = 0;
    size_t requests = 0;
    bool fail = false;
};

// A keyring in memory. `state` says how it answers: as a keyring, as no
// keyring at all, or with an error to every call.
class FakeSecretService final : public ISecretService {
public:
    Result Lookup(const Attributes& attributes, std::string& secret, std::string& error) override;
    Result Store(const Attributes& attributes, const std::string& label, const std::string& secret,
                 std::string& error) override;
    Result Clear(const Attributes& attributes, std::string& error) override;

    Result state = Result::Done; // Done: a working keyring
    std::map<Attributes, std::string> secrets;
    bool refuseStore = false; // a keyring that answers but keeps nothing
    int calls = 0;
};

// A private user data folder and a clean configuration passphrase for the
// life of the object: no host passphrase, not disabled, no two-layer keys,
// and no desktop keyring (the fake answers as none) unless a test turns
// `keyring` on.
class PassphraseScope {
public:
    PassphraseScope();
    ~PassphraseScope();
    std::string PassphraseFile() const { return dir.str() + "/config-passphrase"; }
    TempDir dir;
    FakeSecretService keyring;

private:
    ScopedEnv m_data;
};

// Keys for the older two-layer form, made up for the tests.
TwoLayerStringKeys TestTwoLayerKeys();
// Writes `plaintext` in the two-layer form with `keys`: the inverse of
// DecryptTwoLayerString. `unit` is 1 (UTF-8), 2 ("u") or 4 ("l").
std::u16string EncryptTwoLayerString(const std::u16string& plaintext, const TwoLayerStringKeys& keys, size_t unit);
// Lower-case hex of bytes; and back.
std::string ToHex(const std::vector<uint8_t>& bytes);
std::vector<uint8_t> FromHex(const std::string& hex);
