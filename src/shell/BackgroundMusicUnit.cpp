#include "shell/BackgroundMusicUnit.h"

#include <cmath>
#include <system_error>

namespace velkaro {

CBackgroundMusic::CBackgroundMusic(Audio& audio, const Files& files)
    : audio_(audio), files_(files) {
    audio_.SetMediaEndHandler(MediaPlayer::Music, [this] {
        if (playing_) {
            PlayNextTrack();
        }
    });
}

CBackgroundMusic::~CBackgroundMusic() {
    audio_.SetMediaEndHandler(MediaPlayer::Music, {});
}

void CBackgroundMusic::StartMusic(std::int32_t order, const std::vector<std::string>& playList) {
    order_ = order;
    playList_ = playList;
    current_ = -1;
    playing_ = true;
    PlayNextTrack();
}

void CBackgroundMusic::StopMusic() {
    playing_ = false;
    audio_.CloseMedia(MediaPlayer::Music);
}

int CBackgroundMusic::ChooseNext() {
    const int count = static_cast<int>(playList_.size());
    int index = current_ + 1;
    if (order_ == 1) {
        index = static_cast<int>(std::floor(random_->Next() * count));
    }
    return index >= count ? 0 : index;
}

void CBackgroundMusic::PlayNextTrack() {
    if (playList_.empty()) {
        return;
    }
    const int index = ChooseNext();
    if (index == current_) {
        // The same file again: it is still in the player, at its end.
        audio_.RewindMedia(MediaPlayer::Music);
        audio_.PlayMedia(MediaPlayer::Music, playList_.size() == 1);
        return;
    }
    const std::filesystem::path path = PathOf(playList_[static_cast<std::size_t>(index)]);
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error) ||
        !audio_.OpenMedia(MediaPlayer::Music, path, 0)) {
        // No skipping to the file after it: the music ends here.
        playing_ = false;
        return;
    }
    current_ = index;
    // Only a list of one file is sure to play it again at its end, in either order.
    audio_.PlayMedia(MediaPlayer::Music, playList_.size() == 1);
}

std::filesystem::path CBackgroundMusic::PathOf(const std::string& fullName) const {
    // The list holds the data folder followed by the name the game stores; only that name is
    // a game text to be matched without regard to letter case.
    if (!files_.DataFolder().empty()) {
        const std::string folder = files_.DataFolder().string() + "/";
        if (fullName.compare(0, folder.size(), folder) == 0) {
            return files_.Resolve(std::string_view(fullName).substr(folder.size()));
        }
    }
    return files_.Resolve(fullName);
}

} // namespace velkaro
