#include <gtest/gtest.h>

#include <cerrno>

#include "Fakes.h"
#include "profile/reports/ReportRouting.h"
#include "profile/reports/VReportMessageParams.h"

// This test program is the host: its own table is asked after the report's.
extern "C" __attribute__((visibility("default"))) const char* OrvalisHostMessageTable()
{
    return "0xE1620012\tHost text for %1.\n";
}

namespace {

TEST(ReportText, UnknownIdGivesTheFallbackText)
{
    VReportPtr report = NewReport(0xE109ABCD);
    EXPECT_EQ(report->GetText(), VUnicodeString(u"Could not retrieve the error text for error code 0xe109abcd.\r\n"));
}

TEST(ReportText, TheLastLookupsMissDecidesTheFallback)
{
    // The report's table fails for a reason of its own, but the host
    // program's table is asked after it and simply lacks the id.
    FakeMessageTable table;
    table.missError = EACCES;
    VReportPtr report(VReportMessageParams::Create(0x6109FFFF, &table));
    EXPECT_EQ(report->GetText(), VUnicodeString(u"Could not retrieve the error text for error code 0x6109ffff.\r\n"));
}

TEST(ReportText, InsertsInOrderAndFormattedOnce)
{
    FakeMessageTable table;
    table.texts[0x61090100] = u"%1 (%2!d!) %3";
    VReportPtr report(VReportMessageParams::Create(0x61090100, &table));
    report->AddParameter(u"a");
    report->AddParameter(VUnicodeString(u"b"));
    EXPECT_EQ(report->GetText(), VUnicodeString(u"a (b) %3"));
    table.texts[0x61090100] = u"changed";
    EXPECT_EQ(report->GetText(), VUnicodeString(u"a (b) %3"));
    EXPECT_EQ(table.lookups, 1);
    // A new insert makes the text stale.
    report->AddParameter(u"c");
    EXPECT_EQ(report->GetText(), VUnicodeString(u"changed"));
    EXPECT_EQ(table.lookups, 2);
    // A new id drops the inserts.
    table.texts[0x61090101] = u"<%1>";
    report->SetMessageId(0x61090101);
    EXPECT_TRUE(report->GetParameters().IsEmpty());
    EXPECT_EQ(report->GetText(), VUnicodeString(u"<%1>"));
    report->AddParameter(u"kept");
    report->SetMessageIdOnly(0x61090100);
    EXPECT_EQ(report->GetParameters().GetSize(), 1u);
}

TEST(ReportText, LookupOrderLibrarySystemHost)
{
    VReportPtr library = NewReport(0xE1090004);
    library->AddParameter(u"Lab");
    EXPECT_EQ(library->GetText(), VUnicodeString(u"Failed to create folder:\r\nLab"));

    VReportPtr system = NewReport(ENOENT); // the customer bit is clear: a system code
    EXPECT_EQ(system->GetText(), VUnicodeString(u"No such file or directory."));

    FakeMessageTable empty;
    VReportPtr host(VReportMessageParams::Create(0xE1620012, &empty));
    host->AddParameter(u"Use Firewall");
    EXPECT_EQ(host->GetText(), VUnicodeString(u"Host text for Use Firewall."));
}

TEST(ReportText, WrappedWithItsSource)
{
    VReportPtr report = NewReport(0x61090013);
    EXPECT_EQ(report->GetTextWithSource(0x61090001), VUnicodeString(u"New Folder"));
    report->SetSource("ProfileFolderData.cpp", 123);
    EXPECT_EQ(report->GetTextWithSource(0x61090001),
              VUnicodeString(u"New Folder\r\n(raised in ProfileFolderData.cpp at line 123)"));
}

TEST(ReportText, NestedReportsAreHeldAndJoined)
{
    VReportMessageParams* inner = VReportMessageParams::Create(0xE1090005);
    inner->AddParameter(u"Lab");
    VUnknownPointer<VReportMessageParams> outer(VReportMessageParams::Create(0xE1090003));
    outer->AddParameter(u"Lab");
    outer->SetNested(inner);
    EXPECT_EQ(inner->RefCount(), 2u);
    EXPECT_EQ(outer->GetFullText(), VUnicodeString(u"'Lab' is already in use.\r\nFailed to rename folder:\r\nLab"));
    inner->Release();
    outer->SetNested(nullptr);
}

TEST(RouteReport, ToTheRouterOrDisplayedAndReleased)
{
    FakeMessageBox box;
    static FakeRouter router;
    static VReportMessageRouter* current = nullptr;
    SetReportRouterGetter([] { return current; });

    auto* report = VReportMessageParams::Create(0xE1090019);
    report->AddRef(); // keep one to watch the count
    RouteReport(report); // the getter answers null: the report shows itself
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, u"ERROR: creation of shortcut failed");
    EXPECT_EQ(box.shown[0].style & kMbIconMask, kMbIconError);
    EXPECT_EQ(report->RefCount(), 1u);

    current = &router;
    report->AddRef();
    RouteReport(report);
    EXPECT_EQ(router.ids, std::vector<uint32_t>{0xE1090019});
    EXPECT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(report->RefCount(), 1u);
    report->Release();

    SetReportRouterGetter(nullptr);
    RouteReport(VReportMessageParams::Create(0x61090013)); // no getter at all
    EXPECT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[1].style & kMbIconMask, kMbIconInformation);
    RouteReport(nullptr);
}

TEST(ReportHelper, FillsAndFails)
{
    VReportPtr report = NewReport();
    EXPECT_FALSE(Report(report.Get(), 0xE1090003, u"web01"));
    EXPECT_EQ(report->GetText(), VUnicodeString(u"'web01' is already in use."));
    EXPECT_FALSE(Report(nullptr, 0xE1090003, u"dropped"));
}

} // namespace
