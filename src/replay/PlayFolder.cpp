#include "replay/PlayFolder.h"

#include "base/WholeFile.h"
#include "script/SavedValues.h"
#include "shell/ScoreUnit.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <functional>
#include <limits>
#include <sstream>

namespace velkaro {
namespace {

template <typename Number>
Number ReadValue(const std::string& key, const std::string& value, int line, Number low) {
    Number number{};
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc() || end != value.data() + value.size() || number < low) {
        throw PlayFileError{"line " + std::to_string(line) + ": " + key +
                            " must be a whole number from " + std::to_string(low) + ", not \"" +
                            value + "\""};
    }
    return number;
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

PlayRecord ReadPlayRecord(std::string_view text) {
    PlayRecord play;
    bool haveSeed = false;
    bool haveSteps = false;
    std::istringstream in{std::string(text)};
    std::string raw;
    for (int line = 1; std::getline(in, raw); ++line) {
        const std::string content = Trimmed(raw);
        if (content.empty() || content.front() == '#') {
            continue;
        }
        const auto blank = content.find_first_of(" \t");
        const std::string key = content.substr(0, blank);
        const std::string value = blank == std::string::npos ? "" : Trimmed(content.substr(blank));
        if (key == "seed") {
            play.seed = ReadValue<std::uint32_t>(key, value, line, 0);
            haveSeed = true;
        } else if (key == "steps") {
            play.steps = ReadValue<long>(key, value, line, 0);
            haveSteps = true;
        } else if (key == "room") {
            play.room = ReadValue<std::int32_t>(key, value, line, 1);
        } else if (key == "score") {
            play.score =
                ReadValue<std::int32_t>(key, value, line, std::numeric_limits<std::int32_t>::min());
        } else {
            throw PlayFileError{"line " + std::to_string(line) + ": unknown key \"" + key +
                                "\" (expected seed, steps, room or score)"};
        }
    }
    if (!haveSeed || !haveSteps) {
        throw PlayFileError{std::string("it must say the ") + (haveSeed ? "steps" : "seed") +
                            " of the play"};
    }
    return play;
}

std::string PlayRecordText(const PlayRecord& play) {
    std::string text = "# A play";
    if (!play.game.empty()) {
        text += " of " + play.game;
    }
    text += ": replay it with qvf run GAME --replay FOLDER\n";
    text += "seed " + std::to_string(play.seed) + "\n";
    text += "steps " + std::to_string(play.steps) + "\n";
    if (play.room) {
        if (!play.roomName.empty()) {
            text += "# the room it ended in: " + play.roomName + "\n";
        }
        text += "room " + std::to_string(*play.room) + "\n";
    }
    if (play.score) {
        text += "score " + std::to_string(*play.score) + "\n";
    }
    return text;
}

std::string FrameFileName(long step) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06ld.png", step);
    return name;
}

std::vector<long> FrameStepsIn(const std::filesystem::path& folder) {
    std::vector<long> steps;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        long step = 0;
        if (name.size() == 16 && name.starts_with("frame-") && name.ends_with(".png")) {
            const char* digits = name.data() + 6;
            const auto [end, bad] = std::from_chars(digits, digits + 6, step);
            if (bad == std::errc() && end == digits + 6) {
                steps.push_back(step);
            }
        }
    }
    std::sort(steps.begin(), steps.end());
    return steps;
}

std::vector<std::string_view> SavedFileNames() {
    return {kSavedValuesFile, kOlderSavedValuesFile, kScoresFile};
}

namespace {

// `pathOf` answers where the saved file of a name is.
void CopyEachSavedFile(const std::function<std::filesystem::path(std::string_view)>& pathOf,
                       const std::filesystem::path& to) {
    std::filesystem::create_directories(to);
    for (const std::string_view name : SavedFileNames()) {
        const std::filesystem::path source = pathOf(name);
        const std::filesystem::path target = to / name;
        std::error_code error;
        if (std::filesystem::is_regular_file(source, error)) {
            std::filesystem::copy_file(source, target,
                                       std::filesystem::copy_options::overwrite_existing);
        } else {
            std::filesystem::remove(target);
        }
    }
}

} // namespace

void CopySavedFiles(const std::filesystem::path& from, const std::filesystem::path& to) {
    CopyEachSavedFile([&from](std::string_view name) { return from / name; }, to);
}

void CopySavedFiles(const Files& from, const std::filesystem::path& to) {
    CopyEachSavedFile([&from](std::string_view name) { return from.ResolveSaved(name); }, to);
}

std::vector<std::string> CompareSavedFiles(const std::filesystem::path& expected,
                                           const std::filesystem::path& actual) {
    std::vector<std::string> differences;
    for (const std::string_view name : SavedFileNames()) {
        const auto want = ReadFileWhole(expected / name);
        const auto got = ReadFileWhole(actual / name);
        const std::string quoted = "\"" + std::string(name) + "\"";
        if (want && !got) {
            differences.push_back("the play left no " + quoted);
        } else if (!want && got) {
            differences.push_back("the play left a " + quoted + " that the recording has not");
        } else if (want && got && *want != *got) {
            differences.push_back("the file " + quoted + " differs from the recording's");
        }
    }
    return differences;
}

} // namespace velkaro
