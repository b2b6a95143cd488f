#pragma once

#include "platform/Dialogs.h"
#include "platform/ScoreWindow.h"
#include "platform/SplashWindow.h"

namespace velkaro {

// The high-score table and the start and end screens in plain boxes, until the player has
// windows of their own for them: the table as lines of text, a new entry's name asked in the
// input box, and a box naming the picture, text or video a screen would show.
class StandInScoreWindow final : public ScoreWindow {
public:
    explicit StandInScoreWindow(Dialogs& dialogs) : dialogs_(dialogs) {}
    std::string ShowScoreTable(const ScoreTableView& table) override;

private:
    Dialogs& dialogs_;
};

class StandInSplashWindow final : public SplashWindow {
public:
    // `screen` is the size of the screen the windows would cover.
    StandInSplashWindow(Dialogs& dialogs, ScreenSize screen) : dialogs_(dialogs), screen_(screen) {}

    ScreenSize SplashScreenSize() const override { return screen_; }
    void ShowImage(const std::filesystem::path& file, const Bitmap& picture, SplashBox window,
                   SplashBox place, std::int32_t delayMs) override;
    void ShowVideo(const std::filesystem::path& file, bool full, bool loop) override;
    void ShowText(const std::filesystem::path& file, SplashBox window, Colour background,
                  std::int32_t delayMs) override;

private:
    Dialogs& dialogs_;
    ScreenSize screen_;
};

} // namespace velkaro
