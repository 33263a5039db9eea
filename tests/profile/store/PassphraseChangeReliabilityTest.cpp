// A change of the configuration passphrase killed at random instants:
// every secret stays readable under the old passphrase, or every one under
// the new, and the passphrase in use is the one they are under. Bounded:
// a fixed number of rounds.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <random>

#include "Fakes.h"
#include "ProcessFaults.h"
#include "SecretFakes.h"
#include "profile/secrets/ConfigPassphrase.h"
#include "profile/secrets/PassphraseChange.h"
#include "profile/secrets/VEncryptedString.h"
#include "profile/secrets/VEncryptedStringKeyData.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/store/SqliteProfileBackend.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

// Every secret costs a key derivation per read and per write, in the child
// and in the checks after it: few secrets and rounds keep the test short
// (sanitized builds too); two secrets suffice to see a half-done change.
constexpr int kSecrets = 2;
constexpr int kRounds = 5;

VUnicodeString Plaintext(int n)
{
    return VUnicodeString(u"secret ") + VUnicodeString::FromNumber(n).str();
}

VUnicodeString KeyOf(int n)
{
    return VUnicodeString(u"Sessions\\s") + VUnicodeString::FromNumber(n).str();
}

std::string FileText(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// How many of the secrets read under `passphrase`.
int ReadableUnder(const VUnicodeString& passphrase)
{
    VUnknownPointer<VEncryptedStringKeyData> keyData(VEncryptedStringKeyData::Create(passphrase));
    VProfileStore store;
    int readable = 0;
    for (int n = 0; n < kSecrets; ++n) {
        VUnicodeString text;
        VUnicodeString plaintext;
        VProfileKey(*store.GetRootKey(), KeyOf(n), 0).ReadString(u"Monitor Password V2", text);
        readable += VEncryptedString::DecryptText(text, *keyData, plaintext) == VEncryptedString::Status::Ok &&
                    plaintext == Plaintext(n);
    }
    return readable;
}

class PassphraseChangeReliability : public ::testing::Test {
protected:
    void TearDown() override { UseStore(nullptr); }
    TempDir dir;
    std::string path = dir.str() + "/config.db";
    PassphraseScope scope; // the file, no keyring
    FakeMessageBox box;
};

TEST_F(PassphraseChangeReliability, AKilledChangeLeavesAllUnderTheOldOrAllUnderTheNew)
{
    int64_t changeUs = 0;
    {
        StoreInUse<SqliteProfileFactory> open(path);
        VEncryptedStringKeyData* keyData = nullptr;
        ASSERT_TRUE(GetConfigPassphraseKeyData(&keyData, nullptr));
        {
            VProfileStore store;
            for (int n = 0; n < kSecrets; ++n) {
                VEncryptedString text;
                ASSERT_TRUE(text.Encrypt(Plaintext(n), *keyData, nullptr));
                VProfileKey(*store.GetRootKey(), KeyOf(n), 1).WriteString(u"Monitor Password V2", text);
            }
        }
        keyData->Release();
        // One whole change, timed, sets the span the kills fall in.
        const auto start = std::chrono::steady_clock::now();
        PassphraseChangeResult result;
        ASSERT_TRUE(ChangeConfigPassphrase(u"first change", {}, result, nullptr));
        ASSERT_EQ(result.secrets, static_cast<size_t>(kSecrets));
        changeUs = MicrosecondsSince(start);
    }
    std::mt19937 random(2323);
    std::uniform_int_distribution<int64_t> delayUs(0, changeUs * 5 / 4);
    int completed = 0;
    int interrupted = 0;
    for (int round = 0; round < kRounds; ++round) {
        const VUnicodeString before = VUnicodeString::FromUtf8(FileText(scope.PassphraseFile()));
        const VUnicodeString next = VUnicodeString(u"round ") + VUnicodeString::FromNumber(round).str();
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ResetConfigPassphrase();
            StoreInUse<SqliteProfileFactory> open(path);
            PassphraseChangeResult result;
            _exit(ChangeConfigPassphrase(next, {}, result, nullptr) ? 0 : 3);
        }
        const int status = KillAfter(child, delayUs(random));
        ASSERT_TRUE(WIFSIGNALED(status) || WEXITSTATUS(status) == 0) << "status " << status;
        (WIFSIGNALED(status) ? interrupted : completed)++;

        ResetConfigPassphrase();
        StoreInUse<SqliteProfileFactory> open(path);
        ASSERT_TRUE(open.factory.IsOpen());
        const int underOld = ReadableUnder(before);
        const int underNew = ReadableUnder(next);
        EXPECT_TRUE((underOld == kSecrets && underNew == 0) || (underOld == 0 && underNew == kSecrets))
            << "round " << round << ": " << underOld << " under the old, " << underNew << " under the new";
        // The passphrase in use, once a cut-short change is settled, is the one they are under.
        VEncryptedStringKeyData* keyData = nullptr;
        ASSERT_TRUE(GetConfigPassphraseKeyData(&keyData, nullptr));
        EXPECT_TRUE(keyData->HasPassphrase(underNew == kSecrets ? next : before)) << "round " << round;
        keyData->Release();
    }
    EXPECT_GT(interrupted, 0);
}

} // namespace
