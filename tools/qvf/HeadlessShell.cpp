#include "qvf/HeadlessShell.h"

#include "engine/RunUnit.h"

namespace velkaro::qvf {

void HeadlessShell::PauseGame() {
    if (game_ != nullptr) {
        game_->PauseGame();
    }
}

void HeadlessShell::ResumeGame() {
    if (game_ != nullptr) {
        game_->ResumeGame();
    }
}

void HeadlessShell::Sleep(std::uint32_t ms) {
    clock_.Sleep(ms);
}

} // namespace velkaro::qvf
