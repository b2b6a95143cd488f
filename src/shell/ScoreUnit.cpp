#include "shell/ScoreUnit.h"

#include "base/AnsiText.h"
#include "base/Files.h"
#include "base/WholeFile.h"
#include "data/GameLoader.h"
#include "platform/Dialogs.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <system_error>

namespace velkaro {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kCaptionEnd = ": Top Ten Players";

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Reads the file the way it was always read: a score (blanks and empty lines before it are
// skipped), exactly one separating character, and the rest of the line as the name, so that
// a name keeps its leading blanks. Lines end in CR LF; a lone LF or CR, as an editor may
// leave, ends one too.
class ScoresReader {
public:
    explicit ScoresReader(std::string_view text) : text_(text) {}

    // False when nothing but blanks and line ends is left.
    bool MoreEntries() {
        while (position_ < text_.size() && (IsBlank(Here()) || IsLineEnd(Here()))) {
            ++position_;
        }
        return position_ < text_.size();
    }

    // The score: an optional sign and decimal digits, up to a blank, a line end or the end of
    // the file. None when that is no whole number of 32 bits.
    std::optional<std::int32_t> Score() {
        const std::size_t start = position_;
        while (position_ < text_.size() && !IsBlank(Here()) && !IsLineEnd(Here())) {
            ++position_;
        }
        std::string_view word = text_.substr(start, position_ - start);
        if (word.size() > 1 && word[0] == '+' && word[1] != '-') {
            word.remove_prefix(1);
        }
        std::int32_t value = 0;
        const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
        if (error != std::errc() || end != word.data() + word.size()) {
            return std::nullopt;
        }
        return value;
    }

    // Skips the one separating character, unless the line ends right after the score, then
    // takes the rest of the line and moves past its end.
    std::string Name() {
        if (position_ < text_.size() && !IsLineEnd(Here())) {
            ++position_;
        }
        const std::size_t start = position_;
        while (position_ < text_.size() && !IsLineEnd(Here())) {
            ++position_;
        }
        std::string name(text_.substr(start, position_ - start));
        if (position_ < text_.size() && Here() == '\r') {
            ++position_;
        }
        if (position_ < text_.size() && Here() == '\n') {
            ++position_;
        }
        return name;
    }

private:
    char Here() const { return text_[position_]; }

    std::string_view text_;
    std::size_t position_ = 0;
};

std::string DamagedMessage(int placesRead) {
    std::string message = "The file \"scores\" is damaged: ";
    if (placesRead == 0) {
        return message + "none of its scores were read.";
    }
    return message + "only the first " + std::to_string(placesRead) + " of its scores were read.";
}

// The file's lines cannot hold a line break.
} // namespace

CHighScores::CHighScores(const GameData& data, Dialogs& dialogs, ScoreWindow& window)
    : data_(data), dialogs_(dialogs), window_(window) {
    EmptyPlaces();
}

void CHighScores::LoadScores() {
    firstColour_ = kDefaultFirstScoreColour;
    otherColour_ = kDefaultOtherScoreColour;
    fontName_ = kDefaultScoreFont;
    EmptyPlaces();
    if (data_.files.SavedFileExists(kScoresFile)) {
        ReadScoresFile();
    }
}

void CHighScores::ReadScoresFile() {
    const std::filesystem::path path = data_.files.ResolveSaved(kScoresFile);
    const auto bytes = ReadFileWhole(path);
    if (!bytes) {
        dialogs_.ShowFailure("The file \"scores\" cannot be read.", path);
        return;
    }
    const std::string text(bytes->begin(), bytes->end());
    ScoresReader reader(text);
    for (int i = 0; i < kScorePlaces && reader.MoreEntries(); ++i) {
        const auto score = reader.Score();
        if (!score) {
            // The file is written only here; a player who edited it by hand learns why the
            // lower places are empty.
            dialogs_.ShowFailure(DamagedMessage(i), path);
            return;
        }
        places_[static_cast<std::size_t>(i)] = ScorePlace{*score, reader.Name()};
    }
}

void CHighScores::SaveScores() {
    if (!data_.files.CanSave()) {
        dialogs_.ShowFailure(kCannotSaveScores, data_.files.SavesFolder());
        return;
    }
    try {
        const std::filesystem::path written = data_.files.SaveFile(kScoresFile, ScoresText());
        if (written.parent_path() != data_.files.SavesFolder()) {
            dialogs_.Log(kScoresSavedElsewhere, written);
        }
    } catch (const FileWriteError& error) {
        dialogs_.Log(error.what());
        dialogs_.ShowMessage(kScoresNotWritten);
    }
}

std::string CHighScores::ScoresText() const {
    std::string text;
    for (const ScorePlace& place : places_) {
        text += std::to_string(place.score);
        text += ' ';
        text += OnOneLine(place.name);
        text += kLineEnd;
    }
    return text;
}

std::optional<int> CHighScores::EnterScore(std::int32_t score, const std::string& name) {
    const auto lower =
        std::find_if(places_.begin(), places_.end(),
                     [score](const ScorePlace& place) { return place.score < score; });
    if (lower == places_.end()) {
        return std::nullopt;
    }
    std::move_backward(lower, places_.end() - 1, places_.end());
    *lower = ScorePlace{score, name};
    return static_cast<int>(lower - places_.begin()) + 1;
}

void CHighScores::ShowScores(std::int32_t score) {
    const std::optional<int> place = EnterScore(score, std::string());
    std::string typed = window_.ShowScoreTable(View(score, place));
    if (place) {
        // Stored even when empty: the player chose to leave the place without a name.
        places_[static_cast<std::size_t>(*place - 1)].name = std::move(typed);
    }
    SaveScores();
}

void CHighScores::AddScore(const std::string& name, std::int32_t score) {
    EnterScore(score, name);
    SaveScores();
}

void CHighScores::ClearScores() {
    EmptyPlaces();
    SaveScores();
}

std::int32_t CHighScores::ScoreAt(std::int32_t place) const {
    if (place < 1 || place > kScorePlaces) {
        return 0;
    }
    return places_[static_cast<std::size_t>(place - 1)].score;
}

std::string CHighScores::NameAt(std::int32_t place) const {
    if (place < 1 || place > kScorePlaces) {
        return {};
    }
    return places_[static_cast<std::size_t>(place - 1)].name;
}

void CHighScores::SetScoreColours(Colour first, Colour others) {
    firstColour_ = first;
    otherColour_ = others;
}

void CHighScores::SetScoreFont(const std::string& name) {
    fontName_ = name;
}

void CHighScores::EmptyPlaces() {
    places_.fill(ScorePlace{0, kNobody});
}

ScoreTableView CHighScores::View(std::int32_t offered, std::optional<int> newPlace) const {
    ScoreTableView view;
    view.caption = data_.gameName + std::string(kCaptionEnd);
    view.places = places_;
    view.firstColour = firstColour_;
    view.otherColour = otherColour_;
    view.fontName = fontName_;
    view.border = data_.options.highscoreborder;
    view.background = BackgroundPicture();
    view.offeredScore = offered;
    view.newPlace = newPlace;
    return view;
}

std::optional<std::filesystem::path> CHighScores::BackgroundPicture() const {
    std::string_view name = data_.options.highscorefilename;
    if (name.empty()) {
        return std::nullopt;
    }
    // The options hold the name behind the data folder; only the game's own part of it needs
    // matching without regard to letter case.
    if (!data_.dataFolder.empty() && name.starts_with(data_.dataFolder)) {
        name.remove_prefix(data_.dataFolder.size());
    }
    if (!data_.files.FileExists(name)) {
        return std::nullopt;
    }
    return data_.files.Resolve(name);
}

} // namespace velkaro
