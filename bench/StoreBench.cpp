// The configuration store against raw SQLite doing the same work in the
// same program. Each comparison ends with a line "RATIO <name> <ours/raw>".
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "RatioReporter.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/store/SqliteProfileBackend.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

constexpr int kValues = 300;
constexpr int kSubkeys = 10000;

std::string g_folder;
SqliteProfileFactory* g_factory = nullptr;
VProfileStoreFactory* Factory()
{
    return g_factory;
}

// Setting names are constants in the code that reads them: made once here.
const std::vector<VUnicodeString>& Names()
{
    static const std::vector<VUnicodeString> names = [] {
        std::vector<VUnicodeString> out;
        for (int v = 0; v < kValues; ++v)
            out.push_back(VUnicodeString(u"Session Value ") + VUnicodeString::FromNumber(v).str());
        return out;
    }();
    return names;
}

const VUnicodeString& ValueName(int v)
{
    return Names()[static_cast<size_t>(v)];
}

// A session-like key: two thirds numbers, one third texts.
void FillSession(const VProfileKey& key)
{
    for (int v = 0; v < kValues; ++v) {
        if (v % 3 == 0)
            key.WriteString(ValueName(v), u"a typical setting text of some length");
        else
            key.WriteUnsigned(ValueName(v), static_cast<uint32_t>(v));
    }
}

sqlite3* OpenRaw(const std::string& path)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;", nullptr, nullptr, nullptr);
    return db;
}

int64_t KeyId(sqlite3* db, const char16_t* folded)
{
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(db, "SELECT id FROM keys WHERE folded=?1", -1, &q, nullptr);
    sqlite3_bind_text16(q, 1, folded, static_cast<int>(std::char_traits<char16_t>::length(folded) * 2), SQLITE_STATIC);
    const int64_t id = sqlite3_step(q) == SQLITE_ROW ? sqlite3_column_int64(q, 0) : -1;
    sqlite3_finalize(q);
    return id;
}

void BM_store_read_session_ours(benchmark::State& state)
{
    {
        VProfileStore store;
        FillSession(VProfileKey(*store.GetRootKey(), u"Sessions\\Read", 1));
    }
    for (auto _ : state) {
        VProfileStore store;
        VProfileKey key(*store.GetRootKey(), u"Sessions\\Read", 0);
        uint32_t sum = 0;
        VUnicodeString text;
        for (int v = 0; v < kValues; ++v) {
            uint32_t number = 0;
            if (v % 3 == 0)
                sum += key.ReadString(ValueName(v), text) ? static_cast<uint32_t>(text.Length()) : 0;
            else if (key.ReadDword(ValueName(v), number))
                sum += number;
        }
        benchmark::DoNotOptimize(sum);
    }
}

void BM_store_read_session_raw(benchmark::State& state)
{
    sqlite3* db = OpenRaw(g_folder + "/bench.db");
    const int64_t id = KeyId(db, u"read");
    sqlite3_stmt* q = nullptr;
    // The names come with the rows, as the first schema gave them.
    sqlite3_prepare_v2(db, "SELECT n.name, v.kind, v.data FROM vals v JOIN names n ON n.id=v.name WHERE v.key=?1", -1,
                       &q, nullptr);
    for (auto _ : state) {
        uint32_t sum = 0;
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_bind_int64(q, 1, id);
        while (sqlite3_step(q) == SQLITE_ROW) {
            std::u16string name(static_cast<const char16_t*>(sqlite3_column_text16(q, 0)),
                                static_cast<size_t>(sqlite3_column_bytes16(q, 0)) / 2);
            if (sqlite3_column_int(q, 1) == 4) {
                sum += static_cast<uint32_t>(sqlite3_column_int64(q, 2));
            } else {
                std::u16string text(static_cast<const char16_t*>(sqlite3_column_text16(q, 2)),
                                    static_cast<size_t>(sqlite3_column_bytes16(q, 2)) / 2);
                sum += static_cast<uint32_t>(text.size());
            }
            benchmark::DoNotOptimize(name);
        }
        sqlite3_reset(q);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        benchmark::DoNotOptimize(sum);
    }
    sqlite3_finalize(q);
    sqlite3_close(db);
}

void BM_store_write_session_ours(benchmark::State& state)
{
    int n = 0;
    for (auto _ : state) {
        VProfileStore store;
        FillSession(VProfileKey(*store.GetRootKey(), VUnicodeString(u"Sessions\\W") + VUnicodeString::FromNumber(n++).str(), 1));
    }
}

void BM_store_write_session_raw(benchmark::State& state)
{
    sqlite3* db = OpenRaw(g_folder + "/bench.db");
    const int64_t parent = KeyId(db, u"sessions");
    sqlite3_stmt* key = nullptr;
    sqlite3_stmt* value = nullptr;
    sqlite3_stmt* name = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO keys(parent, name, folded) VALUES(?1, ?2, ?2)", -1, &key, nullptr);
    sqlite3_prepare_v2(db, "INSERT INTO vals(key, name, kind, data) VALUES(?1, ?2, ?3, ?4)", -1, &value, nullptr);
    sqlite3_prepare_v2(db, "SELECT id FROM names WHERE folded=?1", -1, &name, nullptr);
    // The value names are numbered once, as the store keeps them.
    std::vector<int64_t> ids;
    for (int v = 0; v < kValues; ++v) {
        const std::u16string folded = VUnicodeString::FoldCase(ValueName(v));
        sqlite3_bind_text16(name, 1, folded.data(), static_cast<int>(folded.size() * 2), SQLITE_TRANSIENT);
        ids.push_back(sqlite3_step(name) == SQLITE_ROW ? sqlite3_column_int64(name, 0) : -1 - v);
        sqlite3_reset(name);
    }
    int n = 0;
    for (auto _ : state) {
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        const std::u16string keyName = u"raw" + VUnicodeString::FromNumber(n++).str();
        sqlite3_bind_int64(key, 1, parent);
        sqlite3_bind_text16(key, 2, keyName.data(), static_cast<int>(keyName.size() * 2), SQLITE_TRANSIENT);
        sqlite3_step(key);
        sqlite3_reset(key);
        const int64_t id = sqlite3_last_insert_rowid(db);
        for (int v = 0; v < kValues; ++v) {
            sqlite3_bind_int64(value, 1, id);
            sqlite3_bind_int64(value, 2, ids[static_cast<size_t>(v)]);
            if (v % 3 == 0) {
                const std::u16string text = u"a typical setting text of some length";
                sqlite3_bind_int(value, 3, 1);
                sqlite3_bind_text16(value, 4, text.data(), static_cast<int>(text.size() * 2), SQLITE_TRANSIENT);
            } else {
                sqlite3_bind_int(value, 3, 4);
                sqlite3_bind_int64(value, 4, v);
            }
            sqlite3_step(value);
            sqlite3_reset(value);
        }
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }
    sqlite3_finalize(key);
    sqlite3_finalize(value);
    sqlite3_finalize(name);
    sqlite3_close(db);
}

void BM_store_enumerate(benchmark::State& state)
{
    {
        VProfileStore store;
        VProfileKey many(*store.GetRootKey(), u"Many", 1);
        if (!many.KeyExists(u"K0"))
            for (int k = 0; k < kSubkeys; ++k)
                VProfileKey(many, VUnicodeString(u"K") + VUnicodeString::FromNumber(k).str(), 1);
    }
    for (auto _ : state) {
        VProfileStore store;
        VProfileKey many(*store.GetRootKey(), u"Many", 0);
        VProfileKeyIterator it(many);
        size_t count = 0;
        for (VUnicodeString name; it.Next(name);)
            ++count;
        benchmark::DoNotOptimize(count);
    }
    state.SetItemsProcessed(state.iterations() * kSubkeys);
    state.counters["time_per_key"] = benchmark::Counter(static_cast<double>(state.iterations()) * kSubkeys,
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_store_read_session_ours)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_store_read_session_raw)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_store_write_session_ours)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_store_write_session_raw)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_store_enumerate)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    char folder[] = "/tmp/orv-bench-XXXXXX";
    g_folder = mkdtemp(folder);
    SqliteProfileFactory factory(g_folder + "/bench.db");
    g_factory = &factory;
    SetProfileStoreFactoryGetter(&Factory);

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* name : {"store_read_session", "store_write_session"}) {
        const std::string base = std::string("BM_") + name;
        reporter.PrintRatio(std::string(name), base + "_ours", base + "_raw");
    }
    SetProfileStoreFactoryGetter(nullptr);
    g_factory = nullptr;
    std::filesystem::remove_all(g_folder);
    benchmark::Shutdown();
    return 0;
}
