// orvalis-sessions import-from, run as a process: the programs' sample
// files, the usual places, dry runs, conflict policies and passwords.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "Fakes.h"
#include "ToolProcess.h"

namespace {

using Lines = std::vector<std::string>;

std::string Sample(const std::string& name)
{
    return std::string(ORV_SOURCE_DIR) + "/tests/profile/exchange/samples/" + name;
}

class ImportFromTool : public ToolTest {};

TEST_F(ImportFromTool, DryRunThenConflictPoliciesThenPasswords)
{
    ASSERT_EQ(Ok({"mkdir", "Old"}).status, 0);
    const ToolRun dry = Ok({"import-from", "filezilla", Sample("sitemanager.xml"), "--folder", "Old", "--dry-run"});
    EXPECT_EQ(dry.Lines(), (Lines{"added\tOld/Customers/Web/Customer DAV", "added\tOld/Customers/Customer SFTP",
                                  "added\tOld/Example FTP"}));
    EXPECT_NE(dry.err.find("a dry run: nothing was written"), std::string::npos);
    EXPECT_NE(dry.err.find("not carried over: " + Sample("sitemanager.xml") + " line 32: Customer DAV: the protocol \"webdav\""),
              std::string::npos)
        << dry.err;
    EXPECT_EQ(Ok({"ls", "Old"}).Lines(), Lines{}); // the dry run wrote nothing

    EXPECT_EQ(Ok({"import-from", "filezilla", Sample("sitemanager.xml"), "--folder", "Old"}).Lines().size(), 3u);
    EXPECT_EQ(Ok({"import-from", "filezilla", Sample("sitemanager.xml"), "--folder", "Old"}).Lines(),
              (Lines{"skipped\tOld/Customers/Web/Customer DAV", "skipped\tOld/Customers/Customer SFTP",
                     "skipped\tOld/Example FTP"}));
    EXPECT_EQ(Ok({"import-from", "filezilla", Sample("sitemanager.xml"), "--folder", "Old", "--on-conflict", "rename"})
                  .Lines()
                  .back(),
              "renamed\tOld/Example FTP (1)");
    EXPECT_NE(tool.Run({"secret", "get", "Old/Example FTP (1)", "Password V2"}).status, 0); // none without asking

    const ToolRun replaced = Ok({"import-from", "filezilla", Sample("sitemanager.xml"), "--folder", "Old",
                                 "--on-conflict", "replace", "--with-passwords"});
    EXPECT_EQ(replaced.Lines().back(), "replaced\tOld/Example FTP");
    EXPECT_EQ(Ok({"secret", "get", "Old/Example FTP", "Password V2"}).out, "secret pass\n");
    EXPECT_EQ(Ok({"get", "Old/Example FTP", "FTP Port"}).out, "21\n");
    EXPECT_EQ(Ok({"get", "Old/Example FTP", "Transfer Protocol Name"}).out, "FTP\n");
}

TEST_F(ImportFromTool, UsualPlacesKeysAndRefusals)
{
    // FileZilla's own file in the user's configuration folder.
    std::filesystem::create_directories(dir.str() + "/.config/filezilla");
    std::filesystem::copy_file(Sample("sitemanager.xml"), dir.str() + "/.config/filezilla/sitemanager.xml");
    EXPECT_EQ(Ok({"import-from", "filezilla"}).Lines().size(), 3u);

    // A master password from a file opens mRemoteNG's passwords.
    std::ofstream(dir.str() + "/key") << "team key\n";
    Ok({"import-from", "mremoteng", Sample("confCons-team.xml"), "--with-passwords", "--master-password-file",
        dir.str() + "/key"});
    EXPECT_EQ(Ok({"secret", "get", "team", "Password V2"}).out, "t3am\n");

    const ToolRun unknown = tool.Run({"import-from", "notepad", "x"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("import-from takes openssh|putty|kitty|winscp|filezilla|mremoteng|remmina|mobaxterm|csv"),
              std::string::npos);
    const ToolRun noFile = tool.Run({"import-from", "csv"});
    EXPECT_EQ(noFile.status, 2);
    EXPECT_NE(noFile.err.find("import-from csv needs FILE"), std::string::npos);
    const ToolRun policy = tool.Run({"import-from", "csv", Sample("sessions.csv"), "--on-conflict", "merge"});
    EXPECT_EQ(policy.status, 2);
    std::ofstream(dir.str() + "/cut.csv") << "name,host\n\"a,b\n";
    const ToolRun cut = tool.Run({"import-from", "csv", dir.str() + "/cut.csv"});
    EXPECT_EQ(cut.status, 1);
    EXPECT_NE(cut.err.find(dir.str() + "/cut.csv line 2"), std::string::npos) << cut.err;
    EXPECT_EQ(Ok({"ls"}).Lines(), (Lines{"Customers/", "Example FTP", "team"}));
}

} // namespace
