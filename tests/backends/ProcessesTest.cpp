#include "backends/posix/PosixProcesses.h"
#include "base/ArgumentSplitting.h"

#include "support/GameFileBuilder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace velkaro {
namespace {

using test::TempDir;
using Arguments = std::vector<std::string>;
using namespace std::chrono_literals;

TEST(SplitArguments, BlanksSeparateAndDoubleQuotesGroup) {
    EXPECT_EQ(SplitArguments(""), Arguments{});
    EXPECT_EQ(SplitArguments(" \t \r\n"), Arguments{});
    EXPECT_EQ(SplitArguments("  one two\tthree\r\nfour  "),
              (Arguments{"one", "two", "three", "four"}));
    EXPECT_EQ(SplitArguments("-level 3 \"high scores.txt\""),
              (Arguments{"-level", "3", "high scores.txt"}));
    EXPECT_EQ(SplitArguments("a\"b c\"d e"), (Arguments{"ab cd", "e"}));
    EXPECT_EQ(SplitArguments("a \"\" b"), (Arguments{"a", "", "b"}));
    EXPECT_EQ(SplitArguments("\"\""), (Arguments{""}));
    EXPECT_EQ(SplitArguments("x \"open to the end "), (Arguments{"x", "open to the end "}));
}

TEST(SplitArguments, NothingElseHasAMeaning) {
    // Backslashes are folder separators of game texts, not escapes; nothing is expanded.
    EXPECT_EQ(SplitArguments("C:\\games\\x.txt a\\\"b c\""),
              (Arguments{"C:\\games\\x.txt", "a\\b c"}));
    EXPECT_EQ(SplitArguments("it's $HOME `id` ;|& * ~ >out"),
              (Arguments{"it's", "$HOME", "`id`", ";|&", "*", "~", ">out"}));
    EXPECT_EQ(SplitArguments("caf\xe9 \xa0"), (Arguments{"caf\xe9", "\xa0"}));
}

class ProcessesTest : public ::testing::Test {
protected:
    // An executable shell script in the data folder.
    void Script(const std::string& name, const std::string& body) {
        const auto path = folder.WriteText(name, "#!/bin/sh\n" + body);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add);
    }
    std::filesystem::path Path(const std::string& name) const { return folder.Path() / name; }
    std::string Text(const std::string& name) const {
        const auto bytes = test::ReadAllBytes(Path(name));
        return std::string(bytes.begin(), bytes.end());
    }
    // Waits up to 10 s for a file that a program writes last.
    bool Appears(const std::string& name) const {
        for (int i = 0; i < 1000; ++i) {
            if (std::filesystem::exists(Path(name))) {
                return true;
            }
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

    TempDir folder;
    int served = 0;
    PosixProcesses processes{Files(folder.Path()), [this] { ++served; }};
};

TEST_F(ProcessesTest, AProgramOfTheDataFolderGetsItsArgumentsAndRunsThere) {
    Script("tool.sh", "printf '%s|' \"$@\" > args.txt\npwd -P > folder.txt\n");
    ASSERT_TRUE(processes.Execute("TOOL.SH", "one \"two words\" $HOME caf\xe9 a\\b", true));
    EXPECT_EQ(Text("args.txt"), "one|two words|$HOME|caf\xc3\xa9|a\\b|");
    EXPECT_EQ(Text("folder.txt"), std::filesystem::canonical(folder.Path()).string() + "\n");
}

TEST_F(ProcessesTest, WaitingLastsUntilTheProgramHasEndedAndServesTheWindow) {
    Script("slow.sh", "sleep 0.3\necho done > done.txt\n");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(processes.Execute("slow.sh", "", true));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
    EXPECT_EQ(Text("done.txt"), "done\n");
    EXPECT_GT(served, 5) << "polled about every 10 ms";
}

TEST_F(ProcessesTest, WaitingEndsWhenTheGameGivesUpAndTheProgramRunsOn) {
    Script("endless.sh", "sleep 0.5\necho done > done.txt\n");
    int polls = 0;
    PosixProcesses impatient{Files(folder.Path()), {}, [&polls] { return ++polls == 3; }};
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(impatient.Execute("endless.sh", "", true));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 300ms);
    EXPECT_EQ(polls, 3);
    EXPECT_TRUE(Appears("done.txt")) << "the program was neither killed nor waited for";
}

TEST_F(ProcessesTest, AProgramNotWaitedForRunsOnAndIsReapedWhenItEnds) {
    Script("later.sh", "echo $$ > pid.tmp\nmv pid.tmp pid.txt\nsleep 0.5\n");
    ASSERT_TRUE(processes.Execute("later.sh", "", false));
    EXPECT_EQ(served, 0);
    ASSERT_TRUE(Appears("pid.txt"));
    const std::string pid = Text("pid.txt").substr(0, Text("pid.txt").find('\n'));
    EXPECT_TRUE(std::filesystem::exists("/proc/" + pid)) << "still running";
    // Ended and reaped: a zombie would keep its /proc entry.
    bool gone = false;
    for (int i = 0; i < 1000 && !gone; ++i) {
        gone = !std::filesystem::exists("/proc/" + pid);
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(gone);
}

TEST_F(ProcessesTest, ProgramsThatCannotStartAreReported) {
    EXPECT_FALSE(processes.Execute("missing.exe", "", true));
    EXPECT_FALSE(processes.Execute("missing.exe", "", false));
    folder.WriteText("plain.txt", "not a program\n");
    EXPECT_FALSE(processes.Execute("plain.txt", "", true)) << "not executable";
    EXPECT_FALSE(processes.Execute("", "", true)) << "the data folder itself";

    PosixProcesses nowhere{Files(folder.Path() / "missing_data")};
    Script("tool.sh", "true\n");
    EXPECT_FALSE(nowhere.Execute("tool.sh", "", true));
}

TEST_F(ProcessesTest, AStartedProgramInheritsNoOpenFileOfOurs) {
    const int leaked = ::open("/dev/null", O_RDONLY); // without close-on-exec
    ASSERT_GE(leaked, 0);
    const int number = 57;
    ASSERT_EQ(::dup2(leaked, number), number);
    Script("fds.sh", "if [ -e /proc/$$/fd/57 ]; then echo open; else echo closed; fi > fd.txt\n"
                     "read line; echo \"[$line]\" > stdin.txt\n");
    ASSERT_TRUE(processes.Execute("fds.sh", "", true));
    ::close(number);
    ::close(leaked);
    EXPECT_EQ(Text("fd.txt"), "closed\n");
    EXPECT_EQ(Text("stdin.txt"), "[]\n") << "standard input is empty";
}

// Our standard output may be the headless runner's transcript: nothing else may reach it.
TEST_F(ProcessesTest, WhatAProgramPrintsGoesToOurStandardError) {
    std::fflush(stdout);
    std::fflush(stderr);
    const int savedOut = ::dup(STDOUT_FILENO);
    const int savedErr = ::dup(STDERR_FILENO);
    const int out = ::open(Path("out.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(Path("err.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_TRUE(savedOut >= 0 && savedErr >= 0 && out >= 0 && err >= 0);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    Script("talk.sh", "echo to-out\necho to-err >&2\n");
    const bool started = processes.Execute("talk.sh", "", true);
    ::dup2(savedOut, STDOUT_FILENO);
    ::dup2(savedErr, STDERR_FILENO);
    for (int fd : {savedOut, savedErr, out, err}) {
        ::close(fd);
    }
    ASSERT_TRUE(started);
    EXPECT_EQ(Text("out.log"), "");
    EXPECT_EQ(Text("err.log"), "to-out\nto-err\n");
}

TEST_F(ProcessesTest, FilesAreOpenedWithTheDesktopsOpenerWithoutParameters) {
    Script("opener.sh", "printf '%s|' \"$@\" > opened.tmp\nmv opened.tmp opened.txt\n");
    folder.WriteText("ReadMe.txt", "hello\n");
    PosixProcesses desktop{Files(folder.Path()), {}, {}, Path("opener.sh").string()};

    ASSERT_TRUE(desktop.ShellExecute("readme.txt", "-ignored"));
    ASSERT_TRUE(Appears("opened.txt"));
    EXPECT_EQ(Text("opened.txt"),
              std::filesystem::absolute(folder.Path() / "ReadMe.txt").string() + "|");

    std::filesystem::remove(Path("opened.txt"));
    ASSERT_TRUE(desktop.ShellExecute("mailto:someone@example.com", ""));
    ASSERT_TRUE(Appears("opened.txt"));
    EXPECT_EQ(Text("opened.txt"), "mailto:someone@example.com|");
}

TEST_F(ProcessesTest, OpeningFailsForAMissingFileOrAMissingOpener) {
    Script("opener.sh", "echo run > opened.txt\n");
    PosixProcesses desktop{Files(folder.Path()), {}, {}, Path("opener.sh").string()};
    EXPECT_FALSE(desktop.ShellExecute("missing.txt", ""));

    folder.WriteText("readme.txt", "hello\n");
    PosixProcesses noOpener{Files(folder.Path()), {}, {}, "velkaro-no-such-opener"};
    EXPECT_FALSE(noOpener.ShellExecute("readme.txt", ""));
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(std::filesystem::exists(Path("opened.txt")));
}

} // namespace
} // namespace velkaro
