#include <gtest/gtest.h>

#include <vector>

#include "SecretFakes.h"
#include "StoreFixtures.h"
#include "profile/secrets/ConfigPassphrase.h"
#include "profile/secrets/CredentialDatabase.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

class Recorder final : public ICredentialDatabaseSink {
public:
    void OnCredentialDatabaseChanged(const VUnicodeString& name) override { names.push_back(name.str()); }
    std::vector<std::u16string> names;
};

class Credentials : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        SetConfigPassphrase(u"host secret", nullptr);
        ASSERT_TRUE(GetCredentialDatabase(&database));
    }
    PassphraseScope passphrase;
    FakeRandomSource random;
    CredentialDatabase* database = nullptr;
};

ORV_BOTH_BACKENDS(Credentials);

TEST_P(Credentials, KeepsThePasswordEncryptedAndTellsTheSinks)
{
    Recorder pane;
    Recorder other;
    database->Register(&pane);
    database->Register(&pane); // once only
    database->Register(&other);
    ASSERT_TRUE(database->SetCredential(u"db", u"admin", u"s3cr\u00e9t", nullptr));
    database->Unregister(&other);
    ASSERT_TRUE(database->SetCredential(u"web", u"deploy", u"", nullptr));
    EXPECT_FALSE(database->SetCredential(u"a\\b", u"x", u"y", nullptr));
    EXPECT_EQ(pane.names, (std::vector<std::u16string>{u"db", u"web"}));
    EXPECT_EQ(other.names, std::vector<std::u16string>{u"db"});

    {
        VProfileStore store;
        VProfileKey key(*store.GetRootKey(), u"Credentials\\db", 0);
        VUnicodeString raw;
        ASSERT_TRUE(key.ReadString(u"Password V2", raw));
        EXPECT_TRUE(raw.StartsWith(u"03:"));
        EXPECT_EQ(raw.Find(u"s3cr"), VUnicodeString::npos);
    }
    EXPECT_EQ(database->GetNames().GetSize(), 2u);
    VUnicodeString user;
    VUnicodeString password;
    ASSERT_TRUE(database->GetUsername(u"db", user));
    ASSERT_TRUE(database->GetPassword(u"db", password, nullptr));
    EXPECT_EQ(user, VUnicodeString(u"admin"));
    EXPECT_EQ(password, VUnicodeString(u"s3cr\u00e9t"));

    ASSERT_TRUE(database->DeleteCredential(u"db"));
    EXPECT_FALSE(database->Exists(u"db"));
    EXPECT_FALSE(database->DeleteCredential(u"db"));
    EXPECT_EQ(pane.names.back(), u"db");
    database->Unregister(&pane);
    EXPECT_EQ(database->SinkCount(), 0u);
}

} // namespace
