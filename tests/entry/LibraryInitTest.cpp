#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <tuple>

#include "Fakes.h"
#include "KeyTables.h"
#include "entry/ConnectDialog.h"
#include "entry/LibraryState.h"
#include "platform/HostForms.h"
#include "platform/Products.h"
#include "platform/WindowClassRegistry.h"
#include "profile/reports/ReportRouting.h"
#include "profile/sessions/SessionConfig.h"
#include "profile/store/SqliteProfileBackend.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {


VReportMessageRouter* NoRouter()
{
    return nullptr;
}

TEST(DllInit, HoldsExactlyOneReferenceOnTheLock)
{
    FakeSynchObject lock;
    ConnectDialogDllInit(&NoRouter, &lock);
    ConnectDialogDllInit(&NoRouter, &lock);
    EXPECT_EQ(lock.refs, 2u); // the host's and the library's
    EXPECT_EQ(GetReportRouterGetter(), &NoRouter);

    FakeSynchObject other;
    ConnectDialogDllInit(nullptr, &other);
    EXPECT_EQ(lock.refs, 1u);
    EXPECT_EQ(other.refs, 2u);
    ConnectDialogDllInit(nullptr, nullptr);
    EXPECT_EQ(other.refs, 1u);
    EXPECT_EQ(GetLibrarySynchObject(), nullptr);
}

TEST(DllInit, ProfileFactoryGetterIsKept)
{
    TempDir dir;
    auto getter = []() -> VProfileStoreFactory* { return nullptr; };
    ConnectDialogDllInitProfileFactory(getter);
    EXPECT_EQ(GetProfileStoreFactoryGetter(), getter);
    // Without a factory of the host's the embedded database serves.
    ScopedEnv db("ORV_CONFIG_DB", (dir.str() + "/config.db").c_str());
    ConnectDialogDllInitProfileFactory(nullptr);
    ASSERT_NE(GetProfileStoreFactoryGetter(), nullptr);
    EXPECT_EQ(GetProfileStoreFactoryGetter()(), GetDefaultProfileStoreFactory());
    {
        VProfileStore store;
        EXPECT_TRUE(VProfileKey(*store.GetRootKey(), u"Written", 1).WriteUnsigned(u"v", 1));
    }
    EXPECT_TRUE(std::filesystem::exists(dir.str() + "/config.db"));
    SetProfileStoreFactoryGetter(nullptr);
}

TEST(InitGui, KeepsCallbacksAndStaysRegisteredOnASecondCall)
{
    auto properties = [](ISessionConfig*, int, bool, bool, bool&, int, bool, QWidget*) { return 1; };
    auto changed = [](const char16_t*) {};
    const QIcon* icon = reinterpret_cast<const QIcon*>(&properties); // any address stands for the host's icon
    ConnectDialogInitGUI(icon, 9, properties, nullptr, nullptr, changed);
    EXPECT_TRUE(GetLibraryState().dialogClassRegistered);
    const WindowClassInfo* dialogClass = FindWindowClass(u"Orvalis Software Connect Dialog");
    ASSERT_NE(dialogClass, nullptr);
    EXPECT_EQ(dialogClass->icon, icon);
    EXPECT_EQ(GetHostCallbacks().sessionProperties, +properties);
    EXPECT_EQ(GetHostCallbacks().sessionChanged, +changed);
    EXPECT_EQ(GetHostCallbacks().help, nullptr);
    EXPECT_EQ(GetHostFormsGui().applicationNumber, 9);
    EXPECT_EQ(GetApplicationNumber(), 9);

    ConnectDialogInitGUI(nullptr, 3, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(GetLibraryState().dialogClassRegistered);
    EXPECT_EQ(GetHostCallbacks().sessionProperties, nullptr);
    EXPECT_EQ(GetApplicationNumber(), 3);
}

TEST(Cleanup, ReleasesTheRetainedConfigurationOnce)
{
    CleanupQuickConnectDialog(); // nothing held: nothing happens
    const SessionConfigPtr config(new SessionConfig(nullptr, u"Quick"));
    GetLibraryState().quickConnectRetained = VUnknownPointer<ISessionConfig>::Retain(config.Get());
    EXPECT_EQ(config->RefCount(), 2u);
    CleanupQuickConnectDialog();
    EXPECT_EQ(config->RefCount(), 1u);
    CleanupQuickConnectDialog();
    EXPECT_EQ(config->RefCount(), 1u);
}

TEST(Attach, LoadsTheKeyTablesAndDetachReleasesTheLock)
{
    TempDir runtimeDir;
    ScopedEnv runtime("XDG_RUNTIME_DIR", runtimeDir.str().c_str());
    LibraryAttach();
    const LibraryState& state = GetLibraryState();
    EXPECT_FALSE(state.sessionTreeKeys.empty());
    EXPECT_FALSE(state.moduleFolder.empty());
    FakeSynchObject lock;
    ConnectDialogDllInit(nullptr, &lock);
    LibraryDetach();
    EXPECT_EQ(lock.refs, 1u);
}

// Two commands on one key in one table would make one of them unreachable.
TEST(KeyTables, NoKeyIsBoundTwiceInATable)
{
    for (KeyTable table : {KeyTable::SessionTree, KeyTable::SessionManager, KeyTable::CommandTree,
                           KeyTable::ActiveSessions}) {
        std::set<std::pair<uint8_t, uint16_t>> keys;
        for (const AcceleratorEntry& entry : GetKeyTable(table))
            EXPECT_TRUE(keys.insert({entry.modifiers, entry.key}).second)
                << "table " << static_cast<int>(table) << " key " << entry.key;
    }
    EXPECT_EQ(GetKeyTable(KeyTable::SessionTree).size(), 21u);
}

} // namespace
