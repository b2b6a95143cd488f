#include "data/RoomClass.h"

namespace velkaro {
namespace {

constexpr std::size_t kInstanceRecord = 3 * 4;

} // namespace

void CRoom::Load(LoadContext& context) {
    Clear();
    if (!ReadVersion(context, "Internal error in room version.")) {
        return;
    }
    CStream& in = context.stream;
    name = ReadString(in);
    backgroundColour = static_cast<Colour>(ReadInt(in));
    backgroundFileName = ReadString(in);
    backgroundFile = context.FullName(backgroundFileName);
    backgroundShown = ReadInt(in);
    if (!context.files.FileExists(backgroundFileName)) {
        backgroundShown = 0;
    }
    backgroundMode = ReadInt(in);
    backgroundHSpeed = ReadInt(in);
    backgroundVSpeed = ReadInt(in);
    gameSpeed = ReadInt(in);
    widthInCells = ReadInt(in);
    heightInCells = ReadInt(in);
    cellSize = ReadInt(in);
    viewEnabled = ReadInt(in);
    viewWidthInCells = ReadInt(in);
    viewHeightInCells = ReadInt(in);
    viewBorderInCells = ReadInt(in);
    viewObject = ReadInt(in);
    const std::int32_t count = ReadCount(context, "instance", kInstanceRecord);
    instanceColumns_.reserve(static_cast<std::size_t>(count));
    instanceRows_.reserve(static_cast<std::size_t>(count));
    instanceObjects_.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int32_t column = ReadInt(in);
        const std::int32_t row = ReadInt(in);
        AddInstance(column, row, ReadInt(in));
    }
}

void CRoom::AddInstance(std::int32_t column, std::int32_t row, std::int32_t object) {
    instanceColumns_.push_back(column);
    instanceRows_.push_back(row);
    instanceObjects_.push_back(object);
}

void CRoomList::Load(LoadContext& context) {
    Clear();
    if (!ReadVersion(context, "Internal error in roomlist version.")) {
        return;
    }
    const std::int32_t count = ReadCount(context, "room", kMinRecord);
    for (std::int32_t i = 0; i < count; ++i) {
        Add().Load(context);
    }
}

CRoom& CRoomList::Add() {
    rooms_.push_back(std::make_unique<CRoom>());
    return *rooms_.back();
}

} // namespace velkaro
