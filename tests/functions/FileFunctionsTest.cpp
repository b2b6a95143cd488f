#include "functions/FileFunctions.h"

#include "data/GameLoader.h"
#include "support/GameFileBuilder.h"
#include "support/PartsInMemory.h"
#include "support/RecordingGameServices.h"

#include "functions/FunctionCalls.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace velkaro {
namespace {

using test::Calls;
using test::RecordingShell;
using test::TempDir;

std::string FileText(const std::filesystem::path& path) {
    const auto bytes = test::ReadAllBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

RValue S(std::string text) {
    return RValue::String(std::move(text));
}
RValue N(double number) {
    return RValue::Real(number);
}

class FileFunctionsTest : public ::testing::Test {
protected:
    FileFunctionsTest() {
        RegisterFileFunctions(registry);
        std::filesystem::create_directory(DataFolder());
        data.dataFolder = DataFolder().string() + "/";
        data.files = Files(DataFolder());
        objects.Add();
        self.Setup(objects, 1, 0, 0);
    }

    // Calls a function of the table; `failure` receives the reason of a failed call.
    RValue Call(const std::string& name, const std::vector<RValue>& values) {
        FunctionContext context = parts.Context();
        RValue result = test::CallByName(registry, context, self, self, name, values);
        failure = context.error;
        return result;
    }
    // A call that must not fail.
    RValue Ok(const std::string& name, const std::vector<RValue>& values = {}) {
        RValue result = Call(name, values);
        EXPECT_EQ(failure, "") << name;
        return result;
    }

    // The data folder lies inside the test's own folder, so that leaving it can be seen.
    std::filesystem::path DataFolder() const { return folder.Path() / "game_data"; }
    std::filesystem::path Path(const std::string& name) const { return DataFolder() / name; }
    void Write(const std::string& name, const std::string& text) const {
        folder.WriteText("game_data/" + name, text);
    }

    TempDir folder;
    GameData data;
    test::PartsInMemory parts{data};
    RecordingShell& shell = parts.shell;
    CSavedValues& saved = parts.savedValues;
    GameState& game = parts.state;
    CObjectList objects;
    CInstance self;
    CFunctionRegistry registry;
    std::string failure;
};

TEST_F(FileFunctionsTest, TheTableHoldsElevenFunctionsInOrderWithTheirArgumentCounts) {
    const std::vector<std::pair<std::string, int>> expected = {
        {"file_exists", 1}, {"file_open_read", 1}, {"file_open_write", 1}, {"file_close", 0},
        {"file_read", 0},   {"file_write", 1},     {"file_delete", 1},     {"read", 1},
        {"write", 2},       {"execute", 3},        {"shellexecute", 2},
    };
    ASSERT_EQ(registry.Count(), static_cast<int>(expected.size()));
    for (int i = 1; i <= registry.Count(); ++i) {
        EXPECT_EQ(registry.Get(i).name, expected[static_cast<std::size_t>(i - 1)].first);
        EXPECT_EQ(registry.Get(i).argumentCount, expected[static_cast<std::size_t>(i - 1)].second);
    }
}

TEST_F(FileFunctionsTest, ARealAndAStringWrittenAreReadBackInOrder) {
    Ok("file_open_write", {S("data.txt")});
    Ok("file_write", {N(1.5)});
    Ok("file_write", {S("hello")});
    Ok("file_close");
    EXPECT_EQ(FileText(Path("data.txt")), "0  1.50000000000000E+0000\r\n1 hello\r\n");

    Ok("file_open_read", {S("data.txt")});
    EXPECT_EQ(Ok("file_read"), N(1.5));
    EXPECT_EQ(Ok("file_read"), S("hello"));
    EXPECT_TRUE(shell.calls.empty()) << "no box, no pause";
}

TEST_F(FileFunctionsTest, MinusTwoIsWrittenWithOneSpaceAfterTheKind) {
    Ok("file_open_write", {S("data.txt")});
    Ok("file_write", {N(-2)});
    Ok("file_close");
    EXPECT_EQ(FileText(Path("data.txt")), "0 -2.00000000000000E+0000\r\n");
}

TEST_F(FileFunctionsTest, StringsKeepTheirLeadingSpaces) {
    Ok("file_open_write", {S("data.txt")});
    Ok("file_write", {S("   indented")});
    Ok("file_close");
    Ok("file_open_read", {S("data.txt")});
    EXPECT_EQ(Ok("file_read"), S("   indented"));
}

TEST_F(FileFunctionsTest, NamesAreFoundWithoutRegardToLetterCaseAndBackslashes) {
    Write("sub/data.txt", "1 inside\r\n");
    EXPECT_EQ(Ok("file_exists", {S("sub\\data.txt")}), N(1));
    EXPECT_EQ(Ok("file_exists", {S("SUB\\Data.TXT")}), N(1));
    EXPECT_EQ(Ok("file_exists", {S("data.txt")}), N(0));
    EXPECT_EQ(Ok("file_exists", {S("sub")}), N(0)) << "a folder is not a file";

    Ok("file_open_read", {S("Sub\\DATA.txt")});
    EXPECT_EQ(Ok("file_read"), S("inside"));
}

TEST_F(FileFunctionsTest, NamesThatCouldLeaveTheDataFolderAreNotWritten) {
    for (const char* name : {"sub\\data.txt", "../x", "..\\x", "/tmp/x"}) {
        Ok("file_open_write", {S(name)});
        EXPECT_EQ(game.text_file.GetState(), CTextFile::State::Closed) << name;
    }
    EXPECT_EQ(shell.calls, Calls(4, std::string("message ") + kCannotWriteElsewhere));
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "x"));
    EXPECT_TRUE(std::filesystem::is_empty(DataFolder()));

    Call("file_write", {N(1)});
    EXPECT_EQ(failure, "There is no file open for writing.");
}

TEST_F(FileFunctionsTest, DeletingRemovesFilesOfTheDataFolderOnly) {
    Write("old.txt", "x");
    Write("sub/keep.txt", "x");
    Ok("file_delete", {S("OLD.TXT")});
    EXPECT_FALSE(std::filesystem::exists(Path("old.txt")));

    Ok("file_delete", {S("sub\\keep.txt")});
    EXPECT_TRUE(std::filesystem::exists(Path("sub/keep.txt")));
    EXPECT_EQ(shell.calls, Calls{std::string("message ") + kCannotDeleteElsewhere});

    // What cannot be deleted is passed over in silence.
    Ok("file_delete", {S("missing.txt")});
    Ok("file_delete", {S("sub")});
    EXPECT_TRUE(std::filesystem::exists(Path("sub/keep.txt")));
    EXPECT_EQ(shell.calls.size(), 1u);
}

TEST_F(FileFunctionsTest, OpeningANameThatDoesNotExistKeepsTheFileOpenBefore) {
    Write("a.txt", "0 1\r\n0 2\r\n");
    Ok("file_open_read", {S("a.txt")});
    EXPECT_EQ(Ok("file_read"), N(1));
    Ok("file_open_read", {S("missing.txt")});
    EXPECT_EQ(Ok("file_read"), N(2));
}

TEST_F(FileFunctionsTest, FileFailuresEndTheCallWithAReasonAndNoBox) {
    EXPECT_EQ(Call("file_read", {}), RValue());
    EXPECT_EQ(failure, "There is no file open for reading.");
    Call("file_write", {S("x")});
    EXPECT_EQ(failure, "There is no file open for writing.");

    Write("bad.txt", "0 1.5.2\r\n1 good\r\n");
    Ok("file_open_read", {S("bad.txt")});
    EXPECT_EQ(Call("file_read", {}), RValue());
    EXPECT_EQ(failure, "Line 1 of the file \"bad.txt\" holds \"1.5.2\" where a number belongs.");
    EXPECT_EQ(Ok("file_read"), S("good"));
    EXPECT_EQ(Call("file_read", {}), RValue());
    EXPECT_EQ(failure, "The end of the file \"bad.txt\" has been reached.");

    std::filesystem::create_directory(Path("folder"));
    Call("file_open_write", {S("folder")});
    EXPECT_EQ(failure, "The file \"folder\" cannot be created.");
    EXPECT_TRUE(shell.calls.empty());
}

TEST_F(FileFunctionsTest, SavedValuesAreReadAndWrittenByRoundedKey) {
    EXPECT_EQ(Ok("read", {N(7)}), N(0)) << "never written";
    Ok("write", {N(7), S("seven")});
    Ok("write", {N(2.5), N(42)}); // key 2: halves go to the even neighbour
    EXPECT_EQ(Ok("read", {N(6.6)}), S("seven"));
    EXPECT_EQ(Ok("read", {N(2)}), N(42));
    EXPECT_EQ(saved.Count(), 2);
    EXPECT_EQ(saved.GetSavedValue(2), N(42));

    Call("read", {N(1e300)});
    EXPECT_EQ(failure, "Argument of read is out of range: 1e+300");
    Call("write", {N(std::nan("")), N(1)});
    EXPECT_EQ(failure, "Argument of write is out of range: nan");
    EXPECT_EQ(saved.Count(), 2);
}

TEST_F(FileFunctionsTest, AProgramTheGameWaitsForHoldsUpItsSteps) {
    Ok("execute", {S("tool.exe"), S("-x \"a b\""), N(1)});
    EXPECT_EQ(shell.calls, (Calls{"pause", "execute tool.exe [-x \"a b\"] wait", "resume"}));

    shell.calls.clear();
    Ok("execute", {S("tool.exe"), S(""), N(0.4)});
    EXPECT_EQ(shell.calls, Calls{"execute tool.exe []"});

    // The flag is the whole rounded integer, not its low 32 bits.
    shell.calls.clear();
    Ok("execute", {S("tool.exe"), S(""), N(4294967296.0)});
    EXPECT_EQ(shell.calls, (Calls{"pause", "execute tool.exe [] wait", "resume"}));

    shell.calls.clear();
    Call("execute", {S("tool.exe"), S(""), N(1e19)});
    EXPECT_EQ(failure, "Argument of execute is out of range: 1e+19");
    EXPECT_TRUE(shell.calls.empty());
}

TEST_F(FileFunctionsTest, AProgramThatDoesNotStartIsReportedAndTheGameGoesOn) {
    shell.started = false;
    Ok("execute", {S("tool.exe"), S("x"), N(1)});
    EXPECT_EQ(shell.calls, (Calls{"pause", "execute tool.exe [x] wait",
                                  "message Cannot execute tool.exe.", "resume"}));

    shell.calls.clear();
    Ok("execute", {S("tool.exe"), S("x"), N(0)});
    EXPECT_EQ(shell.calls, (Calls{"execute tool.exe [x]", "message Cannot execute tool.exe."}));

    shell.calls.clear();
    Ok("shellexecute", {S("readme.txt"), S("p")});
    EXPECT_EQ(shell.calls, (Calls{"open readme.txt [p]", "message Cannot execute readme.txt."}));
}

TEST_F(FileFunctionsTest, ProgramsAndArgumentsThatCouldLeaveTheDataFolderAreNotStarted) {
    const std::string refused = std::string("message ") + kCannotExecuteElsewhere;
    Ok("execute", {S("tool.exe"), S("a/b"), N(0)});
    Ok("execute", {S("..\\tool.exe"), S(""), N(1)});
    Ok("shellexecute", {S("docs\\readme.txt"), S("")});
    Ok("shellexecute", {S("readme.txt"), S("/p")});
    EXPECT_EQ(shell.calls, Calls(4, refused)) << "nothing started, no pause";
}

TEST_F(FileFunctionsTest, OpeningAFileWithItsProgramDoesNotHoldUpTheGame) {
    Ok("shellexecute", {S("readme.txt"), S("-p")});
    EXPECT_EQ(shell.calls, Calls{"open readme.txt [-p]"});
}

// A start that fails on the way out of the service still lets the game go on.
class ThrowingPrograms : public ProgramService {
public:
    bool Execute(const std::string&, const std::string&, bool) override {
        throw std::runtime_error("out of processes");
    }
    bool ShellExecute(const std::string&, const std::string&) override { return false; }
};

TEST_F(FileFunctionsTest, AWaitThatEndsInAnExceptionStillResumesTheGame) {
    ThrowingPrograms programs;
    const GameServices throwing{shell, shell, shell, shell, shell, shell, shell, programs};
    test::PartsInMemory throwingGame{data, {.services = &throwing}};
    FunctionContext context = throwingGame.Context();
    EXPECT_THROW(
        test::CallByName(registry, context, self, self, "execute", {S("tool.exe"), S(""), N(1)}),
        std::runtime_error);
    EXPECT_EQ(shell.calls, (Calls{"pause", "resume"}));
}

} // namespace
} // namespace velkaro
