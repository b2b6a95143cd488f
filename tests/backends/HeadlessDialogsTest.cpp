#include "backends/headless/HeadlessDialogs.h"

#include <gtest/gtest.h>

#include <sstream>

namespace velkaro {
namespace {

TEST(HeadlessDialogs, MessagesBecomeTranscriptLinesOfTheirStep) {
    std::ostringstream out;
    Transcript transcript(out);
    HeadlessDialogs dialogs(transcript);
    dialogs.ShowMessage("Game file does not exist.");
    transcript.SetStep(3);
    dialogs.ShowMessage("Caf\xe9 \"quoted\"\rline");
    EXPECT_EQ(out.str(),
              "{\"step\":0,\"kind\":\"message\",\"text\":\"Game file does not exist.\"}\n"
              "{\"step\":3,\"kind\":\"message\",\"text\":\"Caf\xc3\xa9 \\\"quoted\\\"\\rline\"}\n");
}

TEST(HeadlessDialogs, ErrorReportsAreIgnoredUnlessFatalAndWrittenWithTheirAnswer) {
    std::ostringstream out;
    Transcript transcript(out);
    HeadlessDialogs dialogs(transcript);
    transcript.SetStep(2);
    EXPECT_EQ(dialogs.ShowErrorReport("ERROR:\rin Step event of object b\xe4ll\rbad", false),
              ErrorAnswer::Ignore);
    EXPECT_EQ(dialogs.ShowErrorReport("FATAL ERROR:\rin Creation event of object \rgone", true),
              ErrorAnswer::Abort);
    EXPECT_EQ(out.str(),
              "{\"step\":2,\"kind\":\"error\",\"text\":\"ERROR:\\rin Step event of object "
              "b\xc3\xa4ll\\rbad\",\"fatal\":false,\"answer\":\"ignore\"}\n"
              "{\"step\":2,\"kind\":\"error\",\"text\":\"FATAL ERROR:\\rin Creation event of "
              "object \\rgone\",\"fatal\":true,\"answer\":\"abort\"}\n");
}

} // namespace
} // namespace velkaro
