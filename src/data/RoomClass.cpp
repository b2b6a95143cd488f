#include "data/RoomClass.h"

namespace velkaro {
namespace {

constexpr std::size_t kInstanceRecord = 3 * 4;

std::string Pixels(std::int64_t width, std::int64_t height) {
    return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

bool TooLarge(std::int64_t width, std::int64_t height) {
    return width > limits::kSurfaceSide || height > limits::kSurfaceSide ||
           width * height > limits::kSurfacePixels;
}

std::string SurfaceLimit() {
    return "at most " + std::to_string(limits::kSurfaceSide) + " pixels a side and " +
           std::to_string(limits::kSurfacePixels) + " in all";
}

} // namespace

std::optional<std::string> RoomSizeProblem(const RoomSize& size) {
    if (size.widthInCells < 0 || size.heightInCells < 0 || size.cellSize < 0) {
        return "has a negative size: " + std::to_string(size.widthInCells) + " x " +
               std::to_string(size.heightInCells) + " cells of " + std::to_string(size.cellSize) +
               " pixels";
    }
    const std::int64_t width = std::int64_t{size.widthInCells} * size.cellSize;
    const std::int64_t height = std::int64_t{size.heightInCells} * size.cellSize;
    if (width > limits::kSurfaceSide || height > limits::kSurfaceSide) {
        return "is " + Pixels(width, height) + "; a room may be at most " +
               std::to_string(limits::kSurfaceSide) + " pixels a side";
    }
    if (size.stretchedBackground && TooLarge(width, height)) {
        return "is " + Pixels(width, height) + ", too large to stretch its background over (" +
               SurfaceLimit() + ")";
    }
    if (!size.viewEnabled) {
        if (TooLarge(width, height)) {
            return "is " + Pixels(width, height) + ", too large to be drawn without a view (" +
                   SurfaceLimit() + ")";
        }
        return std::nullopt;
    }
    if (size.viewWidthInCells < 0 || size.viewHeightInCells < 0) {
        return "has a view of a negative size: " + std::to_string(size.viewWidthInCells) + " x " +
               std::to_string(size.viewHeightInCells) + " cells";
    }
    const std::int64_t viewWidth = std::int64_t{size.viewWidthInCells} * size.cellSize;
    const std::int64_t viewHeight = std::int64_t{size.viewHeightInCells} * size.cellSize;
    if (TooLarge(viewWidth, viewHeight)) {
        return "has a view of " + Pixels(viewWidth, viewHeight) + "; a view may be " +
               SurfaceLimit();
    }
    const std::int64_t border = std::int64_t{size.viewBorderInCells} * size.cellSize;
    if (border > limits::kSurfaceSide || border < -limits::kSurfaceSide) {
        return "has a view border of " + std::to_string(border) + " pixels, more than " +
               std::to_string(limits::kSurfaceSide);
    }
    return std::nullopt;
}

RoomSize CRoom::Size() const {
    return {widthInCells,      heightInCells,
            cellSize,          viewEnabled >= 1,
            viewWidthInCells,  viewHeightInCells,
            viewBorderInCells, backgroundShown == 1 && backgroundMode == 1};
}

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
    if (const auto problem = RoomSizeProblem(Size())) {
        ThrowCorrupt("room \"" + name + "\" " + *problem + ".");
    }
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
