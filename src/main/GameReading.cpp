#include "main/GameReading.h"

#include "base/AnsiText.h"
#include "base/UserSettings.h"
#include "description/DescribedGame.h"
#include "description/GameDescription.h"
#include "functions/FunctionTables.h"
#include "platform/Dialogs.h"
#include "script/CodeCheck.h"
#include "script/GameWarnings.h"
#include "script/SavedValues.h"
#include "shell/ScoreUnit.h"
#include "world/GameState.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <stdexcept>
#include <system_error>

namespace velkaro {
namespace {

// The boxes of a game read again while another plays: what the loader would say is kept, to
// be shown over the game, and nothing is asked.
class KeptMessages final : public Dialogs {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    bool ShowQuestion(const std::string&) override { return false; }
    std::optional<std::string> AskText(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    void ShowGameInfo() override {}

    std::vector<std::string> messages;
};

std::filesystem::path Absolute(const std::filesystem::path& path) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::weakly_canonical(path, error);
    return error ? path.lexically_normal() : absolute;
}

bool SameName(const std::filesystem::path& path, std::string_view name) {
    const std::string file = path.filename().string();
    return file.size() == name.size() &&
           std::equal(file.begin(), file.end(), name.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

} // namespace

std::filesystem::path FallbackSavesFolder(const std::filesystem::path& file) {
    const std::filesystem::path home = UserDataHome();
    if (home.empty()) {
        return {};
    }
    // Two games of one name in different folders keep apart: the folder's name carries a
    // digest of the game file's whole path (FNV-1a).
    std::uint32_t digest = 2166136261U;
    for (const char c : Absolute(file).string()) {
        digest = (digest ^ static_cast<unsigned char>(c)) * 16777619U;
    }
    std::array<char, 9> hex{};
    std::snprintf(hex.data(), hex.size(), "%08x", digest);
    return home / "velkaro" / (file.stem().string() + "-" + hex.data());
}

bool LoadGameFile(const std::filesystem::path& file, GameData& data, Dialogs& dialogs) {
    const bool loaded = IsDescriptionName(file)
                            ? LoadDescribedGame(file, data, dialogs,
                                                [&file](const std::string& warning) {
                                                    std::cerr << "velkaro: " << file.string()
                                                              << ": warning: " << warning << '\n';
                                                })
                            : LoadGame(file, data, dialogs);
    if (loaded) {
        data.files.SetFallbackSavesFolder(FallbackSavesFolder(file));
    }
    return loaded;
}

void PrintCodeCheck(const std::filesystem::path& file, GameData& data) {
    for (const CodeFinding& finding : CheckGameCode(data, FunctionRegistry())) {
        std::cerr << "velkaro: " << file.string() << ": " << AnsiToUtf8(DescribeFinding(finding))
                  << '\n';
    }
    for (const GameWarning& warning : FindLikelyMistakes(data, FunctionRegistry())) {
        std::cerr << "velkaro: " << file.string() << ": " << AnsiToUtf8(DescribeWarning(warning))
                  << '\n';
    }
}

std::vector<WatchedFolder> GameFolders(const std::filesystem::path& file, const GameData& data) {
    const std::filesystem::path folder = Absolute(file).parent_path();
    if (IsDescriptionName(file)) {
        return {{folder, true}};
    }
    return {{folder, false}, {Absolute(data.files.DataFolder()), true}};
}

bool ChangeMatters(const std::filesystem::path& path, const GameData& data,
                   const GameState& playing) {
    const std::string name = path.filename().string();
    // Hidden files (the temporaries that files are saved through), editors' backups and vim's
    // test of whether it may write in the folder.
    if (name.empty() || name.front() == '.' || name.back() == '~' || name == "4913") {
        return false;
    }
    // A folder made is no change yet: what is put into it is.
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        return false;
    }
    const std::filesystem::path absolute = Absolute(path);
    // The player's own folders (and what other programs keep there: the sound server's
    // files, say) may lie inside a game author's folder.
    for (const std::filesystem::path& own : {UserConfigHome(), UserDataHome()}) {
        const std::filesystem::path folder = own.empty() ? own : Absolute(own);
        if (!folder.empty() &&
            std::mismatch(folder.begin(), folder.end(), absolute.begin(), absolute.end()).first ==
                folder.end()) {
            return false;
        }
    }
    if (absolute.parent_path() == Absolute(data.files.SavesFolder()) &&
        (SameName(path, kSavedValuesFile) || SameName(path, kOlderSavedValuesFile) ||
         SameName(path, kScoresFile))) {
        return false;
    }
    const auto& written = playing.text_file.WrittenFiles();
    return std::none_of(written.begin(), written.end(), [&](const std::filesystem::path& file) {
        return Absolute(file) == absolute;
    });
}

Reloaded ReloadGame(const std::filesystem::path& file) {
    KeptMessages messages;
    auto data = std::make_unique<GameData>();
    if (!LoadGameFile(file, *data, messages)) {
        return {nullptr, messages.messages};
    }
    // The loader may have said something and still read the game (a sound it could not play,
    // say): that is written where the player writes everything else.
    for (const std::string& message : messages.messages) {
        std::cerr << "velkaro: " << file.string() << ": " << AnsiToUtf8(message) << '\n';
    }
    return {std::move(data), {}};
}

} // namespace velkaro
