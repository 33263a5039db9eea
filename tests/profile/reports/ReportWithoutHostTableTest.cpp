#include <gtest/gtest.h>

#include <cerrno>

#include "Fakes.h"
#include "profile/reports/VReportMessageParams.h"

// Built into a program that has no message table of its own.
namespace {

TEST(ReportTextWithoutHostTable, PlatformFailureOfTheLookupIsShown)
{
    FakeMessageTable table;
    table.missError = EACCES;
    VReportPtr report(VReportMessageParams::Create(0x6109FFFF, &table));
    EXPECT_EQ(report->GetText(), VUnicodeString(u"Permission denied.\r\n"));

    table.missError = kErrorResourceLanguageNotFound; // a plain miss
    VReportPtr miss(VReportMessageParams::Create(0x6109FFFF, &table));
    EXPECT_EQ(miss->GetText(), VUnicodeString(u"Could not retrieve the error text for error code 0x6109ffff.\r\n"));
}

} // namespace
