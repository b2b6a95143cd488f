#include "platform/headless/HeadlessShell.h"

#include "platform/AnsiText.h"
#include "runtime/RunUnit.h"

namespace velkaro {

void HeadlessShell::StartMusic(std::int32_t order, const std::vector<std::string>& playList) {
    nlohmann::ordered_json files = nlohmann::ordered_json::array();
    for (const std::string& file : playList) {
        files.push_back(AnsiToUtf8(file));
    }
    transcript_.Write("music", {{"action", "start"}, {"shuffle", order == 1}, {"files", files}});
}

void HeadlessShell::StopMusic() {
    transcript_.Write("music", {{"action", "stop"}});
}

bool HeadlessShell::PlayGameSound(std::int32_t number, std::int32_t mode) {
    if (number == 0) {
        transcript_.Write("sound", {{"action", "stop"}, {"sound", 0}});
        return true;
    }
    if (!sounds_.Valid(number)) {
        return false;
    }
    transcript_.Write("sound", {{"action", "play"}, {"sound", number}, {"loop", mode}});
    return true;
}

void HeadlessShell::StopGameSound(std::int32_t number) {
    transcript_.Write("sound", {{"action", "stop"}, {"sound", number}});
}

void HeadlessShell::SetSoundVolume(std::int32_t number, double value) {
    transcript_.Write("sound", {{"action", "volume"}, {"sound", number}, {"value", value}});
}

void HeadlessShell::SetSoundPan(std::int32_t number, double value) {
    transcript_.Write("sound", {{"action", "pan"}, {"sound", number}, {"value", value}});
}

void HeadlessShell::SetSoundFrequency(std::int32_t number, double value) {
    transcript_.Write("sound", {{"action", "frequency"}, {"sound", number}, {"value", value}});
}

void HeadlessShell::ShowScores(std::int32_t score) {
    transcript_.Write("highscore", {{"score", score}, {"place", nullptr}, {"name", nullptr}});
}

bool HeadlessShell::Execute(const std::string& program, const std::string& arguments, bool wait) {
    transcript_.Write("execute",
                      {{"command", AnsiToUtf8(program + " " + arguments)}, {"wait", wait}});
    return true;
}

bool HeadlessShell::ShellExecute(const std::string& file, const std::string& parameters) {
    transcript_.Write("execute",
                      {{"command", AnsiToUtf8(file + " " + parameters)}, {"wait", false}});
    return true;
}

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

} // namespace velkaro
