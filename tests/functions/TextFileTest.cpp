#include "world/TextFile.h"

#include "support/GameFileBuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace velkaro {
namespace {

using test::TempDir;

std::string FileText(const std::filesystem::path& path) {
    const auto bytes = test::ReadAllBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

class TextFileTest : public ::testing::Test {
protected:
    std::filesystem::path Path(const std::string& name) const { return folder.Path() / name; }

    // The text a file holds after writing `values` into it.
    std::string Written(const std::vector<RValue>& values) {
        EXPECT_EQ(file.OpenWrite(Path("out.txt"), "out.txt"), std::nullopt);
        for (const RValue& value : values) {
            EXPECT_EQ(file.Write(value), std::nullopt);
        }
        EXPECT_EQ(file.Close(), std::nullopt);
        return FileText(Path("out.txt"));
    }

    // Opens a file holding `text` for reading.
    void Holding(const std::string& text) {
        folder.WriteText("in.txt", text);
        ASSERT_EQ(file.OpenRead(Path("in.txt"), "in.txt"), std::nullopt);
    }

    RValue ReadOk() {
        RValue value = RValue::Real(-99);
        const auto failure = file.Read(value);
        EXPECT_EQ(failure, std::nullopt);
        return value;
    }

    std::string ReadFailure() {
        RValue value = RValue::Real(-99);
        const auto failure = file.Read(value);
        EXPECT_EQ(value, RValue::Real(-99)) << "a failed read leaves the value alone";
        return failure.value_or("(no failure)");
    }

    TempDir folder;
    CTextFile file;
};

TEST_F(TextFileTest, RealsAreWrittenIn23CharactersWithAFourDigitExponent) {
    const std::vector<std::pair<double, std::string>> cases = {
        {1.5, "0  1.50000000000000E+0000\r\n"},       {-2, "0 -2.00000000000000E+0000\r\n"},
        {0, "0  0.00000000000000E+0000\r\n"},         {0.1, "0  1.00000000000000E-0001\r\n"},
        {2.0 / 3.0, "0  6.66666666666667E-0001\r\n"},
    };
    for (const auto& [real, line] : cases) {
        EXPECT_EQ(Written({RValue::Real(real)}), line) << real;
    }
}

TEST_F(TextFileTest, StringsAreWrittenAsTheirBytes) {
    EXPECT_EQ(Written({RValue::String("hello"), RValue::String(""), RValue::String("  caf\xe9 ")}),
              "1 hello\r\n1 \r\n1   caf\xe9 \r\n");
}

TEST_F(TextFileTest, WrittenValuesReadBackAsTheyWere) {
    const std::vector<RValue> values = {
        RValue::Real(1.5),        RValue::String("hello"), RValue::Real(-2),
        RValue::String("  lead"), RValue::String(""),      RValue::Real(0.1),
        RValue::Real(-1e-300),    RValue::String("0 1"),   RValue::String("caf\xe9\t#"),
    };
    Written(values);
    ASSERT_EQ(file.OpenRead(Path("out.txt"), "out.txt"), std::nullopt);
    for (const RValue& expected : values) {
        EXPECT_EQ(ReadOk(), expected);
    }
    EXPECT_EQ(ReadFailure(), "The end of the file \"out.txt\" has been reached.");
}

TEST_F(TextFileTest, TheKindIsFoundAcrossBlankLinesAndOneCharacterSeparatesIt) {
    Holding("\r\n  \r\n\t1   three spaces before\r\n1\r\n0\t7.25 and the rest\n1 lf only\n"
            "0 +2E+0003\r1 lone cr\r1 last line");
    EXPECT_EQ(ReadOk(), RValue::String("  three spaces before"));
    EXPECT_EQ(ReadOk(), RValue::String("")); // the line ends at the kind
    EXPECT_EQ(ReadOk(), RValue::Real(7.25));
    EXPECT_EQ(ReadOk(), RValue::String("lf only"));
    EXPECT_EQ(ReadOk(), RValue::Real(2000));
    EXPECT_EQ(ReadOk(), RValue::String("lone cr"));
    EXPECT_EQ(ReadOk(), RValue::String("last line"));
}

TEST_F(TextFileTest, LinesThatHoldNoValueFailAndTheNextReadStartsOnTheNextLine) {
    Holding("x hello\r\n0 1,5\r\n0\r\n7 seven\r\n0 12abc\r\n2147483648 big\r\n1 fine\r\n0 ");
    EXPECT_EQ(ReadFailure(), "Line 1 of the file \"in.txt\" holds \"x\" where a number belongs.");
    EXPECT_EQ(ReadFailure(), "Line 2 of the file \"in.txt\" holds \"1,5\" where a number belongs.");
    EXPECT_EQ(ReadFailure(), "Line 3 of the file \"in.txt\" ends where a number belongs.");
    EXPECT_EQ(ReadFailure(), "Line 4 of the file \"in.txt\" holds a value of kind 7; values are "
                             "of kind 0 (real) or 1 (string).");
    EXPECT_EQ(ReadFailure(), "Line 5 of the file \"in.txt\" holds \"12abc\" where a number "
                             "belongs.");
    EXPECT_EQ(ReadFailure(), "Line 6 of the file \"in.txt\" holds \"2147483648\" where a number "
                             "belongs.");
    EXPECT_EQ(ReadOk(), RValue::String("fine"));
    EXPECT_EQ(ReadFailure(), "Line 8 of the file \"in.txt\" ends where a number belongs.");
    EXPECT_EQ(ReadFailure(), "The end of the file \"in.txt\" has been reached.");
}

TEST_F(TextFileTest, EachDirectionNeedsItsOwnOpenFile) {
    RValue value;
    EXPECT_EQ(file.Read(value), "There is no file open for reading.");
    EXPECT_EQ(file.Write(RValue::Real(1)), "There is no file open for writing.");

    ASSERT_EQ(file.OpenWrite(Path("a.txt"), "a.txt"), std::nullopt);
    EXPECT_EQ(file.GetState(), CTextFile::State::Writing);
    EXPECT_EQ(file.Read(value), "There is no file open for reading.");

    Holding("1 x\r\n");
    EXPECT_EQ(file.GetState(), CTextFile::State::Reading);
    EXPECT_EQ(file.Write(RValue::Real(1)), "There is no file open for writing.");

    EXPECT_EQ(file.Close(), std::nullopt);
    EXPECT_EQ(file.GetState(), CTextFile::State::Closed);
    EXPECT_EQ(file.Read(value), "There is no file open for reading.");
    EXPECT_EQ(file.Close(), std::nullopt) << "closing twice is harmless";
}

TEST_F(TextFileTest, OpeningAnotherFileClosesTheOneBeforeWithItsDataOnDisk) {
    ASSERT_EQ(file.OpenWrite(Path("first.txt"), "first.txt"), std::nullopt);
    ASSERT_EQ(file.Write(RValue::String("kept")), std::nullopt);
    ASSERT_EQ(file.OpenWrite(Path("second.txt"), "second.txt"), std::nullopt);
    EXPECT_EQ(FileText(Path("first.txt")), "1 kept\r\n");

    ASSERT_EQ(file.Write(RValue::Real(3)), std::nullopt);
    Holding("1 other\r\n");
    EXPECT_EQ(FileText(Path("second.txt")), "0  3.00000000000000E+0000\r\n");
}

TEST_F(TextFileTest, WritingEmptiesAnExistingFile) {
    folder.WriteText("out.txt", "1 old and long content\r\n1 more\r\n");
    EXPECT_EQ(Written({RValue::String("new")}), "1 new\r\n");
}

TEST_F(TextFileTest, AFileThatCannotBeOpenedLeavesNoneOpen) {
    Holding("1 x\r\n");
    EXPECT_EQ(file.OpenWrite(folder.Path() / "no folder" / "x.txt", "x.txt"),
              "The file \"x.txt\" cannot be created.");
    EXPECT_EQ(file.GetState(), CTextFile::State::Closed);
    EXPECT_EQ(file.OpenRead(folder.Path(), "data"), "The file \"data\" cannot be read.");
    EXPECT_EQ(file.GetState(), CTextFile::State::Closed);
}

TEST_F(TextFileTest, DataThatDoesNotReachTheDiskIsReported) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full to refuse the data";
    }
    ASSERT_EQ(file.OpenWrite("/dev/full", "full.txt"), std::nullopt);
    std::optional<std::string> failure;
    // The stream holds some data back; the failure shows at the latest when it is closed.
    for (int i = 0; i < 10000 && !failure; ++i) {
        failure = file.Write(RValue::String(std::string(100, 'x')));
    }
    if (!failure) {
        failure = file.Close();
    }
    EXPECT_EQ(failure, "The file \"full.txt\" cannot be written.");
}

} // namespace
} // namespace velkaro
