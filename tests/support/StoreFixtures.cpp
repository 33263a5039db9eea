#include "StoreFixtures.h"

#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>

#include "profile/sessions/SessionDatabase.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

RecordingFactory* g_current = nullptr;

VProfileStoreFactory* CurrentFactory()
{
    return g_current;
}

class KindHidingIterator final : public IProfileBackendIterator {
public:
    explicit KindHidingIterator(IProfileBackendIterator* inner) : m_inner(inner) {}
    bool Next(VUnicodeString& name, uint32_t& extra) override
    {
        const bool more = m_inner && m_inner->Next(name, extra);
        extra = kChildKindUnknown;
        return more;
    }
    bool Next(VUnicodeString& name) override { return m_inner && m_inner->Next(name); }

private:
    std::unique_ptr<IProfileBackendIterator> m_inner;
};

class RecordingKey final : public IProfileBackendKey {
public:
    RecordingKey(IProfileBackendKey* inner, RecordingFactory& owner) : m_inner(inner), m_owner(owner) {}
    bool ValueExists(const VUnicodeString& n) override { return m_inner->ValueExists(n); }
    bool ReadStringArray(const VUnicodeString& n, VStringArray& v) override { return m_inner->ReadStringArray(n, v); }
    bool ReadBinary(const VUnicodeString& n, void* b, uint32_t& s) override { return m_inner->ReadBinary(n, b, s); }
    bool ReadString(const VUnicodeString& n, VUnicodeString& v) override { return m_inner->ReadString(n, v); }
    bool ReadDword(const VUnicodeString& n, uint32_t& v) override { return m_inner->ReadDword(n, v); }
    bool WriteStringArray(const VUnicodeString& n, const VStringArray& v) override
    {
        return Count(n) && m_inner->WriteStringArray(n, v);
    }
    bool WriteBinary(const VUnicodeString& n, const void* d, uint32_t s) override
    {
        return Count(n) && m_inner->WriteBinary(n, d, s);
    }
    bool WriteString(const VUnicodeString& n, const VUnicodeString& v) override
    {
        return Count(n) && m_inner->WriteString(n, v);
    }
    bool WriteUnsigned(const VUnicodeString& n, uint32_t v) override { return Count(n) && m_inner->WriteUnsigned(n, v); }
    bool WriteSigned(const VUnicodeString& n, int32_t v) override { return Count(n) && m_inner->WriteSigned(n, v); }
    bool WriteBool(const VUnicodeString& n, bool v) override { return Count(n) && m_inner->WriteBool(n, v); }
    bool DeleteKey(const VUnicodeString& p) override { return m_inner->DeleteKey(p); }
    bool RenameKey(const VUnicodeString& a, const VUnicodeString& b) override
    {
        m_owner.renames.emplace_back(a.str(), b.str());
        return !m_owner.refuseRename && m_inner->RenameKey(a, b);
    }
    bool KeyExists(const VUnicodeString& p) override { return m_inner->KeyExists(p); }
    uint32_t GetKeyNumber() override { return m_inner->GetKeyNumber(); }
    void* GetKeyHandle() override { return m_inner->GetKeyHandle(); }
    void SetKeyName(const VUnicodeString& n) override
    {
        m_owner.keyNames.push_back(n.str());
        m_inner->SetKeyName(n);
    }
    IProfileBackendKey* OpenKey(const VUnicodeString& p, int r, int c) override
    {
        IProfileBackendKey* key = m_inner->OpenKey(p, r, c);
        return key ? new RecordingKey(key, m_owner) : nullptr;
    }
    IProfileBackendIterator* Enumerate(int kind) override
    {
        m_owner.childWalks += kind == kEnumerateSubkeys;
        if (kind == kEnumerateSubkeys && m_owner.hideChildKinds)
            return new KindHidingIterator(m_inner->Enumerate(kind));
        return m_inner->Enumerate(kind);
    }
    bool CanMoveKeys() override { return !m_owner.refuseMove && m_inner->CanMoveKeys(); }
    bool MoveKey(const VUnicodeString& p, const VUnicodeString& parent, const VUnicodeString& name) override
    {
        return !m_owner.refuseMove && m_inner->MoveKey(p, parent, name);
    }
    bool QueryValuesBelow(const VStringArray& names, int depth, const FoundValueSink& sink) override
    {
        return m_inner->QueryValuesBelow(names, depth, sink);
    }
    bool GetChildrenMark(VUnicodeString& mark) override { return m_inner->GetChildrenMark(mark); }

private:
    // False for the write that is to fail.
    bool Count(const VUnicodeString& name)
    {
        ++m_owner.writes[name.str()];
        return m_owner.failWriteAt == 0 || m_owner.TotalWrites() != m_owner.failWriteAt;
    }
    std::unique_ptr<IProfileBackendKey> m_inner;
    RecordingFactory& m_owner;
};

class RecordingStore final : public IProfileBackendStore {
public:
    RecordingStore(IProfileBackendStore* inner, RecordingFactory& owner) : m_inner(inner), m_owner(owner) {}
    IProfileBackendKey* OpenRootKey(int selector) override
    {
        IProfileBackendKey* key = m_inner->OpenRootKey(selector);
        return key ? new RecordingKey(key, m_owner) : nullptr;
    }
    void Abandon() override
    {
        ++m_owner.abandoned;
        m_inner->Abandon();
    }

private:
    std::unique_ptr<IProfileBackendStore> m_inner;
    RecordingFactory& m_owner;
};

} // namespace

IProfileBackendStore* RecordingFactory::CreateStore()
{
    ++storesMade;
    IProfileBackendStore* store = m_inner.CreateStore();
    return store ? new RecordingStore(store, *this) : nullptr;
}

std::string TestPostgresUri()
{
    const char* uri = std::getenv("ORV_TEST_POSTGRES_URI");
    return uri ? uri : "";
}

std::string MakeTestPostgresSchema(std::string& uri)
{
    static int made = 0;
    const std::string base = TestPostgresUri();
    const std::string schema = "orv_test_" + std::to_string(getpid()) + "_" + std::to_string(++made);
    PGconn* conn = PQconnectdb(base.c_str());
    PGresult* r = PQexec(conn, ("CREATE SCHEMA " + schema).c_str());
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    PQclear(r);
    PQfinish(conn);
    if (!ok)
        return {};
    uri = base + (base.find('?') == std::string::npos ? "?" : "&") + "options=-csearch_path%3D" + schema;
    return schema;
}

void DropTestPostgresSchema(const std::string& schema)
{
    PGconn* conn = PQconnectdb(TestPostgresUri().c_str());
    PQsetNoticeProcessor(conn, [](void*, const char*) {}, nullptr);
    PQclear(PQexec(conn, ("DROP SCHEMA " + schema + " CASCADE").c_str()));
    PQfinish(conn);
}

void StoreTest::SetUp()
{
    std::string uri;
    if (IsPostgres() && !TestPostgresUri().empty())
        postgresSchema = MakeTestPostgresSchema(uri);
    if (IsSqlite())
        backend = std::make_unique<SqliteProfileFactory>(dir.str() + "/config.db");
    else if (!postgresSchema.empty())
        backend = std::make_unique<PostgresProfileFactory>(uri);
    else
        backend = std::make_unique<MemoryProfileFactory>();
    recorder = std::make_unique<RecordingFactory>(*backend);
    g_current = recorder.get();
    SetProfileStoreFactoryGetter(&CurrentFactory);
    if (IsPostgres() && TestPostgresUri().empty())
        GTEST_SKIP() << "no PostgreSQL server: run under scripts/with-postgres.sh (it sets ORV_TEST_POSTGRES_URI)";
    ASSERT_FALSE(IsPostgres() && postgresSchema.empty()) << "the test server refused a schema";
}

void StoreTest::TearDown()
{
    SetProfileStoreFactoryGetter(nullptr);
    g_current = nullptr;
    if (!postgresSchema.empty()) {
        recorder.reset();
        backend.reset();
        DropTestPostgresSchema(postgresSchema);
        postgresSchema.clear();
    }
}

void PostgresSchemaTest::SetUp()
{
    if (TestPostgresUri().empty())
        GTEST_SKIP() << "no PostgreSQL server: run under scripts/with-postgres.sh (it sets ORV_TEST_POSTGRES_URI)";
    schema = MakeTestPostgresSchema(uri);
    ASSERT_FALSE(schema.empty());
}

void PostgresSchemaTest::TearDown()
{
    SetProfileStoreFactoryGetter(nullptr);
    if (!schema.empty())
        DropTestPostgresSchema(schema);
}

void MakeFolder(const std::u16string& path)
{
    VUnicodeString parent;
    VUnicodeString leaf;
    SessionDatabase::SplitSessionPath(VUnicodeString(path), parent, leaf);
    ASSERT_TRUE(GetSessionDatabaseImpl()->CreateFolder(parent, leaf, {}, false, nullptr)) << VUnicodeString(path).ToUtf8();
}

void WriteSession(const std::u16string& path, const std::u16string& protocol, const std::u16string& transfer,
                  const std::u16string& host, const std::u16string& description)
{
    {
        VProfileStore store;
        VProfileKey key(*store.GetRootKey(), SessionDatabase::KeyPathFromSessionPath(VUnicodeString(path)), 1);
        ASSERT_TRUE(key.IsOpen());
        key.WriteString(u"Protocol Name", protocol);
        key.WriteString(u"Transfer Protocol Name", transfer);
        key.WriteString(u"Hostname", host);
        key.WriteStringArray(u"Description", VStringArray{VUnicodeString(description)});
    }
    GetSessionDatabaseImpl()->DropCachedListings();
}

std::string SqliteScalar(const std::string& path, const char* sql)
{
    sqlite3* db = nullptr;
    std::string result = "error";
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt* q = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &q, nullptr) == SQLITE_OK && sqlite3_step(q) == SQLITE_ROW)
            result = reinterpret_cast<const char*>(sqlite3_column_text(q, 0));
        sqlite3_finalize(q);
    }
    sqlite3_close(db);
    return result;
}

bool SqliteExec(const std::string& path, const char* sql)
{
    sqlite3* db = nullptr;
    const bool ran = sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
                     sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ran;
}

void DamagePages(const std::string& path, std::streamoff offset, size_t length)
{
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(offset);
    const std::string junk(length, '\x5A');
    file.write(junk.data(), static_cast<std::streamsize>(junk.size()));
}
