#include "script/SavedValues.h"
#include "base/NumberText.h"

#include "base/Files.h"
#include "support/GameFileBuilder.h"
#include "support/RecordingDialogs.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace velkaro {
namespace {

using test::RecordingDialogs;
using test::TempDir;

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class SavedValuesTest : public ::testing::Test {
protected:
    std::filesystem::path Iodata() const { return folder.Path() / "iodata"; }

    // A table loaded afresh from the data folder.
    CSavedValues Loaded() {
        CSavedValues loaded;
        loaded.LoadValues(files, dialogs);
        return loaded;
    }

    TempDir folder;
    Files files{folder.Path()};
    RecordingDialogs dialogs;
    CSavedValues values;
};

TEST(SavedReal, TakesTwentyThreeCharactersWithAPointWhateverTheNumber) {
    EXPECT_EQ(FormatSavedReal(15), " 1.50000000000000E+0001");
    EXPECT_EQ(FormatSavedReal(-0.5), "-5.00000000000000E-0001");
    EXPECT_EQ(FormatSavedReal(0), " 0.00000000000000E+0000");
    EXPECT_EQ(FormatSavedReal(1.0 / 3), " 3.33333333333333E-0001");
    EXPECT_EQ(FormatSavedReal(-1e300), "-1.00000000000000E+0300");
    EXPECT_EQ(FormatSavedReal(2.5e-300), " 2.50000000000000E-0300");
    EXPECT_EQ(FormatSavedReal(99999999999999999.0), " 1.00000000000000E+0017");
    for (const double value : {15.0, -0.5, 1e300, 2.5e-300, 5e-324}) {
        EXPECT_EQ(FormatSavedReal(value).size(), 23u) << value;
    }
}

TEST_F(SavedValuesTest, AGameEndWritesTheValuesLineByLineAndTheNextStartReadsThemBack) {
    values.SetSavedValue(3, RValue::Real(15));
    values.SetSavedValue(4, RValue::String("abc"));
    values.SetSavedValue(-2, RValue::Real(1.0 / 3));
    values.SetSavedValue(9, RValue::String("  two blanks, then caf\xe9"));
    values.SaveValues(files, dialogs);

    EXPECT_EQ(ReadFile(Iodata()), "version 1.4\r\n"
                                  "4\r\n"
                                  "3 0  1.50000000000000E+0001\r\n"
                                  "4 1 abc\r\n"
                                  "-2 0  3.33333333333333E-0001\r\n"
                                  "9 1   two blanks, then caf\xe9\r\n");
    EXPECT_TRUE(dialogs.messages.empty());

    const CSavedValues loaded = Loaded();
    ASSERT_EQ(loaded.Count(), 4);
    EXPECT_EQ(loaded.GetSavedValue(3), RValue::Real(15));
    EXPECT_EQ(loaded.GetSavedValue(4), RValue::String("abc"));
    // Fifteen significant digits survive.
    EXPECT_EQ(loaded.GetSavedValue(-2), RValue::Real(0.333333333333333));
    EXPECT_EQ(loaded.GetSavedValue(9), RValue::String("  two blanks, then caf\xe9"));
    EXPECT_EQ(loaded.Get(1).key, 3);
    EXPECT_EQ(loaded.Get(4).key, 9);
    EXPECT_FALSE(loaded.Changed());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SavedValuesTest, AKeyNeverWrittenReadsAsTheRealZero) {
    values.SetSavedValue(1, RValue::String("x"));
    EXPECT_EQ(values.GetSavedValue(2), RValue::Real(0));
    EXPECT_EQ(Loaded().GetSavedValue(1), RValue::Real(0));
}

TEST_F(SavedValuesTest, EveryWriteThatChangesTheTableIsSaved) {
    EXPECT_FALSE(values.Changed());
    values.SetSavedValue(1, RValue::Real(5));
    EXPECT_TRUE(values.Changed());
    values.SaveValues(files, dialogs);
    EXPECT_FALSE(values.Changed());

    // The same value again needs no saving.
    values.SetSavedValue(1, RValue::Real(5));
    EXPECT_FALSE(values.Changed());

    // A new value for a key that exists is saved too.
    CSavedValues next = Loaded();
    next.SetSavedValue(1, RValue::Real(6));
    EXPECT_TRUE(next.Changed());
    next.SaveValues(files, dialogs);
    EXPECT_EQ(Loaded().GetSavedValue(1), RValue::Real(6));

    // A string of the same real part is a different value.
    next.SetSavedValue(1, RValue(kStringValue, 6, ""));
    EXPECT_TRUE(next.Changed());
}

TEST_F(SavedValuesTest, NothingIsWrittenWhenNothingChangedOrTheTableIsEmpty) {
    values.SaveValues(files, dialogs);
    EXPECT_FALSE(std::filesystem::exists(Iodata()));

    folder.WriteText("iodata", "version 1.4\r\n1\r\n5 1 kept\r\n");
    CSavedValues loaded = Loaded();
    loaded.SaveValues(files, dialogs);
    EXPECT_EQ(ReadFile(Iodata()), "version 1.4\r\n1\r\n5 1 kept\r\n");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SavedValuesTest, ValuesOfAGameWithoutADataFolderCannotBeSaved) {
    Files nowhere(folder.Path() / "missing_data");
    values.SetSavedValue(1, RValue::Real(1));
    values.SaveValues(nowhere, dialogs);
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{kCannotSaveValues});
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "missing_data"));
}

// Makes every write past `limit` bytes fail in this process while it lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = saved_;
        lowered.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

TEST_F(SavedValuesTest, AFailedSaveLeavesTheEarlierFileWhole) {
    const std::string earlier = "version 1.4\r\n1\r\n1 1 earlier\r\n";
    folder.WriteText("iodata", earlier);
    CSavedValues loaded = Loaded();
    for (int key = 2; key < 100; ++key) {
        loaded.SetSavedValue(key, RValue::String(std::string(40, 'x')));
    }
    {
        const FileSizeLimit limit(100);
        loaded.SaveValues(files, dialogs);
    }
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{kValuesNotWritten});
    EXPECT_EQ(ReadFile(Iodata()), earlier);
    // Nothing of the attempt is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                            std::filesystem::directory_iterator()),
              1);
    // The values still wait to be saved.
    EXPECT_TRUE(loaded.Changed());
    loaded.SaveValues(files, dialogs);
    EXPECT_EQ(Loaded().Count(), 99);
}

TEST_F(SavedValuesTest, TheOlderValuesFileIsReadWhenThereIsNoIodata) {
    folder.WriteText("values", "3\r\n7 2.5\r\n-3   1e3 rest of the line\r\n+8 -0.25\r\n");
    CSavedValues loaded = Loaded();
    ASSERT_EQ(loaded.Count(), 3);
    EXPECT_EQ(loaded.GetSavedValue(7), RValue::Real(2.5));
    EXPECT_EQ(loaded.GetSavedValue(-3), RValue::Real(1000));
    EXPECT_EQ(loaded.GetSavedValue(8), RValue::Real(-0.25));
    EXPECT_FALSE(loaded.Changed());

    folder.WriteText("iodata", "version 1.4\r\n1\r\n7 1 new\r\n");
    loaded = Loaded();
    ASSERT_EQ(loaded.Count(), 1);
    EXPECT_EQ(loaded.GetSavedValue(7), RValue::String("new"));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SavedValuesTest, AnIodataOfAnotherVersionIsNotReadAndTheOlderFileNotConsulted) {
    folder.WriteText("values", "1\r\n7 2.5\r\n");
    for (const char* text :
         {"version 1.3\r\n1\r\n1 0  1.0E+0000\r\n", "", "version 1.4 \r\n0\r\n"}) {
        folder.WriteText("iodata", text);
        values.SetSavedValue(1, RValue::Real(1));
        values.LoadValues(files, dialogs);
        EXPECT_EQ(values.Count(), 0) << text;
        EXPECT_FALSE(values.Changed());
    }
    EXPECT_EQ(dialogs.messages, std::vector<std::string>(3, kUnexpectedValuesVersion));
}

TEST_F(SavedValuesTest, ADamagedFileKeepsTheValuesBeforeTheDamageAndSaysSo) {
    struct Case {
        const char* text;
        int read;
    };
    const Case cases[] = {
        {"version 1.4\r\n3\r\n1 0 5\r\n2 1 two\r\n", 2},     // shorter than its count
        {"version 1.4\r\n2\r\n1 1 one\r\n2 0 five\r\n", 1},  // a real that is not a number
        {"version 1.4\r\n2\r\n1 1 one\r\n2 7 seven\r\n", 1}, // no such kind
        {"version 1.4\r\n2\r\nx 1 one\r\n2 1 two\r\n", 0},   // a key that is not a number
        {"version 1.4\r\n2\r\n99999999999 1 big\r\n", 0},    // a key beyond 32 bits
        {"version 1.4\r\nmany\r\n1 1 one\r\n", 0},           // no count
        {"version 1.4\r\n-1\r\n", 0},                        // a count below zero
        {"version 1.4\r\n", 0},                              // no count at all
    };
    for (const Case& damaged : cases) {
        folder.WriteText("iodata", damaged.text);
        dialogs.messages.clear();
        const CSavedValues loaded = Loaded();
        EXPECT_EQ(loaded.Count(), damaged.read) << damaged.text;
        EXPECT_FALSE(loaded.Changed());
        ASSERT_EQ(dialogs.messages.size(), 1u) << damaged.text;
        EXPECT_EQ(dialogs.messages[0],
                  damaged.read == 0
                      ? "The file \"iodata\" is damaged: none of its values were read."
                      : "The file \"iodata\" is damaged: only the first " +
                            std::to_string(damaged.read) + " of its values were read.");
    }

    folder.WriteText("iodata", "version 1.4\r\n1\r\n");
    folder.WriteText("values", "2\r\n1 1.5\r\n");
    std::filesystem::remove(Iodata());
    dialogs.messages.clear();
    EXPECT_EQ(Loaded().Count(), 1);
    EXPECT_EQ(dialogs.messages,
              std::vector<std::string>{
                  "The file \"values\" is damaged: only the first 1 of its values were read."});
}

TEST_F(SavedValuesTest, LinesEndingInALineFeedAloneAndTrailingTextAreRead) {
    folder.WriteText("iodata", "version 1.4\n2 entries\n1 0 2.5 and more\n2 1\nextra line\n");
    const CSavedValues loaded = Loaded();
    ASSERT_EQ(loaded.Count(), 2);
    EXPECT_EQ(loaded.GetSavedValue(1), RValue::Real(2.5));
    // A string whose separating blank was cut off is empty.
    EXPECT_EQ(loaded.GetSavedValue(2), RValue::String(""));
    EXPECT_TRUE(dialogs.messages.empty());
}

} // namespace
} // namespace velkaro
