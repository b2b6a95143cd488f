#pragma once

// Fakes of what the running game reports to and asks of the shell, for tests of the runtime
// and the actions: every call is kept, in order, as one line of text.

#include "runtime/GameServices.h"
#include "script/ErrorReport.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace velkaro::test {

using Reports = std::vector<std::pair<std::string, bool>>;
using Calls = std::vector<std::string>;

class RecordingErrors : public GameErrorSink {
public:
    void ReportGameError(const std::string& message, bool fatal) override {
        reports.emplace_back(message, fatal);
    }
    Reports reports;
};

// The shell as one recorder.
class RecordingShell : public DrawingService,
                       public DialogService,
                       public SoundService,
                       public PacingService {
public:
    void DrawFrame() override { calls.push_back("frame"); }
    void DrawObjectImage(int object, int subimage, double scale, double x, double y) override {
        calls.push_back("image " + std::to_string(object) + " " + std::to_string(subimage) + " " +
                        Number(scale) + " " + Number(x) + " " + Number(y));
    }
    void ShowMessage(const std::string& text) override { calls.push_back("message " + text); }
    bool ShowQuestion(const std::string& text) override {
        calls.push_back("question " + text);
        return answer;
    }
    void ShowScores(std::int32_t score) override {
        calls.push_back("scores " + std::to_string(score));
    }
    bool PlayGameSound(std::int32_t number, std::int32_t mode) override {
        calls.push_back("sound " + std::to_string(number) + " " + std::to_string(mode));
        return soundExists(number);
    }
    void PauseGame() override { calls.push_back("pause"); }
    void ResumeGame() override { calls.push_back("resume"); }
    void Sleep(std::uint32_t ms) override { calls.push_back("sleep " + std::to_string(ms)); }

    // A number without trailing zeros: 2 for 2.0, 2.5 for 2.5.
    static std::string Number(double value) {
        std::string text = std::to_string(value);
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') {
            text.pop_back();
        }
        return text;
    }

    Calls calls;
    // The answer of every question box.
    bool answer = false;
    // Which sounds exist.
    std::function<bool(std::int32_t)> soundExists = [](std::int32_t) { return true; };
};

} // namespace velkaro::test
