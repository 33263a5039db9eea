// The periodic update reminder: whether it is time to remind the user to
// look for a newer version, and whether the host's own build is recent.
#include "entry/ConnectDialog.h"
#include "platform/GlobalConfig.h"
#include "platform/LocalTimeZone.h"
#include "platform/MessageBox.h"
#include "platform/Products.h"
#include "platform/ReleaseDate.h"
#include "platform/SystemClock.h"
#include "profile/policy/VRegistryKey.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

constexpr uint32_t kMsgCheckForUpdates = 0x6109000E;
constexpr uint32_t kMsgDontRemind = 0x6109000F;
constexpr uint32_t kMsgYes = 0x61090010;
constexpr char16_t kPolicyEnableUpdateCheck[] = u"Enable Check For Updates";

// Whole days from `then` to `now`; negative when `then` lies ahead.
int64_t DaysBetween(int64_t then, int64_t now)
{
    return (now - then) / kFileTimeTicksPerSecond / kSecondsPerDay;
}

VUnicodeString Text(uint32_t id, std::initializer_list<VUnicodeString> inserts = {})
{
    const auto report = NewReport(id);
    for (const VUnicodeString& insert : inserts)
        report->AddParameter(insert);
    return report->GetText();
}

} // namespace

bool CheckPeriodicUpdate(int applicationNumber, QWidget* parent, int periodDays, bool noPrompt)
{
    GlobalConfig* config = nullptr;
    if (!GetGlobalConfig(&config))
        return false;
    UpdateReminderRecord& record = config->UpdateReminderFor(applicationNumber);
    if (!noPrompt && record.dontRemind)
        return false;
    const VUnicodeString appName = VGetAppName();
    if (!ReadPolicyFlag(kPolicyEnableUpdateCheck, appName, VUnicodeString(), true))
        return false;
    const int64_t now = GetClock().NowFileTime();
    if (DaysBetween(UnixTimeToFileTime(record.lastCheck), now) < periodDays)
        return false;
    if (noPrompt)
        return true;

    bool dontRemind = record.dontRemind;
    const VUnicodeString period = VUnicodeString::FromUtf8(std::to_string(periodDays));
    const int answer = ShowOptionalMessageBox(parent, appName.str(), Text(kMsgCheckForUpdates, {appName, period}).str(),
                                              dontRemind, kMbOkCancel | kMbIconQuestion, Text(kMsgDontRemind).str(),
                                              Text(kMsgYes).str());
    // Answered either way, it was a reminder: the period starts again.
    record.dontRemind = dontRemind;
    record.lastCheck = FileTimeToUnixTime(now);
    config->Save();
    return answer == kIdOk;
}

// A date that does not read (wrong field count, unknown month, day outside
// 1 to 31, year before 1901) counts as long past: false, so a host whose
// build date is unknown offers the update check rather than trusting it.
bool CheckReleaseDateWithinPeriod(const std::string& releaseDate, int periodDays)
{
    const std::optional<ReleaseDate> date = ParseReleaseDate(releaseDate);
    int64_t released = 0;
    if (!date || !LocalMidnightToFileTime(date->year, date->month, date->day, released))
        return false;
    return DaysBetween(released, GetClock().NowFileTime()) < periodDays;
}
