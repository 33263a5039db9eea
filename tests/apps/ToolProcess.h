#pragma once

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Fakes.h"

// What a run of the tool gave.
struct ToolRun {
    int status = -1; // the exit status; -1 when it did not exit
    std::string out;
    std::string err;
    // Standard output split into lines.
    std::vector<std::string> Lines() const;
};

// Runs the built orvalis-sessions as a process against a database of its
// own, with its base folders and HOME in a private folder, so that nothing
// of the user's is read or changed.
class ToolProcess {
public:
    // `home` holds the base folders; the database is home/sessions.db.
    explicit ToolProcess(std::string home);

    ToolRun Run(const std::vector<std::string>& args, const std::string& input = {}) const;
    // The same with standard error on a terminal; what the terminal showed
    // lands in `err`.
    ToolRun RunOnTerminal(const std::vector<std::string>& args) const;

    // Starts a run and returns at once, its output thrown away: the caller
    // waits for it (or kills it).
    int Spawn(const std::vector<std::string>& args) const;

    const std::string& Database() const { return m_database; }
    const std::string& Home() const { return m_home; }
    // Extra variables for the runs (a passphrase path, say).
    std::map<std::string, std::string> environment;

private:
    std::vector<std::string> Command(const std::vector<std::string>& args) const;
    std::vector<std::string> Environment() const;

    std::string m_home;
    std::string m_database;
};

// A test of the tool in a private folder of its own.
class ToolTest : public ::testing::Test {
protected:
    // A run that must succeed.
    ToolRun Ok(const std::vector<std::string>& args, const std::string& input = {})
    {
        ToolRun run = tool.Run(args, input);
        EXPECT_EQ(run.status, 0) << "orvalis-sessions " << Joined(args) << "\n" << run.err;
        return run;
    }
    std::vector<std::string> Out(const std::vector<std::string>& args, const std::string& input = {})
    {
        return Ok(args, input).Lines();
    }
    // A failure: exit status 1, nothing on standard output, the reason on
    // standard error.
    std::string Fails(const std::vector<std::string>& args, const std::string& input = {})
    {
        const ToolRun run = tool.Run(args, input);
        EXPECT_EQ(run.status, 1) << "orvalis-sessions " << Joined(args) << "\n" << run.out << run.err;
        EXPECT_EQ(run.out, "") << Joined(args);
        EXPECT_FALSE(run.err.empty()) << Joined(args);
        return run.err;
    }
    static std::string Joined(const std::vector<std::string>& args)
    {
        std::string text;
        for (const std::string& arg : args)
            text += arg + " ";
        return text;
    }
    TempDir dir;
    ToolProcess tool{dir.str()};
};
