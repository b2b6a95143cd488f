#include "main/PlayerSettings.h"

#include <charconv>

namespace velkaro {
namespace {

// Reads the settings of one game, saying on the log which ones mean nothing.
class SettingReader {
public:
    SettingReader(const UserSettings& settings, const std::string& game, std::ostream& log)
        : settings_(settings), game_(game), log_(log) {}

    std::optional<bool> YesNo(const char* key, const char* yes, const char* no) const {
        const std::optional<std::string> value = settings_.Get(key, game_);
        if (!value) {
            return std::nullopt;
        }
        if (*value == yes || *value == no) {
            return *value == yes;
        }
        Refuse(key, *value, std::string(yes) + " or " + no);
        return std::nullopt;
    }

    std::optional<int> Number(const char* key, int low, int high, const char* word = nullptr,
                              int wordValue = 0) const {
        const std::optional<std::string> value = settings_.Get(key, game_);
        if (!value) {
            return std::nullopt;
        }
        if (word != nullptr && *value == word) {
            return wordValue;
        }
        if (const std::optional<int> number = WholeNumber(*value, low, high)) {
            return number;
        }
        Refuse(key, *value,
               std::to_string(low) + " to " + std::to_string(high) +
                   (word != nullptr ? std::string(" or ") + word : std::string()));
        return std::nullopt;
    }

private:
    void Refuse(const char* key, const std::string& value, const std::string& expected) const {
        log_ << "velkaro: " << settings_.File().string() << ": " << key << " = " << value
             << " is left out: it takes " << expected << "\n";
    }

    const UserSettings& settings_;
    const std::string& game_;
    std::ostream& log_;
};

} // namespace

std::optional<int> WholeNumber(const std::string& text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

PlayerChoices ChoicesFor(const PlayOptions& options, const UserSettings& settings,
                         const std::string& game, std::ostream& log) {
    const SettingReader read(settings, game, log);
    PlayerChoices choices;
    choices.window.fullScreen =
        options.fullScreen ? options.fullScreen : read.YesNo("fullscreen", "yes", "no");
    choices.window.scale = options.scale.value_or(
        read.Number("scale", 1, kLargestScale, "fit", WindowChoice::kFitScale).value_or(1));
    const bool mute = options.mute.value_or(read.YesNo("mute", "yes", "no").value_or(false));
    const int volume = options.volume.value_or(read.Number("volume", 0, 100).value_or(100));
    choices.volume = mute ? 0.0F : static_cast<float>(volume) / 100.0F;
    choices.allowPrograms = options.allowPrograms;
    return choices;
}

void RememberWindow(UserSettings& settings, const std::string& game, bool switched, bool covers,
                    std::optional<int> resizedScale) {
    if (switched) {
        settings.Set("fullscreen", covers ? "yes" : "no", game);
    }
    if (resizedScale && !covers) {
        settings.Set("scale", std::to_string(*resizedScale), game);
    }
}

} // namespace velkaro
