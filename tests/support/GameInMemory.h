#pragma once

// What tests that build a game in memory and run it share: objects with code in their events,
// and a screen and pictures that show and load nothing but keep what a test checks.

#include "data/GameLoader.h"
#include "platform/Pictures.h"
#include "platform/Screen.h"

#include <string>

namespace velkaro::test {

// A new object of `data` with a square box from (0, 0) to (boxLast, boxLast).
inline CObject& AddObject(GameData& data, const std::string& name, bool solid, int boxLast) {
    CObject& object = data.objects.Add();
    object.name = name;
    object.solid = solid;
    object.bbRight = boxLast;
    object.bbBottom = boxLast;
    return object;
}

// Appends a piece of code (action 811) to the object's list for the event.
inline void AddCode(CObject& object, int row, int sub, const std::string& code) {
    CAction& action = object.EventList(row, sub)->Add();
    action.id = 811;
    action.arguments[0] = code;
}

// Game windows that are never shown; they count the frames presented and keep the cursor's
// state and whether the game closed them.
class QuietScreen : public Screen {
public:
    bool FullScreenAvailable() const override { return false; }
    ScreenSize FullScreenSize() const override { return {1024, 768}; }
    void ShowWindow(int, int) override {}
    void ShowFullScreen() override {}
    void Close() override { closed = true; }
    void SetCaption(const std::string&) override {}
    void ShowCursor(bool shown) override { cursor = shown; }
    // The player closes the window (or presses the quit key) once the game has asked this many
    // times; never when negative.
    bool StopPending(std::int32_t) override {
        return closeAfterAsks >= 0 && asks++ >= closeAfterAsks;
    }
    void Present(const Bitmap&, int, int, int, int) override { ++presents; }

    bool closed = false;
    bool cursor = true;
    int presents = 0;
    int closeAfterAsks = -1;
    int asks = 0;
};

// Every picture is one black pixel.
class NoPictures : public Pictures {
public:
    Bitmap Load(const std::filesystem::path&) override { return Bitmap(1, 1); }
};

} // namespace velkaro::test
