#pragma once

#include "engine/GameShell.h"
#include "platform/Audio.h"
#include "platform/Dialogs.h"
#include "platform/Pictures.h"
#include "platform/ScoreWindow.h"
#include "platform/SplashWindow.h"
#include "shell/BackgroundMusicUnit.h"
#include "shell/MusicUnit.h"
#include "shell/ScoreUnit.h"
#include "shell/SplashUnit.h"

namespace velkaro {

struct GameData;
struct GameState;

// The platform parts the shell works through.
struct ShellPlatform {
    Audio& audio;
    ScoreWindow& scoreWindow;
    SplashWindow& splashWindow;
    Dialogs& dialogs;
    Pictures& pictures;
};

// The shell around one game: the high-score table, the sound player, the background music and
// the start and end screens, the same on the desktop and in a headless run, each over its own
// platform parts. The game's start and end reach it as its GameShell; the game's code reaches
// its parts as services.
class CShell : public GameShell {
public:
    // `game` and the platform parts must outlive the shell.
    CShell(const GameData& game, const ShellPlatform& platform);

    // Random play lists draw from the game's generator, so a replayed run hears the same music.
    void Attach(GameState& state);

    CHighScores& Scores() { return scores_; }
    CSoundPlayer& Sound() { return sound_; }
    CBackgroundMusic& Music() { return music_; }
    CSplashScreens& Screens() { return screens_; }

    void LoadScores() override { scores_.LoadScores(); }
    bool StartSounds() override { return sound_.StartSounds(); }
    void EndSounds() override { sound_.EndSounds(); }
    void StartMusic(std::int32_t order, const std::vector<std::string>& playList) override {
        music_.StartMusic(order, playList);
    }
    void StopMusic() override { music_.StopMusic(); }

private:
    CHighScores scores_;
    CSoundPlayer sound_;
    CBackgroundMusic music_;
    CSplashScreens screens_;
};

} // namespace velkaro
