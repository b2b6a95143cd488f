#include "functions/FileFunctions.h"

#include "base/NumberText.h"
#include "data/GameLoader.h"
#include "engine/GameParts.h"
#include "script/FunctionCall.h"
#include "world/TextFile.h"

#include <cstdint>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

namespace velkaro {
namespace {

// One call of a function of this table.
class FileCall : public FunctionCall {
public:
    using FunctionCall::FunctionCall;

    CTextFile& File() { return Game().text_file; }
    const Files& DataFiles() { return Game().data.files; }
    GameServices& Services() { return Parts().services; }

    // Ends the call with the reason, when there is one.
    void FailWith(std::optional<std::string> failure) {
        if (failure) {
            Context().Fail(std::move(*failure));
        }
    }

    // A plain message box; it does not hold up the game.
    void ShowFailure(const std::string& text) { Services().dialogs.ShowFailure(text); }
};

// Names are relative to the data folder; a folder separator of either kind could lead out of
// it, and relative folders such as ".." cannot be named without one.
bool LeavesDataFolder(std::string_view name) {
    return name.find_first_of("\\/") != std::string_view::npos;
}

void FileExists(FileCall& call) {
    call.ReturnTruth(call.DataFiles().FileExists(call.Text(0)));
}

// A name that does not exist leaves the file open before as it was.
void FileOpenRead(FileCall& call) {
    const std::string& name = call.Text(0);
    if (!call.DataFiles().FileExists(name)) {
        return;
    }
    call.FailWith(call.File().OpenRead(call.DataFiles().Resolve(name), name));
}

void FileOpenWrite(FileCall& call) {
    const std::string& name = call.Text(0);
    if (LeavesDataFolder(name)) {
        call.ShowFailure(kCannotWriteElsewhere);
        return;
    }
    call.FailWith(call.File().OpenWrite(call.DataFiles().Resolve(name), name));
}

void FileRead(FileCall& call) {
    RValue value;
    if (auto failure = call.File().Read(value)) {
        call.FailWith(std::move(failure));
        return;
    }
    call.ReturnValue(std::move(value));
}

// A file that cannot be deleted (it does not exist, it is a folder, it is protected) is left
// alone without a word.
void FileDelete(FileCall& call) {
    const std::string& name = call.Text(0);
    if (LeavesDataFolder(name)) {
        call.ShowFailure(kCannotDeleteElsewhere);
        return;
    }
    const std::filesystem::path path = call.DataFiles().Resolve(name);
    std::error_code error;
    if (!std::filesystem::is_directory(path, error)) {
        std::filesystem::remove(path, error);
    }
}

void ReadSavedValue(FileCall& call) {
    std::int32_t key = 0;
    if (!call.CheckedInteger32(0, key)) {
        return;
    }
    call.ReturnValue(call.Parts().savedValues.GetSavedValue(key));
}

void WriteSavedValue(FileCall& call) {
    std::int32_t key = 0;
    if (!call.CheckedInteger32(0, key)) {
        return;
    }
    call.Parts().savedValues.SetSavedValue(key, call.Argument(1));
}

void Execute(FileCall& call) {
    std::int64_t wait = 0;
    if (!call.CheckedInteger(2, wait)) {
        return;
    }
    const std::string& program = call.Text(0);
    const std::string& arguments = call.Text(1);
    if (LeavesDataFolder(program) || LeavesDataFolder(arguments)) {
        call.ShowFailure(kCannotExecuteElsewhere);
        return;
    }
    GameServices& services = call.Services();
    // Only a program the game waits for holds up its steps; one it does not wait for runs
    // beside the game, which goes on at once.
    const PausedGame paused(services.pacing, wait != 0);
    if (!services.programs.Execute(program, arguments, wait != 0)) {
        services.dialogs.ShowFailure("Cannot execute " + program + ".");
    }
}

void ShellExecute(FileCall& call) {
    const std::string& file = call.Text(0);
    const std::string& parameters = call.Text(1);
    if (LeavesDataFolder(file) || LeavesDataFolder(parameters)) {
        call.ShowFailure(kCannotExecuteElsewhere);
        return;
    }
    GameServices& services = call.Services();
    if (!services.programs.ShellExecute(file, parameters)) {
        services.dialogs.ShowFailure("Cannot execute " + file + ".");
    }
}

constexpr FunctionEntry<FileCall> kFileFunctions[] = {
    {"file_exists", 1, FileExists},
    {"file_open_read", 1, FileOpenRead},
    {"file_open_write", 1, FileOpenWrite},
    {"file_close", 0, [](FileCall& c) { c.FailWith(c.File().Close()); }},
    {"file_read", 0, FileRead},
    {"file_write", 1, [](FileCall& c) { c.FailWith(c.File().Write(c.Argument(0))); }},
    {"file_delete", 1, FileDelete},
    {"read", 1, ReadSavedValue},
    {"write", 2, WriteSavedValue},
    {"execute", 3, Execute},
    {"shellexecute", 2, ShellExecute},
};

} // namespace

void RegisterFileFunctions(CFunctionRegistry& registry) {
    static_assert(std::size(kFileFunctions) == 11);
    RegisterTable<FileCall, kFileFunctions>(registry);
}

} // namespace velkaro
