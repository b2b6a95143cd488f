#pragma once

#include "data/LoadContext.h"

#include <cassert>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velkaro {

// How a sound plays, from its file's extension: wave sounds through wave buffers, the others
// through the media player.
enum class SoundKind : int { Wave = 0, Midi = 1, Mp3 = 2, Other = 10 };

// One entry of the sound table.
class CSound {
public:
    std::string name;
    // Whether the sound's file existed when the game was loaded; a missing one cannot play.
    bool fileExists = false;
    // The stored name, and the full name: data folder + stored name.
    std::string fileName;
    std::string file;
    bool effectsAllowed = false;
    std::int32_t bufferCount = 1;

    void Load(LoadContext& context);
    void Clear() { *this = CSound(); }

    SoundKind Kind() const;
    // How many copies of a wave sound can sound at once: at least 1.
    int Copies() const { return bufferCount < 1 ? 1 : bufferCount; }
};

// The sound table, numbered from 1 in file order. Number 0 stands for all sounds when
// stopping and is never an entry.
class CSoundList {
public:
    void Load(LoadContext& context);
    void Clear() { sounds_.clear(); }

    int Count() const { return static_cast<int>(sounds_.size()); }
    // Sound i, 1 <= i <= Count(); callers check the range.
    CSound& Get(int i) {
        assert(i >= 1 && i <= Count());
        return *sounds_[static_cast<std::size_t>(i - 1)];
    }
    const CSound& Get(int i) const {
        assert(i >= 1 && i <= Count());
        return *sounds_[static_cast<std::size_t>(i - 1)];
    }
    bool Valid(int i) const { return i >= 1 && i <= Count(); }
    CSound& Add();

private:
    std::vector<std::unique_ptr<CSound>> sounds_;
};

// The kind of a file name by its extension, without regard to letter case.
SoundKind SoundKindOf(const std::string& fileName);

} // namespace velkaro
