// The fleet's process pool with small shell commands: output, exit, signals, the time limit over a
// whole process group, and the bound on children at once.
#include "cli/ProcessPool.h"

#include <gtest/gtest.h>

#include <csignal>
#include <map>

namespace kel::cli {
namespace {

std::vector<std::string> Sh(const std::string& script) {
    return {"/bin/sh", "-c", script};
}

TEST(ProcessPool, CollectsHowEachChildEnded) {
    const std::vector<std::vector<std::string>> commands = {
        Sh("echo one; echo '{\"ok\":true}'"),
        Sh("echo why >&2; exit 3"),
        Sh("kill -SEGV $$"),
        Sh("sleep 60 & sleep 60; echo never"), // the group is stopped: the background sleep holds stdout
        {"/nonexistent/program"},
        Sh("head -c 100000 /dev/zero | tr '\\0' x; echo"),
    };
    std::map<std::size_t, ChildOutcome> got;
    int most = 0;
    ProcessPool pool(2, std::chrono::milliseconds(1500));
    pool.Run(
        commands, [&](const ChildOutcome& c) { got[c.index] = c; },
        [&](int running, int) { most = std::max(most, running); });
    ASSERT_EQ(got.size(), commands.size());
    EXPECT_EQ(got[0].out, "one\n{\"ok\":true}\n");
    EXPECT_EQ(got[0].exitCode, 0);
    EXPECT_EQ(got[1].exitCode, 3);
    EXPECT_EQ(got[1].err, "why\n");
    EXPECT_EQ(got[2].signal, SIGSEGV);
    EXPECT_TRUE(got[3].timedOut);
    EXPECT_EQ(got[3].signal, SIGKILL);
    EXPECT_GE(got[3].seconds, 1.5);
    EXPECT_EQ(got[3].out, "");
    EXPECT_EQ(got[4].exitCode, 127);
    EXPECT_NE(got[4].err.find("cannot run /nonexistent/program"), std::string::npos) << got[4].err;
    EXPECT_EQ(got[5].out.size(), 100001u);
    for (const auto& [index, c] : got) {
        EXPECT_TRUE(c.started);
        EXPECT_EQ(c.timedOut, index == 3) << index;
    }
    EXPECT_LE(most, 2);
    EXPECT_FALSE(pool.Interrupted());
}

TEST(ProcessPool, StopSignalStopsEveryChildAndStartsNoMore) {
    const std::vector<std::vector<std::string>> commands = {
        Sh("sleep 60"),
        Sh("kill -TERM $PPID; sleep 60"), // the fleet is told to stop
        Sh("echo never"),
    };
    std::map<std::size_t, ChildOutcome> got;
    ProcessPool pool(2, std::chrono::milliseconds(60000));
    pool.Run(
        commands, [&](const ChildOutcome& c) { got[c.index] = c; }, [](int, int) {});
    ASSERT_EQ(got.size(), 3u);
    EXPECT_TRUE(pool.Interrupted());
    EXPECT_EQ(got[0].signal, SIGKILL);
    EXPECT_EQ(got[1].signal, SIGKILL);
    EXPECT_FALSE(got[0].timedOut);
    EXPECT_FALSE(got[2].started);
    EXPECT_EQ(got[2].out, "");
}

} // namespace
} // namespace kel::cli
