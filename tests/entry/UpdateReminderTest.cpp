// The update reminder against a store in memory, policy files of the
// test's own, a clock the test sets and the fake message box.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>

#include "Fakes.h"
#include "entry/ConnectDialog.h"
#include "platform/GlobalConfig.h"
#include "platform/LocalTimeZone.h"
#include "platform/Products.h"
#include "platform/SystemClock.h"
#include "profile/policy/VRegistryKey.h"
#include "profile/store/MemoryProfileBackend.h"
#include "profile/store/ProfileStoreFactoryGetter.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"
#include "profile/values/ProfileGlobalConfigStorage.h"

namespace {

class TestClock final : public IClock {
public:
    int64_t NowFileTime() const override { return now; }
    int64_t now = 0;
};

MemoryProfileFactory* g_factory = nullptr;
VProfileStoreFactory* Factory()
{
    return g_factory;
}

constexpr int64_t kDay = kSecondsPerDay * kFileTimeTicksPerSecond;
constexpr uint32_t kLastCheck = 1'700'000'000; // November 2023

class Reminder : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_factory = &factory;
        SetProfileStoreFactoryGetter(&Factory);
        SetGlobalConfigStorage(&storage);
        GetGlobalConfig(&config);
        SetClock(&clock);
        policies = std::make_unique<PolicySource>(dir.str() + "/machine.reg", dir.str() + "/user.reg", getuid());
        PolicySource::SetCurrent(policies.get());
        SetApplicationNumber(kApplicationTerminal);
    }
    void TearDown() override
    {
        PolicySource::SetCurrent(nullptr);
        SetClock(nullptr);
        SetGlobalConfigStorage(nullptr);
        SetProfileStoreFactoryGetter(nullptr);
        g_factory = nullptr;
    }
    void LastCheck(int application, uint32_t seconds, bool dontRemind = false)
    {
        config->UpdateReminderFor(application) = {seconds, dontRemind};
        ASSERT_TRUE(config->Save());
    }
    // What the store holds under "Global", read afresh.
    uint32_t Stored(const char16_t* name)
    {
        VProfileStore store;
        VProfileKey key(*store.GetRootKey(), u"Global", 0);
        uint32_t value = 0;
        key.ReadDword(name, value);
        return value;
    }

    MemoryProfileFactory factory;
    ProfileGlobalConfigStorage storage;
    GlobalConfig* config = nullptr;
    TestClock clock;
    TempDir dir;
    std::unique_ptr<PolicySource> policies;
    FakeMessageBox box;
};

TEST_F(Reminder, IsDueExactlyWhenThePeriodHasPassedAndAsksInTheReminderBox)
{
    LastCheck(kApplicationTerminal, kLastCheck);
    clock.now = UnixTimeToFileTime(kLastCheck) + 30 * kDay - 1;
    EXPECT_FALSE(CheckPeriodicUpdate(kApplicationTerminal, nullptr, 30, false));
    EXPECT_TRUE(box.shown.empty());

    clock.now = UnixTimeToFileTime(kLastCheck) + 30 * kDay; // days equal to the period: due
    box.answer = kIdOk;
    EXPECT_TRUE(CheckPeriodicUpdate(kApplicationTerminal, nullptr, 30, false));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, u"It has been at least 30 days since you last checked for updates to Kestrune. "
                                 u"Would you like to check for updates now?");
    EXPECT_EQ(box.shown[0].caption, u"Kestrune");
    EXPECT_EQ(box.optionTexts, std::vector<std::u16string>{u"&Don't remind me again"});
    EXPECT_EQ(box.affirmativeTexts, std::vector<std::u16string>{u"Yes"});
    // The period starts again from now, kept in the store.
    EXPECT_EQ(Stored(u"Update Last Check"), kLastCheck + 30 * 86400u);
    EXPECT_FALSE(CheckPeriodicUpdate(kApplicationTerminal, nullptr, 30, false));
    EXPECT_EQ(box.shown.size(), 1u);
}

TEST_F(Reminder, ANoAnswerWithDontRemindIsKeptAndSilencesLaterReminders)
{
    LastCheck(kApplicationTerminal, kLastCheck);
    clock.now = UnixTimeToFileTime(kLastCheck) + 100 * kDay;
    box.answer = kIdCancel;
    box.optionAnswer = true;
    EXPECT_FALSE(CheckPeriodicUpdate(kApplicationTerminal, nullptr, 7, false));
    EXPECT_EQ(Stored(u"Update Dont Remind"), 1u);
    EXPECT_EQ(Stored(u"Update Last Check"), kLastCheck + 100 * 86400u);
    config->Reload();
    EXPECT_TRUE(config->UpdateReminderFor(kApplicationTerminal).dontRemind);

    clock.now += 50 * kDay;
    EXPECT_FALSE(CheckPeriodicUpdate(kApplicationTerminal, nullptr, 7, false));
    EXPECT_EQ(box.shown.size(), 1u);
    // noPrompt ignores the flag: it only says whether the period passed,
    // and neither shows nor stores anything.
    EXPECT_TRUE(CheckPeriodicUpdate(kApplicationTerminal, nullptr, 7, true));
    EXPECT_FALSE(CheckPeriodicUpdate(kApplicationTerminal, nullptr, 51, true));
    EXPECT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(Stored(u"Update Last Check"), kLastCheck + 100 * 86400u);
}

TEST_F(Reminder, ALastCheckInTheFutureGivesNoReminder)
{
    LastCheck(kApplicationTerminal, kLastCheck);
    for (int64_t back : {kDay / 2, 3 * kDay, 4000 * kDay}) { // the clock was moved back
        clock.now = UnixTimeToFileTime(kLastCheck) - back;
        EXPECT_FALSE(CheckPeriodicUpdate(kApplicationTerminal, nullptr, 1, false));
        EXPECT_FALSE(CheckPeriodicUpdate(kApplicationTerminal, nullptr, 1, true));
    }
    EXPECT_TRUE(box.shown.empty());
    EXPECT_EQ(Stored(u"Update Last Check"), kLastCheck);
}

TEST_F(Reminder, ApplicationsSixAndNineKeepTheSecondRecord)
{
    LastCheck(kApplicationTerminal, kLastCheck);
    LastCheck(kApplicationTransfer, kLastCheck + 20 * 86400);
    clock.now = UnixTimeToFileTime(kLastCheck) + 25 * kDay;
    EXPECT_TRUE(CheckPeriodicUpdate(kApplicationTerminal, nullptr, 10, true));
    EXPECT_TRUE(CheckPeriodicUpdate(1, nullptr, 10, true));
    EXPECT_FALSE(CheckPeriodicUpdate(kApplicationTransfer, nullptr, 10, true));
    EXPECT_FALSE(CheckPeriodicUpdate(6, nullptr, 10, true));

    box.answer = kIdOk;
    EXPECT_TRUE(CheckPeriodicUpdate(7, nullptr, 10, false));
    EXPECT_EQ(Stored(u"Update Last Check"), kLastCheck + 25 * 86400u);
    EXPECT_EQ(Stored(u"Update Last Check 2"), kLastCheck + 20 * 86400u);
}

TEST_F(Reminder, APolicyThatDisablesChecksWins)
{
    LastCheck(kApplicationTerminal, kLastCheck);
    clock.now = UnixTimeToFileTime(kLastCheck) + 400 * kDay;
    std::ofstream(dir.str() + "/user.reg") << "Windows Registry Editor Version 5.00\n\n"
                                              "[HKEY_CURRENT_USER\\Software\\Policies\\Orvalis]\n"
                                              "\"Enable Check For Updates\"=dword:00000000\n";
    PolicySource::SetCurrent(nullptr);
    policies = std::make_unique<PolicySource>(dir.str() + "/machine.reg", dir.str() + "/user.reg", getuid());
    PolicySource::SetCurrent(policies.get());
    EXPECT_FALSE(CheckPeriodicUpdate(kApplicationTerminal, nullptr, 30, false));
    EXPECT_FALSE(CheckPeriodicUpdate(kApplicationTerminal, nullptr, 30, true));
    EXPECT_TRUE(box.shown.empty());
    EXPECT_EQ(Stored(u"Update Last Check"), kLastCheck);
}

class ReleaseDates : public ::testing::Test {
protected:
    void SetUp() override { SetClock(&clock); }
    void TearDown() override
    {
        SetClock(nullptr);
        ReadLocalTimeZone();
    }
    // Local midnight of 5 January 2024 in the zone in force.
    static int64_t Jan5()
    {
        int64_t midnight = 0;
        EXPECT_TRUE(LocalMidnightToFileTime(2024, 1, 5, midnight));
        return midnight;
    }
    TestClock clock;
};

TEST_F(ReleaseDates, CountWholeDaysFromLocalMidnightInAnyMonthCase)
{
    for (const char* zone : {"UTC", "America/New_York", "Pacific/Auckland"}) {
        ASSERT_TRUE(SetLocalTimeZone(zone));
        const int64_t released = Jan5();
        for (const char* text : {"Jan 05 2024", "jan 05 2024", "JAN 5 2024", "jAn   05   2024"}) {
            clock.now = released + 364 * kDay + kDay / 2;
            EXPECT_TRUE(CheckReleaseDateWithinPeriod(text, 365)) << zone << " " << text;
            clock.now = released + 365 * kDay - 1;
            EXPECT_TRUE(CheckReleaseDateWithinPeriod(text, 365)) << zone << " " << text;
            clock.now = released + 365 * kDay;
            EXPECT_FALSE(CheckReleaseDateWithinPeriod(text, 365)) << zone << " " << text;
        }
    }
    // Midnight is the zone's own: five hours after UTC's in New York.
    ASSERT_TRUE(SetLocalTimeZone("UTC"));
    const int64_t utc = Jan5();
    ASSERT_TRUE(SetLocalTimeZone("America/New_York"));
    EXPECT_EQ(Jan5() - utc, 5 * 3600 * kFileTimeTicksPerSecond);
    EXPECT_FALSE(SetLocalTimeZone("Nowhere/Atlantis"));
    EXPECT_EQ(Jan5() - utc, 5 * 3600 * kFileTimeTicksPerSecond);
}

TEST_F(ReleaseDates, TheZoneIsTheOneReadAtStartUp)
{
    const char* before = std::getenv("TZ");
    const std::string saved = before ? before : "";
    ::setenv("TZ", "Asia/Tokyo", 1);
    ::tzset();
    ReadLocalTimeZone();
    const int64_t tokyo = Jan5();
    ::setenv("TZ", "America/Los_Angeles", 1); // changed after start-up
    ::tzset();
    EXPECT_EQ(Jan5(), tokyo);
    before ? ::setenv("TZ", saved.c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
}

TEST_F(ReleaseDates, ADateThatDoesNotReadYieldsFalse)
{
    clock.now = UnixTimeToFileTime(kLastCheck);
    for (const char* text : {"", "Jan", "Jan 05", "Foo 05 2024", "January 05 2024", "Jan 00 2024", "Jan 32 2024",
                             "Jan -1 2024", "Jan 05 1900", "Jan x 2024", "\xC3\xA9t\xC3\xA9 05 2024",
                             "Jan 05 99999999999999999999", "Ja 05 2024"})
        EXPECT_FALSE(CheckReleaseDateWithinPeriod(text, 100000)) << text;
    // The limits themselves read.
    EXPECT_TRUE(CheckReleaseDateWithinPeriod("Jan 01 1901", 100000));
    EXPECT_TRUE(CheckReleaseDateWithinPeriod("Dec 31 2023", 100000));
    // A build dated after now (a clock moved back) is recent.
    EXPECT_TRUE(CheckReleaseDateWithinPeriod("Jan 05 2030", 1));
}

} // namespace
