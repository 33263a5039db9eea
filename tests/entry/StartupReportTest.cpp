// A report raised by the host's first start-up calls, with no router: under
// a QApplication it is a message box from the first call on; without one
// (the command-line tool) it goes to standard error.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "Fakes.h"

namespace {

struct ProbeRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

ProbeRun RunProbe(const char* mode, const TempDir& dir)
{
    const std::string db = dir.str() + "/config.db";
    std::ofstream(db) << "this is not a database, and it is long enough to be read as one\n";
    const std::string command = "QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR='" + dir.str() + "' ORV_CONFIG_DB='" + db +
                                "' '" ORV_BINARY_DIR "/orv-startup-report-probe' " + mode + " '" ORV_LIBRARY_DIR
                                "/libconnectdialog.so' >'" + dir.str() + "/out' 2>'" + dir.str() + "/err'";
    ProbeRun run;
    run.status = std::system(command.c_str());
    run.out = ReadFile(dir.str() + "/out");
    run.err = ReadFile(dir.str() + "/err");
    return run;
}

TEST(StartupReports, ShowInAMessageBoxUnderAQApplicationAndOnStandardErrorWithout)
{
    {
        TempDir dir;
        const ProbeRun run = RunProbe("--gui", dir);
        EXPECT_EQ(run.status, 0) << run.err;
        // One box, with the database's report, before the probe went on.
        const size_t box = run.out.find("box: ");
        ASSERT_NE(box, std::string::npos) << run.out << run.err;
        EXPECT_EQ(run.out.find("box: ", box + 1), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("It was moved aside to"), std::string::npos) << run.out;
        EXPECT_LT(box, run.out.find("started"));
        EXPECT_EQ(run.err.find("moved aside"), std::string::npos) << run.err;
    }
    {
        TempDir dir;
        const ProbeRun run = RunProbe("--no-gui", dir);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out.find("box: "), std::string::npos) << run.out;
        EXPECT_NE(run.err.find("It was moved aside to"), std::string::npos) << run.err;
    }
}

} // namespace
