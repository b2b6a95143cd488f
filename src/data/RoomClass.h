#pragma once

#include "base/Bitmap.h"
#include "data/LoadContext.h"

#include <cassert>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velkaro {

// The sizes of a room that decide what its drawing takes.
struct RoomSize {
    std::int32_t widthInCells = 0;
    std::int32_t heightInCells = 0;
    std::int32_t cellSize = 0;
    bool viewEnabled = false;
    std::int32_t viewWidthInCells = 0;
    std::int32_t viewHeightInCells = 0;
    std::int32_t viewBorderInCells = 0;
    // A background picture stretched to the room: a picture of the room's size is made.
    bool stretchedBackground = false;
};

// Why a room of these sizes cannot be drawn within the limits of base/Limits.h ("is 16000 x
// 16000 pixels, ..."), said of the room; none when it can. Sizes are multiplied in 64 bits.
std::optional<std::string> RoomSizeProblem(const RoomSize& size);

// One level or screen of the game, read-only after loading.
class CRoom {
public:
    std::string name = "<new>";
    Colour backgroundColour = 0xC0C0C0;
    // The stored name, and the full name: data folder + stored name.
    std::string backgroundFileName;
    std::string backgroundFile;
    // The picture is used only when this is exactly 1; 0 when its file does not exist.
    std::int32_t backgroundShown = 0;
    std::int32_t backgroundMode = 0; // 0 tiled, 1 stretched, 2 tiled and moving
    std::int32_t backgroundHSpeed = 0;
    std::int32_t backgroundVSpeed = 0;
    std::int32_t gameSpeed = 20;
    std::int32_t widthInCells = 16;
    std::int32_t heightInCells = 12;
    std::int32_t cellSize = 32;
    std::int32_t viewEnabled = 0; // 1 or more: enabled
    std::int32_t viewWidthInCells = 16;
    std::int32_t viewHeightInCells = 12;
    std::int32_t viewBorderInCells = 1;
    std::int32_t viewObject = 0;

    void Load(LoadContext& context);
    void Clear() { *this = CRoom(); }
    RoomSize Size() const;

    // The initial instances, 1 <= i <= InstanceCount(), in creation order.
    int InstanceCount() const { return static_cast<int>(instanceObjects_.size()); }
    std::int32_t InstanceColumn(int i) const { return instanceColumns_[Index(i)]; }
    std::int32_t InstanceRow(int i) const { return instanceRows_[Index(i)]; }
    std::int32_t InstanceObject(int i) const { return instanceObjects_[Index(i)]; }
    void AddInstance(std::int32_t column, std::int32_t row, std::int32_t object);

private:
    std::size_t Index(int i) const {
        assert(i >= 1 && i <= InstanceCount());
        return static_cast<std::size_t>(i - 1);
    }

    std::vector<std::int32_t> instanceColumns_;
    std::vector<std::int32_t> instanceRows_;
    std::vector<std::int32_t> instanceObjects_;
};

// All rooms, numbered from 1 in file order.
class CRoomList {
public:
    void Load(LoadContext& context);
    void Clear() { rooms_.clear(); }

    int Count() const { return static_cast<int>(rooms_.size()); }
    // Room i, 1 <= i <= Count(); callers check the range.
    CRoom& Get(int i) {
        assert(i >= 1 && i <= Count());
        return *rooms_[static_cast<std::size_t>(i - 1)];
    }
    const CRoom& Get(int i) const {
        assert(i >= 1 && i <= Count());
        return *rooms_[static_cast<std::size_t>(i - 1)];
    }
    bool Valid(int i) const { return i >= 1 && i <= Count(); }
    CRoom& Add();

private:
    std::vector<std::unique_ptr<CRoom>> rooms_;
};

} // namespace velkaro
