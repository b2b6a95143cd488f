#pragma once

#include "data/SoundClass.h"
#include "platform/headless/Transcript.h"
#include "runtime/GameServices.h"
#include "runtime/GameShell.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velkaro {

class CGame;
class Clock;

// The shell of a headless run: nothing is heard or shown, and what would have been is written
// to the transcript. Playing sounds and music, and the high-score table themselves are not done
// here: each writes the line of what was asked and returns. Not finished: the high-score table is
// not kept (every place reads empty) and no program is started; both only write their transcript
// lines.
class HeadlessShell : public GameShell,
                      public SoundService,
                      public PacingService,
                      public ScoreService,
                      public ProgramService {
public:
    HeadlessShell(Transcript& transcript, const CSoundList& sounds, Clock& clock)
        : transcript_(transcript), sounds_(sounds), clock_(clock) {}

    // The game whose steps the modal boxes suspend; none before it is built.
    void Attach(CGame* game) { game_ = game; }

    // GameShell
    void LoadScores() override {}
    void StartSounds() override {}
    void EndSounds() override {}
    void StartMusic(std::int32_t order, const std::vector<std::string>& playList) override;
    void StopMusic() override;

    // SoundService
    bool PlayGameSound(std::int32_t number, std::int32_t mode) override;
    void StopGameSound(std::int32_t number) override;
    void SetSoundVolume(std::int32_t number, double value) override;
    void SetSoundPan(std::int32_t number, double value) override;
    void SetSoundFrequency(std::int32_t number, double value) override;

    // ScoreService
    void ShowScores(std::int32_t score) override;
    void AddScore(const std::string&, std::int32_t) override {}
    void ClearScores() override {}
    std::int32_t ScoreAt(std::int32_t) const override { return 0; }
    std::string NameAt(std::int32_t) const override { return {}; }
    void SetScoreColours(Colour, Colour) override {}
    void SetScoreFont(const std::string&) override {}

    // ProgramService
    bool Execute(const std::string& program, const std::string& arguments, bool wait) override;
    bool ShellExecute(const std::string& file, const std::string& parameters) override;

    // PacingService
    void PauseGame() override;
    void ResumeGame() override;
    // Waits on the run's clock: a virtual one only moves on.
    void Sleep(std::uint32_t ms) override;

private:
    Transcript& transcript_;
    const CSoundList& sounds_;
    Clock& clock_;
    CGame* game_ = nullptr;
};

} // namespace velkaro
