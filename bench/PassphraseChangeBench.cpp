// A change of the configuration passphrase over a store of 16 secrets,
// with the key derivations on one thread and on every core, in the same
// program ("RATIO passphrase_change_all_cores <all cores/one thread>").
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <thread>

#include "RatioReporter.h"
#include "profile/reports/VReportMessageParams.h"
#include "profile/secrets/ConfigPassphrase.h"
#include "profile/secrets/PassphraseChange.h"
#include "profile/secrets/VEncryptedString.h"
#include "profile/secrets/VEncryptedStringKeyData.h"
#include "profile/store/MemoryProfileBackend.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

constexpr int kSecrets = 16;

MemoryProfileFactory* g_factory = nullptr;
VProfileStoreFactory* Factory()
{
    return g_factory;
}

// A store of secrets under "even"; each run moves them to the other passphrase.
struct Store {
    MemoryProfileFactory factory;
    bool even = true;
    Store()
    {
        g_factory = &factory;
        SetProfileStoreFactoryGetter(&Factory);
        VUnknownPointer<VEncryptedStringKeyData> keyData(VEncryptedStringKeyData::Create(u"even"));
        VProfileStore store;
        for (int n = 0; n < kSecrets; ++n) {
            VEncryptedString text;
            text.Encrypt(u"secret", *keyData, nullptr);
            VProfileKey(*store.GetRootKey(), u"Sessions\\s" + VUnicodeString::FromNumber(n).str(), 1)
                .WriteString(u"Monitor Password V2", text);
        }
        SetConfigPassphrase(u"even", nullptr);
    }
};

void Run(benchmark::State& state, unsigned threads)
{
    static Store store;
    PassphraseChangeOptions options;
    options.threads = threads;
    for (auto _ : state) {
        const char16_t* next = store.even ? u"odd" : u"even";
        PassphraseChangeResult result;
        VReportPtr report = NewReport();
        if (!ChangeConfigPassphrase(next, options, result, report.Get()) || result.secrets < kSecrets) {
            state.SkipWithError(("the change failed: " + report->GetText().ToUtf8()).c_str());
            break;
        }
        store.even = !store.even;
    }
}

void BM_passphrase_change_one_thread(benchmark::State& state)
{
    Run(state, 1);
}

void BM_passphrase_change_all_cores(benchmark::State& state)
{
    Run(state, 0);
}

BENCHMARK(BM_passphrase_change_one_thread)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_passphrase_change_all_cores)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto one = reporter.times.find("BM_passphrase_change_one_thread/iterations:3");
    const auto all = reporter.times.find("BM_passphrase_change_all_cores/iterations:3");
    if (one != reporter.times.end() && all != reporter.times.end())
        std::printf("RATIO passphrase_change_all_cores %.2f (%u cores)\n", all->second / one->second,
                    std::thread::hardware_concurrency());
    benchmark::Shutdown();
    return 0;
}
