#include "replay/PlayCheck.h"

#include "base/AnsiText.h"
#include "codecs/PictureError.h"
#include "codecs/PngFile.h"
#include "world/GameState.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace velkaro {
namespace {

// A new folder of our own for the replay's saved files.
std::filesystem::path MakeSavesFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qvf-replay-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::filesystem::filesystem_error("cannot make a folder for the replay's saved files",
                                                pattern,
                                                std::error_code(errno, std::generic_category()));
    }
    return pattern;
}

// The colours alike, whatever the alpha: frames are opaque, and a PNG may keep no alpha.
bool SamePicture(const Bitmap& a, const Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) {
        return false;
    }
    return std::equal(a.Pixels().begin(), a.Pixels().end(), b.Pixels().begin(),
                      [](Pixel x, Pixel y) { return ((x ^ y) & 0x00FFFFFFu) == 0; });
}

} // namespace

PlayCheck::PlayCheck(std::filesystem::path folder, PlayRecord play)
    : folder_(std::move(folder)), play_(std::move(play)), saves_(MakeSavesFolder()),
      frameSteps_(FrameStepsIn(folder_)) {
    std::error_code error;
    if (std::filesystem::is_directory(folder_ / kPlayStartFolder, error)) {
        CopySavedFiles(folder_ / kPlayStartFolder, saves_);
    }
}

PlayCheck::~PlayCheck() {
    std::error_code error;
    std::filesystem::remove_all(saves_, error);
}

void PlayCheck::AtStep(long step, const Bitmap& shown) {
    if (!std::binary_search(frameSteps_.begin(), frameSteps_.end(), step)) {
        return;
    }
    framesSeen_.push_back(step);
    const std::string name = FrameFileName(step);
    try {
        if (!SamePicture(ReadPng(folder_ / name), shown)) {
            differences_.push_back("the picture of step " + std::to_string(step) +
                                   " differs from " + name);
        }
    } catch (const PictureError& error) {
        differences_.push_back(error.what());
    }
}

void PlayCheck::AtEnd(const GameState& state, long lastStep) {
    if (lastStep != play_.steps) {
        differences_.push_back("the game ended after step " + std::to_string(lastStep) +
                               ", the recording after step " + std::to_string(play_.steps));
    }
    if (play_.room && state.room != *play_.room) {
        differences_.push_back("the game ended in room " + std::to_string(state.room) + " (" +
                               AnsiToUtf8(state.roomname) + "), the recording in room " +
                               std::to_string(*play_.room));
    }
    if (play_.score && state.score != *play_.score) {
        differences_.push_back("the game ended with the score " + std::to_string(state.score) +
                               ", the recording with " + std::to_string(*play_.score));
    }
    for (const long step : frameSteps_) {
        if (std::find(framesSeen_.begin(), framesSeen_.end(), step) == framesSeen_.end()) {
            differences_.push_back("step " + std::to_string(step) + " of " + FrameFileName(step) +
                                   " was never shown");
        }
    }
    std::error_code error;
    if (std::filesystem::is_directory(folder_ / kPlayEndFolder, error)) {
        for (std::string& difference : CompareSavedFiles(folder_ / kPlayEndFolder, saves_)) {
            differences_.push_back(std::move(difference));
        }
    }
}

} // namespace velkaro
