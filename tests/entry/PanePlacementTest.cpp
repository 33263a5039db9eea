// A pane's placement outlives the library: a host docks the Session
// Manager, moves it, unloads the library and loads it again, and the pane
// comes back where it was, then once more in the host's next run.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "Fakes.h"

namespace {

std::string RunProbe(const std::string& mode, const TempDir& dir, int& status)
{
    // Under the sanitizers the probe checks for leaks too: a library that
    // leaves memory behind when it is unloaded fails here.
    const std::string command = "QT_QPA_PLATFORM=offscreen ORV_CONFIG_DB='" + dir.str() + "/config.db' '" +
                                ORV_BINARY_DIR "/orv-pane-probe' '" ORV_LIBRARY_DIR "/libconnectdialog.so' " +
                                mode + " 2>/dev/null";
    FILE* probe = popen(command.c_str(), "r");
    std::string out;
    char line[256];
    while (probe && fgets(line, sizeof line, probe))
        out += line;
    status = probe ? pclose(probe) : -1;
    return out;
}

TEST(PanePlacement, ComesBackWhereItWasAfterTheLibraryIsReloadedAndInTheNextRun)
{
    TempDir dir;
    int status = -1;
    const std::string placed = RunProbe("place", dir, status);
    EXPECT_EQ(status, 0) << placed;
    // At first on the left, at the default width; then moved.
    EXPECT_NE(placed.find("first side 0 width 250 name pane59648"), std::string::npos) << placed;
    EXPECT_NE(placed.find("moved side 1 width 333"), std::string::npos) << placed;
    EXPECT_NE(placed.find("unloaded yes"), std::string::npos) << placed; // really gone from memory
    EXPECT_NE(placed.find("reloaded side 1 width 333 name pane59648"), std::string::npos) << placed;

    const std::string next = RunProbe("show", dir, status);
    EXPECT_EQ(status, 0) << next;
    EXPECT_NE(next.find("shown side 1 width 333"), std::string::npos) << next;
}

} // namespace
