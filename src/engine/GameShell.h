#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velkaro {

// What starting and ending a game asks of the shell around it: the high-score table, the sound
// player and the background music. The start and end screens are the ScreenService's. The game
// loop only decides when each is called.
class GameShell {
public:
    virtual ~GameShell() = default;

    // Reads the high-score table of the data folder, with the table's look reset.
    virtual void LoadScores() = 0;
    // Opens the sound output and prepares every sound of the game. Answers whether wave sounds
    // play through the output that mixes copies with volume, balance and speed (the game's
    // "directsound").
    virtual bool StartSounds() = 0;
    // Stops every sound and releases the sound output.
    virtual void EndSounds() = 0;

    // Plays the play list as background music; `order` 1 shuffles it, any other value keeps the
    // listed order.
    virtual void StartMusic(std::int32_t order, const std::vector<std::string>& playList) = 0;
    virtual void StopMusic() = 0;
};

} // namespace velkaro
