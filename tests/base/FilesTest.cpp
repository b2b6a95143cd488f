#include "base/Files.h"
#include "base/AnsiText.h"

#include "support/GameFileBuilder.h"

#include <gtest/gtest.h>

namespace velkaro {
namespace {

TEST(Files, StoredNamesFindFilesThroughBackslashesAndAnyLetterCase) {
    test::TempDir dir;
    dir.WriteText("data/Music/Theme.MID", "x");
    dir.WriteText("data/exact.txt", "x");
    dir.WriteText("data/EXACT.txt", "x");
    const Files files(dir.Path() / "data");
    EXPECT_EQ(files.Resolve("music\\theme.mid"), dir.Path() / "data/Music/Theme.MID");
    EXPECT_TRUE(files.FileExists("MUSIC\\THEME.mid"));
    EXPECT_TRUE(files.FileExists("Music/Theme.MID"));
    EXPECT_EQ(files.Resolve("EXACT.txt"), dir.Path() / "data/EXACT.txt") << "exact match wins";
    EXPECT_FALSE(files.FileExists("music")) << "a folder is not a file";
    EXPECT_FALSE(files.FileExists(""));
    EXPECT_FALSE(files.FileExists("music\\other.mid"));
    EXPECT_EQ(files.Resolve("new\\Scores.txt"), dir.Path() / "data/new/Scores.txt")
        << "names that match nothing stay as given";
}

TEST(Files, WindowsTextNamesBecomeUtf8Names) {
    test::TempDir dir;
    dir.WriteText("data/caf\xc3\xa9.txt", "x");
    const Files files(dir.Path() / "data");
    EXPECT_TRUE(files.FileExists("caf\xe9.txt"));
    EXPECT_TRUE(files.FileExists("CAF\xe9.TXT"));
}

TEST(AnsiText, EveryByteMakesTheRoundTrip) {
    std::string all;
    for (int c = 1; c < 256; ++c) {
        all += static_cast<char>(c);
    }
    const std::string utf8 = AnsiToUtf8(all);
    EXPECT_EQ(Utf8ToAnsi(utf8), all);
    EXPECT_EQ(AnsiToUtf8("\x80"), "\xe2\x82\xac") << "the euro sign";
    EXPECT_EQ(AnsiToUtf8("\xe9"), "\xc3\xa9");
    EXPECT_EQ(Utf8ToAnsi("\xe2\x82\xac"), "\x80");
    EXPECT_FALSE(Utf8ToAnsi("\xe4\xb8\xad").has_value()) << "a character Windows-1252 lacks";
    EXPECT_FALSE(Utf8ToAnsi("\xf0\x9f\x98\x80").has_value());
    EXPECT_FALSE(Utf8ToAnsi("\xc3").has_value()) << "a cut sequence";
    EXPECT_FALSE(Utf8ToAnsi("\xc3(").has_value());
    // Typed text keeps what the code page holds: é, the euro sign, a, and drops the rest.
    EXPECT_EQ(Utf8ToAnsiDroppingOthers("\xc3\xa9\xe4\xb8\xad\xe2\x82\xac\xf0\x9f\x98\x80"
                                       "a\x80\xc3"),
              "\xe9\x80"
              "a");
}

} // namespace
} // namespace velkaro
