#include "platform/headless/HeadlessDialogs.h"

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

} // namespace
} // namespace velkaro
