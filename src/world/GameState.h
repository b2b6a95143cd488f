#pragma once

#include "base/NumberText.h"
#include "base/RandomGenerator.h"
#include "base/VariableClass.h"
#include "world/CollisionUnit.h"
#include "world/InstanceClass.h"
#include "world/TextFile.h"

#include <cstdint>
#include <string>

namespace velkaro {

struct GameData;

// The state of the running game, in one place: whatever needs it is handed this object, so
// nothing about a game lives in a global and a test can build a game of its own. It holds
// the game's state and its data; the parts that act on it (drawing, rooms, events, services)
// are the running game's and reach it, not the other way round.
struct GameState {
    // `gameData` must outlive the state.
    explicit GameState(const GameData& gameData) : data(gameData) {}
    GameState(const GameState&) = delete;
    GameState& operator=(const GameState&) = delete;

    // Seeded from the clock when a game starts, or with a fixed seed to replay a run.
    CRandomGenerator random;
    // Written into the text of non-integral numbers. Taken from the user's locale once, here,
    // so that nothing else in the program depends on the locale.
    std::string decimal_separator = UserDecimalSeparator();

    // The loaded game: objects, rooms, sounds.
    const GameData& data;

    // The room and the step.
    std::int32_t room = 0;
    std::int32_t next_room = 0; // 0 none, -1 end the game, n > 0 go to room n
    std::string roomname;
    std::int32_t cellsize = 0;
    std::int32_t room_columns = 0;
    std::int32_t room_rows = 0;
    double gamespeed = 0;
    std::int32_t back_color = 0;
    std::int32_t background_image = 0; // the picture is drawn only when this is 1
    std::int32_t background_mode = 0;
    double back_x = 0;
    double back_y = 0;
    double back_hspeed = 0;
    double back_vspeed = 0;
    std::int32_t score = 0;
    bool showscore = false;
    std::string event_name; // named in error reports

    // Input and window, written by the window handlers.
    bool fullscreenmode = false;
    double mousex = 0;
    double mousey = 0;
    std::int32_t mousebutton = 0; // 0 none, 1 left, 2 right, 3 middle
    // A button pressed and let go between two steps (a tap on a touchpad is shorter than a step)
    // still counts as held for the whole of the next step: its release waits for the step's end.
    bool mouse_press_unseen = false;
    bool mouse_release_waiting = false;
    std::int32_t lastkeypressed = 0;
    std::int32_t keypressed = 0;
    std::int32_t last_key_down = 0;
    std::string lastcharpressed;
    std::int32_t helpkey = 0; // 0: switched off
    std::int32_t quitkey = 0;
    std::int32_t screenkey = 0;
    std::string gamename;

    // The view: the part of the room that is shown.
    double view_x = 0;
    double view_y = 0;
    std::int32_t view_w = 0;
    std::int32_t view_h = 0;
    bool view_restrict = false;
    double view_border = 0;
    std::int32_t view_object = 0;

    bool directdraw = false;
    bool directsound = false;

    // The current room's instances, in creation order.
    CInstanceList instances;
    // The global user variables ("global.name"), for one game.
    CVariableList globals;

    // Error reports
    // The object named by error reports: that of self of the action list that started last.
    // Not restored when a nested list ends, so a report after a nested event still names the
    // nested event's object; 0 (no name) before any list has run.
    std::int32_t report_object = 0;

    // Collision
    // The collision masks and the "precise" option, set up when a game starts and cleared
    // when it ends.
    CCollision collision;

    // Drawing
    // Where the picture lies in the game window's client area, and how many window pixels one
    // room pixel takes: set when the screen mode changes.
    std::int32_t screen_offset_x = 0;
    std::int32_t screen_offset_y = 0;
    double screen_scale_x = 1.0;
    double screen_scale_y = 1.0;

    // Game loop
    // The game thread has been started and not yet stopped; while paused it waits.
    bool game_running = false;
    bool game_paused = false;

    // The text file that the file functions share: open across rooms until game code closes it.
    CTextFile text_file;
};

} // namespace velkaro
