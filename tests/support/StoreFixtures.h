#pragma once

#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "Fakes.h"
#include "platform/GlobalConfig.h"
#include "profile/store/MemoryProfileBackend.h"
#include "profile/store/PostgresProfileBackend.h"
#include "profile/store/ProfileBackend.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/store/SqliteProfileBackend.h"

// Wraps a factory and counts the writes that reach its back end, by value
// name, and the renames and recorded key names asked of it.
class RecordingFactory final : public VProfileStoreFactory {
public:
    explicit RecordingFactory(VProfileStoreFactory& inner) : m_inner(inner) {}
    IProfileBackendStore* CreateStore() override;
    bool IsReadOnly() const override { return m_inner.IsReadOnly(); }
    bool TakeOutsideChanges(VStringArray& folders) override { return m_inner.TakeOutsideChanges(folders); }

    int Writes(const std::u16string& name) const
    {
        const auto it = writes.find(name);
        return it == writes.end() ? 0 : it->second;
    }
    int TotalWrites() const
    {
        int total = 0;
        for (const auto& [name, n] : writes)
            total += n;
        return total;
    }
    std::map<std::u16string, int> writes;
    int storesMade = 0;
    // Every RenameKey asked of the back end, as (old, new).
    std::vector<std::pair<std::u16string, std::u16string>> renames;
    // Every name handed to SetKeyName.
    std::vector<std::u16string> keyNames;
    // Makes RenameKey fail, as on a back end that cannot rename.
    bool refuseRename = false;
    // Makes subkey walks say every child's kind is unknown.
    bool hideChildKinds = false;
    // Offers no key move, as a back end that can only copy.
    bool refuseMove = false;
    // The write (counted from 1 over TotalWrites) that fails as a back end
    // that breaks half-way; 0 never.
    int failWriteAt = 0;
    int abandoned = 0;
    // Walks over a key's subkeys asked of the back end.
    int childWalks = 0;

private:
    VProfileStoreFactory& m_inner;
};

// Runs a test against each back end: the memory tree, an SQLite file in
// a fresh folder and, when ORV_TEST_POSTGRES_URI names a server (see
// scripts/with-postgres.sh), a fresh schema of that PostgreSQL database.
// The library's factory getter answers the recording wrapper while the
// test runs.
class StoreTest : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override;
    void TearDown() override;
    bool IsSqlite() const { return GetParam() == "sqlite"; }
    bool IsPostgres() const { return GetParam() == "postgresql"; }

    TempDir dir;
    std::unique_ptr<VProfileStoreFactory> backend;
    std::unique_ptr<RecordingFactory> recorder;
    FakeMessageBox box; // reports that display themselves land here
    std::string postgresSchema; // made for this test, dropped after it
};

// The server the tests may use, or empty; a fresh schema of it, named in a
// connection URI whose search path starts there; the schema dropped.
std::string TestPostgresUri();
std::string MakeTestPostgresSchema(std::string& uri);
void DropTestPostgresSchema(const std::string& schema);

// A test on a fresh schema of the test server, dropped after it; skipped
// when there is no server. A subclass's SetUp calls this one first and
// returns when IsSkipped().
class PostgresSchemaTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string uri;
    std::string schema;
};

// The first column of the first row `sql` gives on a connection of its
// own to the database file at `path`, as another process sees it; "error"
// when that fails.
std::string SqliteScalar(const std::string& path, const char* sql);
// Runs `sql` on the database file at `path`, made when missing; whether all
// of it ran.
bool SqliteExec(const std::string& path, const char* sql);

// Scribbles over `length` bytes of the file from `offset` (by default the
// pages after the header): still a database file, but its tree pages no
// longer make sense.
void DamagePages(const std::string& path, std::streamoff offset = 4096 + 100, size_t length = 8192);

// A folder made through the session database; a session's values written
// straight to its key (the listings dropped after).
void MakeFolder(const std::u16string& path);
void WriteSession(const std::u16string& path, const std::u16string& protocol = u"SSH2",
                  const std::u16string& transfer = u"None", const std::u16string& host = u"",
                  const std::u16string& description = u"");

// The process's global options at their defaults while this lives, put
// back as they were after.
class FreshGlobalConfig {
public:
    FreshGlobalConfig()
    {
        GetGlobalConfig(&config);
        saved = *config;
        *config = GlobalConfig();
    }
    ~FreshGlobalConfig() { *config = saved; }
    FreshGlobalConfig(const FreshGlobalConfig&) = delete;
    FreshGlobalConfig& operator=(const FreshGlobalConfig&) = delete;
    GlobalConfig* operator->() const { return config; }
    GlobalConfig* config = nullptr;

private:
    GlobalConfig saved;
};

#define ORV_BOTH_BACKENDS(Suite)                                                                      \
    INSTANTIATE_TEST_SUITE_P(Backends, Suite, ::testing::Values("memory", "sqlite", "postgresql"),                 \
                             [](const ::testing::TestParamInfo<std::string>& info) { return info.param; })
