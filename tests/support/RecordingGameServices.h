#pragma once

// Fakes of what the running game reports to and asks of the shell, for tests of the runtime
// and the actions: every call is kept, in order, as one line of text.

#include "engine/GameServices.h"
#include "script/ErrorReport.h"
#include "support/RecordingDialogs.h"

#include <cstdint>
#include <functional>
#include <optional>
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

// The shell as one recorder. Its boxes are call lines; error reports are kept apart, as
// RecordingDialogs keeps them.
class RecordingShell : public RecordingDialogs,
                       public DrawingService,
                       public SoundService,
                       public PacingService,
                       public ScoreService,
                       public ScreenService,
                       public DeviceInput,
                       public ProgramService {
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
    std::optional<std::string> AskText(const std::string& prompt,
                                       const std::string& value) override {
        calls.push_back("input " + prompt + " [" + value + "]");
        return typed;
    }
    void ShowGameInfo() override { calls.push_back("info"); }
    void ShowScores(std::int32_t score) override {
        calls.push_back("scores " + std::to_string(score));
    }
    void AddScore(const std::string& name, std::int32_t score) override {
        calls.push_back("add score " + name + " " + std::to_string(score));
    }
    void ClearScores() override { calls.push_back("clear scores"); }
    std::int32_t ScoreAt(std::int32_t place) const override { return place * 100; }
    std::string NameAt(std::int32_t place) const override { return "name" + std::to_string(place); }
    void SetScoreColours(Colour first, Colour others) override {
        calls.push_back("score colours " + std::to_string(first) + " " + std::to_string(others));
    }
    void SetScoreFont(const std::string& name) override { calls.push_back("score font " + name); }
    bool PlayGameSound(std::int32_t number, std::int32_t mode) override {
        calls.push_back("sound " + std::to_string(number) + " " + std::to_string(mode));
        return soundExists(number);
    }
    void StopGameSound(std::int32_t number) override {
        calls.push_back("stop sound " + std::to_string(number));
    }
    void SetSoundVolume(std::int32_t number, double value) override {
        calls.push_back("volume " + std::to_string(number) + " " + Number(value));
    }
    void SetSoundPan(std::int32_t number, double value) override {
        calls.push_back("pan " + std::to_string(number) + " " + Number(value));
    }
    void SetSoundFrequency(std::int32_t number, double value) override {
        calls.push_back("frequency " + std::to_string(number) + " " + Number(value));
    }
    void ShowSplashImage(const std::string& file, bool full, std::int32_t delayMs) override {
        calls.push_back("splash image " + file + (full ? " full " : " ") + std::to_string(delayMs));
    }
    void ShowSplashVideo(const std::string& file, bool full, bool loop) override {
        calls.push_back("splash video " + file + (full ? " full" : "") + (loop ? " loop" : ""));
    }
    void ShowSplashText(const std::string& file, bool full, Colour background,
                        std::int32_t delayMs) override {
        calls.push_back("splash text " + file + (full ? " full " : " ") +
                        std::to_string(background) + " " + std::to_string(delayMs));
    }
    bool KeyDown(std::int32_t key) override { return key == keyHeld; }
    bool MouseButtonDown(std::int32_t button) override { return button == buttonHeld; }
    std::optional<JoystickState> ReadJoystick() override { return joystick; }
    bool Execute(const std::string& program, const std::string& arguments, bool wait) override {
        calls.push_back("execute " + program + " [" + arguments + "]" + (wait ? " wait" : ""));
        return started;
    }
    bool ShellExecute(const std::string& file, const std::string& parameters) override {
        calls.push_back("open " + file + " [" + parameters + "]");
        return started;
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
    // What every input box answers; none is Cancel.
    std::optional<std::string> typed;
    // Whether programs start.
    bool started = true;
    // The devices: one key and one mouse button held at most.
    std::int32_t keyHeld = -1;
    std::int32_t buttonHeld = -1;
    std::optional<JoystickState> joystick;
    // Which sounds exist.
    std::function<bool(std::int32_t)> soundExists = [](std::int32_t) { return true; };
};

} // namespace velkaro::test
