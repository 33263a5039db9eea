// Reading exchange documents: our readers (checks, UTF-16 texts, values
// typed by kind) against the bare streaming parse of the same bytes by the
// same library, in the same program. Each comparison ends with a line
// "RATIO <name> <ours/bare>".
#include <benchmark/benchmark.h>
#include <expat.h>
#include <rapidjson/reader.h>
#include <rapidjson/stream.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>

#include "RatioReporter.h"
#include "profile/exchange/ExchangeJson.h"
#include "profile/exchange/ExchangeXml.h"

namespace {

constexpr int kFolders = 10;
constexpr int kSessionsPerFolder = 50;
constexpr int kValuesPerSession = 60;

class Counter : public IExchangeVisitor {
public:
    void BeginFolder(const ExchangeFolder&) override { ++folders; }
    void EndFolder() override {}
    void Session(const ExchangeSession& session) override { values += session.values.size(); }
    size_t folders = 0;
    size_t values = 0;
};

std::string Document(ExchangeFormat format)
{
    std::ostringstream out;
    JsonExchangeWriter json(out);
    XmlExchangeWriter xml(out);
    IExchangeWriter& writer = format == ExchangeFormat::Xml ? static_cast<IExchangeWriter&>(xml) : json;
    writer.BeginDocument();
    for (int f = 0; f < kFolders; ++f) {
        writer.BeginFolder(ExchangeFolder{VUnicodeString::FromNumber(f), f % 2 == 0, 0});
        for (int s = 0; s < kSessionsPerFolder; ++s) {
            ExchangeSession session{u"session " + VUnicodeString::FromNumber(s).str(), {}, 0};
            for (int v = 0; v < kValuesPerSession; ++v) {
                ExchangeValue value;
                value.kind = v % 3 == 0 ? ValueKind::Number : v % 3 == 1 ? ValueKind::Text : ValueKind::List;
                value.number = v * 7;
                value.text = u"host-" + VUnicodeString::FromNumber(v).str() + u".example.net";
                value.list = VStringArray{u"one", u"two <&>"};
                session.values.push_back({u"Value " + VUnicodeString::FromNumber(v).str(), value, 0});
            }
            writer.Session(session);
        }
        writer.EndFolder();
    }
    writer.EndDocument();
    return out.str();
}

const std::string& Json()
{
    static const std::string text = Document(ExchangeFormat::Json);
    return text;
}

const std::string& Xml()
{
    static const std::string text = Document(ExchangeFormat::Xml);
    return text;
}

void Bytes(benchmark::State& state, const std::string& text)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

void BM_exchange_read_json_ours(benchmark::State& state)
{
    for (auto _ : state) {
        std::istringstream in(Json());
        Counter counter;
        ReadExchangeJson(in, "bench.json", counter);
        benchmark::DoNotOptimize(counter.values);
    }
    Bytes(state, Json());
}

void BM_exchange_read_json_bare(benchmark::State& state)
{
    for (auto _ : state) {
        rapidjson::StringStream in(Json().c_str());
        rapidjson::BaseReaderHandler<> handler;
        rapidjson::Reader reader;
        benchmark::DoNotOptimize(
            reader.Parse<rapidjson::kParseValidateEncodingFlag | rapidjson::kParseIterativeFlag>(in, handler).Code());
    }
    Bytes(state, Json());
}

void BM_exchange_read_xml_ours(benchmark::State& state)
{
    for (auto _ : state) {
        std::istringstream in(Xml());
        Counter counter;
        ReadExchangeXml(in, "bench.xml", counter);
        benchmark::DoNotOptimize(counter.values);
    }
    Bytes(state, Xml());
}

void BM_exchange_read_xml_bare(benchmark::State& state)
{
    for (auto _ : state) {
        XML_Parser parser = XML_ParserCreate("UTF-8");
        XML_SetElementHandler(parser, [](void*, const XML_Char*, const XML_Char**) {}, [](void*, const XML_Char*) {});
        XML_SetCharacterDataHandler(parser, [](void*, const XML_Char*, int) {});
        benchmark::DoNotOptimize(XML_Parse(parser, Xml().data(), static_cast<int>(Xml().size()), 1));
        XML_ParserFree(parser);
    }
    Bytes(state, Xml());
}

BENCHMARK(BM_exchange_read_json_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_exchange_read_json_bare)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_exchange_read_xml_ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_exchange_read_xml_bare)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* name : {"exchange_read_json", "exchange_read_xml"}) {
        const std::string base = std::string("BM_") + name;
        reporter.PrintRatio(std::string(name), base + "_ours", base + "_bare");
    }
    benchmark::Shutdown();
    return 0;
}
