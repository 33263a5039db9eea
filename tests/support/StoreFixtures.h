#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "Fakes.h"
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

#define ORV_BOTH_BACKENDS(Suite)                                                                      \
    INSTANTIATE_TEST_SUITE_P(Backends, Suite, ::testing::Values("memory", "sqlite", "postgresql"),                 \
                             [](const ::testing::TestParamInfo<std::string>& info) { return info.param; })
