// Other programs' session files: our readers (the file read, each session
// mapped and walked into the exchange model) against the bare parse of the
// same bytes by the same library, in the same program; and a whole import
// into an in-memory database. Each comparison ends with a line
// "RATIO <name> <ours/bare>".
#include <benchmark/benchmark.h>
#include <csv.h>
#include <pugixml.hpp>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "RatioReporter.h"
#include "profile/exchange/CsvReader.h"
#include "profile/exchange/FileZillaReader.h"
#include "profile/exchange/SessionExchangeDatabase.h"
#include "profile/sessions/SessionDatabase.h"
#include "profile/store/MemoryProfileBackend.h"
#include "profile/store/ProfileStoreFactoryGetter.h"

namespace {

constexpr int kFolders = 50;
constexpr int kSessionsPerFolder = 100;

const std::string& SiteList()
{
    static const std::string text = [] {
        std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<FileZilla3>\n<Servers>\n";
        for (int f = 0; f < kFolders; ++f) {
            out += "<Folder expanded=\"1\">customer " + std::to_string(f) + "\n";
            for (int s = 0; s < kSessionsPerFolder; ++s)
                out += "<Server><Host>host" + std::to_string(s) + ".example.net</Host><Port>22</Port><Protocol>1</Protocol>"
                       "<Type>0</Type><User>user</User><Logontype>1</Logontype><Name>site " +
                       std::to_string(s) + "</Name><Comments>a note</Comments></Server>\n";
            out += "</Folder>\n";
        }
        return out + "</Servers>\n</FileZilla3>\n";
    }();
    return text;
}

const std::string& Table()
{
    static const std::string text = [] {
        std::string out = "folder,name,protocol,host,port,user,description\n";
        for (int f = 0; f < kFolders; ++f)
            for (int s = 0; s < kSessionsPerFolder; ++s)
                out += "customer " + std::to_string(f) + ",site " + std::to_string(s) + ",ssh,host" + std::to_string(s) +
                       ".example.net,22,user,\"a note, quoted\"\n";
        return out;
    }();
    return text;
}

class Counter : public IExchangeVisitor {
public:
    void BeginFolder(const ExchangeFolder&) override {}
    void EndFolder() override {}
    void Session(const ExchangeSession& session) override { values += session.values.size(); }
    size_t values = 0;
};

void Walk(ForeignDocument document)
{
    Counter counter;
    WalkForeignDocument(document, counter, {});
    benchmark::DoNotOptimize(counter.values);
}

void BM_foreign_filezilla_ours(benchmark::State& state)
{
    for (auto _ : state)
        Walk(FileZillaReader::Read(SiteList(), "bench.xml", {}));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kFolders * kSessionsPerFolder);
}

void BM_foreign_filezilla_bare(benchmark::State& state)
{
    for (auto _ : state) {
        pugi::xml_document xml;
        benchmark::DoNotOptimize(xml.load_buffer(SiteList().data(), SiteList().size()));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kFolders * kSessionsPerFolder);
}

void BM_foreign_csv_ours(benchmark::State& state)
{
    for (auto _ : state)
        Walk(CsvReader::Read(Table(), "bench.csv", {}));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kFolders * kSessionsPerFolder);
}

void BM_foreign_csv_bare(benchmark::State& state)
{
    for (auto _ : state) {
        csv_parser parser;
        csv_init(&parser, CSV_STRICT);
        size_t fields = 0;
        csv_parse(&parser, Table().data(), Table().size(), [](void*, size_t, void* n) { ++*static_cast<size_t*>(n); },
                  nullptr, &fields);
        csv_fini(&parser, [](void*, size_t, void* n) { ++*static_cast<size_t*>(n); }, nullptr, &fields);
        csv_free(&parser);
        benchmark::DoNotOptimize(fields);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kFolders * kSessionsPerFolder);
}

// The whole path of import-from: read, map, check and write 5,000
// sessions in one transaction, into a fresh in-memory database each time.
void BM_foreign_csv_import_memory(benchmark::State& state)
{
    static MemoryProfileFactory* current = nullptr;
    SetProfileStoreFactoryGetter([]() -> VProfileStoreFactory* { return current; });
    for (auto _ : state) {
        MemoryProfileFactory factory;
        current = &factory;
        ForeignDocument document = CsvReader::Read(Table(), "bench.csv", {});
        RecordedExchange recorded;
        WalkForeignDocument(document, recorded, {});
        SessionExchangeImport import(*GetSessionDatabaseImpl(), VUnicodeString(), "bench.csv");
        import.Run([&](IExchangeVisitor& visitor) { recorded.Replay(visitor); });
        GetSessionDatabaseImpl()->DropCachedListings();
        current = nullptr;
    }
    SetProfileStoreFactoryGetter(nullptr);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kFolders * kSessionsPerFolder);
}

BENCHMARK(BM_foreign_filezilla_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_foreign_filezilla_bare)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_foreign_csv_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_foreign_csv_bare)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_foreign_csv_import_memory)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* name : {"foreign_filezilla", "foreign_csv"}) {
        const std::string base = std::string("BM_") + name;
        reporter.PrintRatio(std::string(name), base + "_ours", base + "_bare");
    }
    benchmark::Shutdown();
    return 0;
}
