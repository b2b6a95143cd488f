#include "backends/headless/HeadlessPrograms.h"

#include "support/RecordingGameServices.h"

#include <gtest/gtest.h>

#include <sstream>

namespace velkaro {
namespace {

using test::Calls;
using test::RecordingShell;

TEST(HeadlessPrograms, RequestsAreWrittenAndCountAsStartedWhenNothingMayStart) {
    std::ostringstream out;
    Transcript transcript(out);
    HeadlessPrograms programs(transcript);
    transcript.SetStep(3);
    EXPECT_TRUE(programs.Execute("tool.exe", "-x \"caf\xe9\"", true));
    transcript.SetStep(4);
    EXPECT_TRUE(programs.Execute("tool.exe", "", false));
    EXPECT_TRUE(programs.ShellExecute("read me.txt", "p"));
    EXPECT_EQ(out.str(),
              "{\"step\":3,\"kind\":\"execute\",\"command\":\"tool.exe -x \\\"caf\xc3\xa9\\\"\","
              "\"wait\":true}\n"
              "{\"step\":4,\"kind\":\"execute\",\"command\":\"tool.exe \",\"wait\":false}\n"
              "{\"step\":4,\"kind\":\"execute\",\"command\":\"read me.txt p\",\"wait\":false}\n");
}

TEST(HeadlessPrograms, WithAStarterRequestsArePassedOnAndItsAnswerCounts) {
    std::ostringstream out;
    Transcript transcript(out);
    RecordingShell starter;
    starter.started = false;
    HeadlessPrograms programs(transcript, &starter);
    EXPECT_FALSE(programs.Execute("tool.exe", "a b", true));
    EXPECT_FALSE(programs.ShellExecute("readme.txt", "q"));
    EXPECT_EQ(starter.calls, (Calls{"execute tool.exe [a b] wait", "open readme.txt [q]"}));
    EXPECT_EQ(out.str(),
              "{\"step\":0,\"kind\":\"execute\",\"command\":\"tool.exe a b\",\"wait\":true}\n"
              "{\"step\":0,\"kind\":\"execute\",\"command\":\"readme.txt q\",\"wait\":false}\n");

    starter.started = true;
    EXPECT_TRUE(programs.Execute("tool.exe", "", false));
}

} // namespace
} // namespace velkaro
