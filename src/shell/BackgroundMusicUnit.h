#pragma once

#include "base/Files.h"
#include "base/RandomGenerator.h"
#include "platform/Audio.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace velkaro {

// The background music: the game's play list, one file after another through the music
// media player, in the listed order (repeating from the start after the last) or at random.
// A file that is missing when its turn comes ends the music there, silently.
class CBackgroundMusic {
public:
    // `audio` and `files` must outlive the music; it takes over the music player's end handler.
    CBackgroundMusic(Audio& audio, const Files& files);
    ~CBackgroundMusic();
    CBackgroundMusic(const CBackgroundMusic&) = delete;
    CBackgroundMusic& operator=(const CBackgroundMusic&) = delete;

    // Random order draws from this generator: the game's own, so that a run replayed from the
    // same seed hears the same tracks and the game draws the same numbers afterwards. Until
    // one is given the music draws from a private generator that starts at state 0.
    void UseRandom(CRandomGenerator& random) { random_ = &random; }

    // `order` 1 plays at random, any other value in the listed order. The list holds full file
    // names as the game stores them (data folder + name); the music keeps its own copy.
    void StartMusic(std::int32_t order, const std::vector<std::string>& playList);
    void StopMusic();
    // Goes on to the next track; also what happens when a track has played to its end.
    void PlayNextTrack();

    // Index in the play list of the file in the player, -1 before the first.
    int CurrentTrack() const { return current_; }
    bool Playing() const { return playing_; }

private:
    int ChooseNext();
    std::filesystem::path PathOf(const std::string& fullName) const;

    Audio& audio_;
    const Files& files_;
    CRandomGenerator ownRandom_;
    CRandomGenerator* random_ = &ownRandom_;

    std::int32_t order_ = 0;
    std::vector<std::string> playList_;
    int current_ = -1;
    // Between StartMusic and StopMusic, until a missing file ends the music.
    bool playing_ = false;
};

} // namespace velkaro
