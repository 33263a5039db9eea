#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "Fakes.h"
#include "platform/AtomTable.h"

namespace {

TEST(AtomTable, SameNameSameNumberWithoutRegardToCase)
{
    TempDir dir;
    AtomTable table(dir.str() + "/atoms");
    const uint32_t first = table.Register(u"Orvalis_Software_Create_New_Tab");
    const uint32_t second = table.Register(u"Orvalis_Software_Session Database_Change");
    EXPECT_EQ(first, AtomTable::kFirstAtom);
    EXPECT_EQ(second, AtomTable::kFirstAtom + 1);
    EXPECT_EQ(table.Register(u"ORVALIS_SOFTWARE_CREATE_NEW_TAB"), first);
    EXPECT_EQ(AtomTable(dir.str() + "/atoms").Register(u"Orvalis_Software_Session Database_Change"), second);
}

TEST(AtomTable, RefusesWhatItCannotRegister)
{
    TempDir dir;
    AtomTable table(dir.str() + "/atoms");
    EXPECT_EQ(table.Register(u""), 0u);
    EXPECT_EQ(table.Register(u"two\nlines"), 0u);
    EXPECT_EQ(AtomTable(dir.str() + "/missing/folder/deeper/atoms").Register(u"x"), 0u);
    // A folder others can enter is not trusted with the table.
    const std::string open = dir.str() + "/open";
    ASSERT_EQ(mkdir(open.c_str(), 0777), 0);
    chmod(open.c_str(), 0777);
    EXPECT_EQ(AtomTable(open + "/atoms").Register(u"x"), 0u);
}

TEST(AtomTable, SkipsATornLineFromACrash)
{
    TempDir dir;
    const std::string path = dir.str() + "/atoms";
    std::ofstream(path) << "C000 First\nGARBAGE\nC0";
    AtomTable table(path);
    EXPECT_EQ(table.Register(u"first"), 0xC000u);
    EXPECT_EQ(table.Register(u"Second"), 0xC001u);
    EXPECT_EQ(table.Register(u"Second"), 0xC001u);
}

// Processes that register the same names in different orders, at the same
// time, agree on every number.
TEST(AtomTable, ProcessesAgreeOnNumbers)
{
    TempDir dir;
    const std::string path = dir.str() + "/atoms";
    const std::u16string names[] = {u"alpha", u"beta", u"gamma", u"delta", u"epsilon"};
    int pipes[2];
    ASSERT_EQ(pipe(pipes), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AtomTable table(path);
        for (int i = 4; i >= 0; --i) {
            const uint32_t n = table.Register(names[i]);
            if (write(pipes[1], &n, sizeof n) != sizeof n)
                _exit(2);
        }
        _exit(0);
    }
    close(pipes[1]);
    AtomTable table(path);
    uint32_t mine[5];
    for (int i = 0; i < 5; ++i)
        mine[i] = table.Register(names[i]);
    uint32_t theirs[5];
    for (int i = 4; i >= 0; --i)
        ASSERT_EQ(read(pipes[0], &theirs[i], sizeof theirs[i]), static_cast<ssize_t>(sizeof theirs[i]));
    close(pipes[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (int i = 0; i < 5; ++i) {
        EXPECT_NE(mine[i], 0u);
        EXPECT_EQ(mine[i], theirs[i]) << i;
        for (int j = 0; j < i; ++j)
            EXPECT_NE(mine[i], mine[j]);
    }
}

TEST(AtomTable, DefaultPathFollowsTheRuntimeFolder)
{
    {
        ScopedEnv runtime("XDG_RUNTIME_DIR", "/run/user/4242");
        EXPECT_EQ(AtomTable::DefaultPath(), "/run/user/4242/orvalis/registered-messages");
    }
    ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr);
    EXPECT_EQ(AtomTable::DefaultPath(), "/tmp/orvalis-" + std::to_string(getuid()) + "/registered-messages");
}

} // namespace
