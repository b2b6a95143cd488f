#pragma once

#include "engine/GameServices.h"
#include "platform/Clock.h"

#include <cstdint>

namespace velkaro {
class CGame;
}

namespace velkaro::qvf {

// The pace of a headless run: modal boxes suspend the game's steps as in a window, and a game
// that holds everything up waits on the run's clock, which a virtual clock only moves on.
class HeadlessShell : public PacingService {
public:
    explicit HeadlessShell(Clock& clock) : clock_(clock) {}

    // The game whose steps the modal boxes suspend; none before it is built.
    void Attach(CGame* game) { game_ = game; }

    void PauseGame() override;
    void ResumeGame() override;
    void Sleep(std::uint32_t ms) override;

private:
    Clock& clock_;
    CGame* game_ = nullptr;
};

} // namespace velkaro::qvf
