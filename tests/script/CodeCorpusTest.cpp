#include "script/CodeCorpus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace velkaro::test {
namespace {

std::string ReadCorpusFile() {
    std::ifstream in(VELKARO_CODE_CORPUS, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The lines of one side, each marked "-" (expected only) or "+" (got only) when the other
// side lacks it.
void AddLines(std::string& out, const std::vector<std::string>& lines,
              const std::vector<std::string>& others, char mark) {
    for (const std::string& line : lines) {
        const bool shared = std::find(others.begin(), others.end(), line) != others.end();
        out += "    ";
        out += shared ? ' ' : mark;
        out += ' ' + line + "\n";
    }
}

std::string DescribeDifference(std::size_t number, const RecordedCase& recorded,
                               const std::vector<std::string>& got) {
    std::string out = "case " + std::to_string(number) + " (" +
                      std::string(KindName(recorded.input.kind)) + ", " + recorded.input.origin +
                      "): " + QuoteText(recorded.input.text) + "\n";
    out += "  expected:\n";
    AddLines(out, recorded.observed, got, '-');
    out += "  got:\n";
    AddLines(out, got, recorded.observed, '+');
    return out;
}

TEST(CodeCorpus, EveryTextGivesWhatWasRecorded) {
    const std::vector<RecordedCase> cases = ParseCorpus(ReadCorpusFile());
    ASSERT_GE(cases.size(), 1000u)
        << "the corpus file " << VELKARO_CODE_CORPUS << " is missing or cut short";
    constexpr int kShown = 5;
    int differing = 0;
    std::string shown;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::vector<std::string> got = ObserveCase(cases[i].input);
        if (got != cases[i].observed && ++differing <= kShown) {
            shown += DescribeDifference(i + 1, cases[i], got);
        }
    }
    EXPECT_EQ(differing, 0) << differing << " of " << cases.size()
                            << " cases differ from the recording; the first ones:\n"
                            << shown;
}

TEST(CodeCorpus, FileIsWrittenAsTheRecorderWritesIt) {
    const std::string file = ReadCorpusFile();
    const std::vector<RecordedCase> cases = ParseCorpus(file);
    std::vector<std::string> header;
    std::istringstream lines(file);
    for (std::string line; std::getline(lines, line) && line.starts_with("# ");) {
        header.push_back(line.substr(2));
    }
    EXPECT_EQ(FormatCorpus(header, cases), file);
}

TEST(CodeCorpus, EveryByteOfATextSurvivesTheFile) {
    std::string every;
    for (int byte = 0; byte < 256; ++byte) {
        every += static_cast<char>(byte);
    }
    const std::vector<RecordedCase> written = {
        {{CorpusKind::String, "here", every}, {"string " + QuoteText(every)}},
        {{CorpusKind::Code, "there", "a#b\n\"'\\"}, {}},
    };
    const std::vector<RecordedCase> read = ParseCorpus(FormatCorpus({"header"}, written));
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].input.text, every);
    EXPECT_EQ(read[0].observed, written[0].observed);
    EXPECT_EQ(read[1].input.kind, CorpusKind::Code);
    EXPECT_EQ(read[1].input.origin, "there");
    EXPECT_EQ(read[1].input.text, "a#b\n\"'\\");
    EXPECT_TRUE(read[1].observed.empty());
}

TEST(CodeCorpus, MalformedFilesAreRefused) {
    EXPECT_THROW(ParseCorpus("case 1 code x\ntext \"a\"\n"), std::runtime_error);
    EXPECT_THROW(ParseCorpus("case 2 code x\ntext \"a\"\nend\n"), std::runtime_error);
    EXPECT_THROW(ParseCorpus("case 1 poem x\ntext \"a\"\nend\n"), std::runtime_error);
    EXPECT_THROW(ParseCorpus("case 1 code x\ntext \"a\\q\"\nend\n"), std::runtime_error);
    EXPECT_THROW(ParseCorpus("case 1 code x\ntext \"a\"b\"\nend\n"), std::runtime_error);
}

} // namespace
} // namespace velkaro::test
