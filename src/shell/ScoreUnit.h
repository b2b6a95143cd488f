#pragma once

#include "base/Bitmap.h"
#include "engine/GameServices.h"
#include "platform/ScoreWindow.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace velkaro {

class Dialogs;
struct GameData;

inline const char* const kCannotSaveScores = "Cannot save scores for unsaved game.";
inline const char* const kScoresNotWritten =
    "Cannot save scores: the file \"scores\" cannot be written.";
// Said on the player's log, with the file, when the game's data folder could not take them.
inline const char* const kScoresSavedElsewhere =
    "the high-score table is kept here: the game's data folder cannot be written";
// The name of an empty place.
inline const char* const kNobody = "<nobody>";
// The look of the window when a game starts.
inline const char* const kDefaultScoreFont = "Times New Roman";
constexpr Colour kDefaultFirstScoreColour = 0x0000FF;
constexpr Colour kDefaultOtherScoreColour = 0xFF0000;

// The file of the high-score table in the saves folder (Files::SavesFolder).
inline constexpr std::string_view kScoresFile = "scores";

// The game's top ten, kept in the file "scores" of the saves folder: ten lines, place 1 first,
// each the score in decimal, one blank and the name (Windows-1252 bytes), ending in CR LF.
//
// The file is rewritten whole after every change (a new file, then renamed over the old one),
// so that a player who quits while it is written keeps the table of before.
//
// A damaged file (a score that is not a whole number) keeps the places read before the damage;
// the later places stay empty and the player is told how many were read. The file has no way to
// hold a line break inside a name: such a name is written with blanks in its place.
class CHighScores : public ScoreService {
public:
    // `data` gives the data folder, the game name of the caption and the window options; it
    // must outlive the table. Messages go to `dialogs`, the table is shown in `window`.
    CHighScores(const GameData& data, Dialogs& dialogs, ScoreWindow& window);

    // At game start: the look reset, every place empty, then the file read when it exists.
    void LoadScores();
    // Writes the file; without a data folder the player is told and nothing is written.
    void SaveScores();

    // ScoreService
    void ShowScores(std::int32_t score) override;
    void AddScore(const std::string& name, std::int32_t score) override;
    void ClearScores() override;
    std::int32_t ScoreAt(std::int32_t place) const override;
    std::string NameAt(std::int32_t place) const override;
    void SetScoreColours(Colour first, Colour others) override;
    void SetScoreFont(const std::string& name) override;

    // Puts `score` with `name` at the first place whose score is strictly lower, moving that
    // place and those below down by one (place 10's entry falls off). Answers the place, or
    // none when the score is not above any entry and nothing changed.
    std::optional<int> EnterScore(std::int32_t score, const std::string& name);

    Colour FirstColour() const { return firstColour_; }
    Colour OtherColour() const { return otherColour_; }
    const std::string& FontName() const { return fontName_; }

    // The whole text of the scores file for this table.
    std::string ScoresText() const;

private:
    void EmptyPlaces();
    void ReadScoresFile();
    ScoreTableView View(std::int32_t offered, std::optional<int> newPlace) const;
    std::optional<std::filesystem::path> BackgroundPicture() const;

    const GameData& data_;
    Dialogs& dialogs_;
    ScoreWindow& window_;
    std::array<ScorePlace, kScorePlaces> places_;
    Colour firstColour_ = kDefaultFirstScoreColour;
    Colour otherColour_ = kDefaultOtherScoreColour;
    std::string fontName_ = kDefaultScoreFont;
};

} // namespace velkaro
