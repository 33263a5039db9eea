#include <gtest/gtest.h>

#include <dlfcn.h>

#include "Fakes.h"
#include "entry/EntryPointLoader.h"
#include "entry/HookModuleLoader.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

const std::u16string kLibraryDir = VUnicodeString::FromUtf8(ORV_LIBRARY_DIR).str();

struct Slots {
    LaunchKeygenWizardFn keygen = nullptr;
    LaunchConvertKeyWizardFn convert = nullptr;
    ExportPublicKeyFn exportKey = nullptr;
    ManageAgentKeysFn agentKeys = nullptr;
    PreloadKeysIntoAgentFn preload = nullptr;
    CreateSocksForwardingSocketFn socks = nullptr;
    HookSlots Addresses() { return {&keygen, &convert, &exportKey, &agentKeys, &preload, &socks}; }
};

bool StillLoaded(const std::string& path)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
}

TEST(ModulePath, ExactlyOneSlashAtTheJoin)
{
    EXPECT_EQ(JoinModulePath(u"/opt/orv/", u"/hooks.so"), u"/opt/orv/hooks.so");
    EXPECT_EQ(JoinModulePath(u"/opt/orv", u"hooks.so"), u"/opt/orv/hooks.so");
    EXPECT_EQ(JoinModulePath(u"/opt/orv/", u"hooks.so"), u"/opt/orv/hooks.so");
    EXPECT_EQ(JoinModulePath(u"/opt/orv", u"/hooks.so"), u"/opt/orv/hooks.so");
    EXPECT_EQ(JoinModulePath(u"", u"hooks.so"), u"/hooks.so");
}

TEST(HookModuleLoader, ModuleWithOnlyPreloadFillsThatSlotAndStaysLoaded)
{
    FakeMessageBox box;
    Slots slots;
    HookModuleLoader loader(slots.Addresses());
    // Slashes on both sides of the join still name the module.
    loader.Load((kLibraryDir + u"/").c_str(), u"/liborv_test_preload_only.so");
    EXPECT_TRUE(loader.IsLoaded());
    EXPECT_NE(slots.preload, nullptr);
    EXPECT_EQ(slots.keygen, nullptr);
    EXPECT_EQ(slots.convert, nullptr);
    EXPECT_EQ(slots.exportKey, nullptr);
    EXPECT_EQ(slots.agentKeys, nullptr);
    EXPECT_EQ(slots.socks, nullptr);
    EXPECT_TRUE(box.shown.empty());
    EXPECT_TRUE(StillLoaded(std::string(ORV_LIBRARY_DIR) + "/liborv_test_preload_only.so"));
    slots.preload(); // callable: it points into the loaded module

    // A second call does nothing, whatever it names.
    slots.preload = nullptr;
    loader.Load(kLibraryDir.c_str(), u"liborv_test_required_entry.so");
    EXPECT_EQ(slots.preload, nullptr);
    EXPECT_FALSE(StillLoaded(std::string(ORV_LIBRARY_DIR) + "/liborv_test_required_entry.so"));
}

TEST(HookModuleLoader, MissingModuleIsSilentAndFinal)
{
    FakeMessageBox box;
    Slots slots;
    HookModuleLoader loader(slots.Addresses());
    loader.Load(u"/nonexistent", u"hooks.so");
    EXPECT_TRUE(loader.IsLoaded());
    EXPECT_EQ(slots.preload, nullptr);
    loader.Load(kLibraryDir.c_str(), u"liborv_test_preload_only.so");
    EXPECT_EQ(slots.preload, nullptr); // not retried
    EXPECT_TRUE(box.shown.empty());
}

class EntryPoints : public ::testing::Test {
protected:
    std::u16string Module(const char* file) { return kLibraryDir + u"/" + VUnicodeString::FromUtf8(file).str(); }
    void* present = nullptr;
    void* absent = nullptr;
};

TEST_F(EntryPoints, RequiredEntryMissingReportsAndUnloads)
{
    const std::u16string path = Module("liborv_test_required_entry.so");
    const EntryPointRow rows[] = {
        {&present, "PresentEntry", false, false},
        {&absent, "AbsentEntry", false, false},
        {nullptr, nullptr, false, false},
    };
    EntryPointOutcome outcome;
    const bool ok = LoadModuleEntryPoints(path, rows, outcome);
    EXPECT_FALSE(ok);
    EXPECT_NE(outcome.module, nullptr);
    EXPECT_NE(present, nullptr);
    VReportPtr report = NewReport();
    ReportEntryPointOutcome(path, rows, ok, outcome, report.Get());
    EXPECT_EQ(report->GetMessageId(), kMsgModuleEntryMissing);
    ASSERT_EQ(report->GetParameters().GetSize(), 2u);
    EXPECT_EQ(report->GetParameters()[0], VUnicodeString(path));
    EXPECT_NE(report->GetParameters()[1].Find(u"AbsentEntry"), VUnicodeString::npos);
    EXPECT_EQ(present, nullptr); // cleared: it would point into an unloaded module
    EXPECT_FALSE(StillLoaded(std::string(ORV_LIBRARY_DIR) + "/liborv_test_required_entry.so"));
}

TEST_F(EntryPoints, UnloadableModule)
{
    const std::u16string path = Module("no-such-module.so");
    const EntryPointRow optional[] = {{&present, "PresentEntry", true, false}, {nullptr, nullptr, false, false}};
    EntryPointOutcome outcome;
    EXPECT_TRUE(LoadModuleEntryPoints(path, optional, outcome)); // nothing was required
    EXPECT_NE(outcome.error.code, 0u);

    const EntryPointRow required[] = {{&present, "PresentEntry", false, false}, {nullptr, nullptr, false, false}};
    const bool ok = LoadModuleEntryPoints(path, required, outcome);
    EXPECT_FALSE(ok);
    VReportPtr report = NewReport();
    ReportEntryPointOutcome(path, required, ok, outcome, report.Get());
    EXPECT_EQ(report->GetMessageId(), kMsgModuleCannotLoad);
    EXPECT_NE(report->GetText().Find(u"no-such-module.so"), VUnicodeString::npos);
}

TEST_F(EntryPoints, KeepIfSetLeavesAFilledSlotAlone)
{
    const std::u16string path = Module("liborv_test_required_entry.so");
    int marker = 0;
    present = &marker;
    const EntryPointRow rows[] = {{&present, "PresentEntry", false, true}, {nullptr, nullptr, false, false}};
    EntryPointOutcome outcome;
    const bool ok = LoadModuleEntryPoints(path, rows, outcome);
    EXPECT_TRUE(ok);
    EXPECT_EQ(present, &marker);
    VReportPtr report = NewReport(0xE1090003);
    ReportEntryPointOutcome(path, rows, ok, outcome, report.Get());
    EXPECT_TRUE(report->IsEmpty());
    FreeModule(outcome.module);
}

} // namespace
