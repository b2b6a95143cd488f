#pragma once

#include "base/Bitmap.h"
#include "replay/PlayFolder.h"

#include <filesystem>
#include <string>
#include <vector>

namespace velkaro {

struct GameState;

// Checks a replay against its recording: the room and score it ends with, the saved values and
// high-score table it leaves, and the pictures of the steps the recording kept. The replay keeps
// its saved files in a folder of its own, which starts as the recording started and is removed
// with the check: the player's own saved values are neither read nor changed.
class PlayCheck {
public:
    // Throws std::filesystem::filesystem_error when the folder cannot be made.
    PlayCheck(std::filesystem::path folder, PlayRecord play);
    ~PlayCheck();
    PlayCheck(const PlayCheck&) = delete;
    PlayCheck& operator=(const PlayCheck&) = delete;

    // Where the replay reads and writes its saved values and high-score table.
    const std::filesystem::path& SavesFolder() const { return saves_; }

    // After step `step` has been shown: compares `shown` with the picture the recording kept of
    // that step, if any.
    void AtStep(long step, const Bitmap& shown);
    // After the game's end, `lastStep` the last step that ran.
    void AtEnd(const GameState& state, long lastStep);

    // One line for each way the replay differs; none when it ended as recorded.
    const std::vector<std::string>& Differences() const { return differences_; }

private:
    std::filesystem::path folder_;
    PlayRecord play_;
    std::filesystem::path saves_;
    std::vector<long> frameSteps_;
    std::vector<long> framesSeen_;
    std::vector<std::string> differences_;
};

} // namespace velkaro
