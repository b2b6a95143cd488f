#pragma once

#include "base/Bitmap.h"
#include "data/LoadContext.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velkaro {

// The game-wide settings chosen in the editor, with the defaults that hold when a key is
// missing. File names are full names: data folder + stored name.
struct GameOptions {
    bool fullscreen = false;
    bool showcursor = true;
    bool screenkey = true;
    bool helpkey = true;
    bool quitkey = true;
    bool showscore = true;
    std::string highscorefilename;
    bool highscoreborder = true;
    bool music = false;
    std::vector<std::string> playlist;
    std::int32_t musicorder = 2; // 1: random order, else as listed
    std::int32_t start = 0;      // 0 none, 1 image, 2 video, 3 text
    std::string startfilename;
    bool startfull = false;
    bool startloop = false;
    std::int32_t startdelay = 5;
    Colour startcolor = 0xFFFFFF;
    bool startmusic = false;
    std::int32_t end = 0;
    std::string endfilename;
    bool endfull = false;
    bool endloop = false;
    std::int32_t enddelay = 5;
    Colour endcolor = 0xFFFFFF;
    bool endmusic = false;
    std::int32_t collisions = 1;
    bool continuous = false;
    bool exclusive = false;
    bool preprocess = false;
    bool stopmoving = true;
    bool precise = false;

    void Reset() { *this = GameOptions(); }
};

// Reads the options section into `options`, after resetting it. A value that is not a whole
// number for a number key ends the load ("'x' is not a valid integer value").
void ReadOptions(LoadContext& context, GameOptions& options);

// Sets `options` from key=value entries; `dataFolder` prefixes the file names.
void ApplyOptionEntries(const std::vector<std::string>& entries, const std::string& dataFolder,
                        GameOptions& options);

// Splits a comma list of file names. Blanks and control characters around entries are
// skipped; an entry in double quotes may hold blanks and commas ("" stands for one quote).
std::vector<std::string> SplitPlayList(const std::string& text);

} // namespace velkaro
