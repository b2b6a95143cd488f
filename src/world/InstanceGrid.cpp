#include "world/InstanceGrid.h"

#include "world/InstanceClass.h"

#include <algorithm>
#include <cmath>

namespace velkaro {
namespace {

// Cells are at least 2^5 = 32 pixels wide; wider (by powers of two) in large rooms, so that
// their number stays below kMostCells.
constexpr int kSmallestCellShift = 5;
constexpr int kMostCells = 128 * 128;
// An instance (or a question) covering more cells than this is a candidate everywhere (or asks
// about every instance): cheaper than going through its cells.
constexpr int kMostCellsCovered = 64;
// Rooms larger than this are covered only this far: the border cells hold the rest.
constexpr double kLargestSide = 1 << 20;

// Cells along one side of a room of `length` pixels, with a border cell at each end for
// whatever lies outside.
int CellsAlong(int length, int cellSize) {
    return std::max(0, (length + cellSize - 1) / cellSize) + 2;
}

bool Ordinary(const CInstance& instance) {
    return std::isfinite(instance.x) && std::isfinite(instance.y) &&
           std::isfinite(instance.image_scale) && instance.image_scale > 0;
}

// The cell number of pixel coordinate `v`, brought into 0..count-1: never decreasing, so that
// whatever lies in a box lies in its cells.
int CellOf(std::int64_t v, std::int64_t origin, int shift, int count) {
    const std::int64_t cell = (v - origin) >> shift;
    return cell < 0 ? 0 : cell >= count - 1 ? count - 1 : static_cast<int>(cell);
}

// The whole pixel a finite point lies in, far positions brought nearer: the same cell as the
// point, since cells follow the room's whole pixels and the border cells take all beyond.
std::int64_t PixelOf(double v) {
    constexpr double kFar = 1e12;
    return static_cast<std::int64_t>(std::floor(std::clamp(v, -kFar, kFar)));
}

void InsertSorted(std::vector<int>& slots, int slot) {
    if (slots.empty() || slots.back() < slot) {
        slots.push_back(slot);
    } else {
        slots.insert(std::lower_bound(slots.begin(), slots.end(), slot), slot);
    }
}

void RemoveSorted(std::vector<int>& slots, int slot) {
    const auto found = std::lower_bound(slots.begin(), slots.end(), slot);
    if (found != slots.end() && *found == slot) {
        slots.erase(found);
    }
}

} // namespace

CInstanceGrid::CInstanceGrid(const std::vector<std::unique_ptr<CInstance>>& instances)
    : instances_(instances) {
    Cover(0, 0);
}

void CInstanceGrid::Cover(double roomWidth, double roomHeight) {
    // Written so that a size that is not a number covers nothing.
    const int width = roomWidth > 0 ? static_cast<int>(std::min(roomWidth, kLargestSide)) : 0;
    const int height = roomHeight > 0 ? static_cast<int>(std::min(roomHeight, kLargestSide)) : 0;
    shift_ = kSmallestCellShift;
    while (static_cast<long long>(CellsAlong(width, 1 << shift_)) *
               CellsAlong(height, 1 << shift_) >
           kMostCells) {
        ++shift_;
    }
    columns_ = CellsAlong(width, 1 << shift_);
    rows_ = CellsAlong(height, 1 << shift_);
    origin_ = -(std::int64_t{1} << shift_);
    cells_.assign(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_), {});
    stale_ = true;
}

void CInstanceGrid::SetPruning(bool on) {
    pruning_ = on;
    stale_ = true;
}

int CInstanceGrid::Column(std::int64_t x) const {
    return CellOf(x, origin_, shift_, columns_);
}

int CInstanceGrid::Row(std::int64_t y) const {
    return CellOf(y, origin_, shift_, rows_);
}

CInstanceGrid::Span CInstanceGrid::SpanOf(const CInstance& instance) const {
    Span span;
    if (!Ordinary(instance)) {
        span.everywhere = true;
        return span;
    }
    // A box whose edges are the wrong way round still collides with boxes that reach across it
    // (the box test compares each edge with the other box's opposite edge), so it counts from
    // its smaller edge to its larger.
    span.c0 = Column(std::min(instance.box_left, instance.box_right));
    span.c1 = Column(std::max(instance.box_left, instance.box_right));
    span.r0 = Row(std::min(instance.box_top, instance.box_bottom));
    span.r1 = Row(std::max(instance.box_top, instance.box_bottom));
    span.everywhere = (span.c1 - span.c0 + 1) * (span.r1 - span.r0 + 1) > kMostCellsCovered;
    return span;
}

void CInstanceGrid::Insert(int slot, const Span& span) {
    if (span.everywhere) {
        InsertSorted(everywhere_, slot);
        return;
    }
    for (int row = span.r0; row <= span.r1; ++row) {
        for (int column = span.c0; column <= span.c1; ++column) {
            InsertSorted(Cell(column, row), slot);
        }
    }
}

void CInstanceGrid::Remove(int slot, const Span& span) {
    if (!span.indexed) {
        return;
    }
    if (span.everywhere) {
        RemoveSorted(everywhere_, slot);
        return;
    }
    for (int row = span.r0; row <= span.r1; ++row) {
        for (int column = span.c0; column <= span.c1; ++column) {
            RemoveSorted(Cell(column, row), slot);
        }
    }
}

void CInstanceGrid::Rebuild() {
    for (std::vector<int>& cell : cells_) {
        cell.clear();
    }
    everywhere_.clear();
    const std::size_t count = instances_.size();
    spans_.assign(count, Span{});
    changed_.clear();
    isChanged_.assign(count, 0);
    for (std::size_t slot = 0; slot < count; ++slot) {
        Span& span = spans_[slot];
        span = SpanOf(*instances_[slot]);
        Insert(static_cast<int>(slot), span);
        span.indexed = true;
    }
    stale_ = false;
}

void CInstanceGrid::CatchUp() {
    if (stale_) {
        Rebuild();
        return;
    }
    for (const int slot : changed_) {
        const auto index = static_cast<std::size_t>(slot);
        isChanged_[index] = 0;
        Span& span = spans_[index];
        Span now = SpanOf(*instances_[index]);
        now.indexed = true;
        // Most moves stay within the cells they were in.
        if (span.indexed && now.everywhere == span.everywhere && now.c0 == span.c0 &&
            now.c1 == span.c1 && now.r0 == span.r0 && now.r1 == span.r1) {
            continue;
        }
        Remove(slot, span);
        Insert(slot, now);
        span = now;
    }
    changed_.clear();
}

void CInstanceGrid::Added(int position) {
    if (stale_ || !pruning_) {
        return;
    }
    const auto slot = static_cast<std::size_t>(position - 1);
    if (slot >= spans_.size()) {
        spans_.resize(slot + 1);
        isChanged_.resize(slot + 1, 0);
    }
    BoxChanged(position);
}

void CInstanceGrid::BoxChanged(int position) {
    if (stale_ || !pruning_) {
        return;
    }
    const auto slot = static_cast<std::size_t>(position - 1);
    if (slot >= isChanged_.size()) {
        // Not a position the grid knows: nothing is trusted until it has indexed afresh.
        stale_ = true;
        return;
    }
    if (isChanged_[slot] == 0) {
        isChanged_[slot] = 1;
        changed_.push_back(position - 1);
    }
}

void CInstanceGrid::AllAfter(int after, std::vector<int>& positions) const {
    const int count = static_cast<int>(instances_.size());
    for (int position = std::max(after, 0) + 1; position <= count; ++position) {
        positions.push_back(position);
    }
}

void CInstanceGrid::AppendFrom(const std::vector<int>& from, int first, std::vector<int>& slots) {
    slots.insert(slots.end(), std::lower_bound(from.begin(), from.end(), first), from.end());
}

void CInstanceGrid::Finish(std::vector<int>& slots, bool merged) {
    if (merged) {
        std::sort(slots.begin(), slots.end());
        slots.erase(std::unique(slots.begin(), slots.end()), slots.end());
    }
    for (int& slot : slots) {
        ++slot;
    }
}

void CInstanceGrid::Near(const CInstance& shape, int after, std::vector<int>& positions) {
    positions.clear();
    if (!pruning_) {
        AllAfter(after, positions);
        return;
    }
    const Span span = SpanOf(shape);
    if (span.everywhere) {
        AllAfter(after, positions);
        return;
    }
    CatchUp();
    // Slots are positions - 1: those at or after `after` come after it.
    for (int row = span.r0; row <= span.r1; ++row) {
        for (int column = span.c0; column <= span.c1; ++column) {
            AppendFrom(Cell(column, row), after, positions);
        }
    }
    AppendFrom(everywhere_, after, positions);
    const bool oneCell = span.c0 == span.c1 && span.r0 == span.r1;
    Finish(positions, !oneCell || !everywhere_.empty());
}

void CInstanceGrid::At(double px, double py, int after, std::vector<int>& positions) {
    positions.clear();
    // A point that is not a number lies in no box; asking about every instance costs little in
    // such an odd case and leaves the answer to the exact test.
    if (!pruning_ || !std::isfinite(px) || !std::isfinite(py)) {
        AllAfter(after, positions);
        return;
    }
    CatchUp();
    AppendFrom(Cell(Column(PixelOf(px)), Row(PixelOf(py))), after, positions);
    AppendFrom(everywhere_, after, positions);
    Finish(positions, !everywhere_.empty());
}

} // namespace velkaro
