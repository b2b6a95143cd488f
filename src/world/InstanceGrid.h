#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace velkaro {

class CInstance;

// The broad phase over the room's instances: square cells laid over the room, each holding the
// list positions of the instances whose box reaches into it. Asked about a box or a point, it
// answers the positions of the instances that may overlap it, ascending, so that callers visit
// them in list order and run the exact tests of CCollision on those only.
//
// It never leaves out an instance the exact tests could find. Only the whole-pixel box takes
// part, and both exact tests reject at once whatever lies outside the box. Instances and points
// beyond the room fall into the border cells. An instance whose box covers many cells, or whose
// position or scale is not an ordinary number, is a candidate for every question.
//
// The list that owns the grid reports added instances, changed boxes and renumbered positions;
// the grid catches up at the next question: a changed instance moves only when it has left its
// cells, and renumbered positions are indexed afresh.
class CInstanceGrid {
public:
    // `instances` is the owning list's storage: position p is instances[p - 1].
    explicit CInstanceGrid(const std::vector<std::unique_ptr<CInstance>>& instances);
    CInstanceGrid(const CInstanceGrid&) = delete;
    CInstanceGrid& operator=(const CInstanceGrid&) = delete;

    // Lays the cells over a room of this size (in pixels).
    void Cover(double width, double height);
    // Off, every instance is a candidate for every question: the broad phase left out, for
    // the tests and benchmarks that compare the two. On by default.
    void SetPruning(bool on);
    bool Pruning() const { return pruning_; }

    // Into `positions`, ascending: the positions after `after` of the instances whose box may
    // overlap the box of `shape` (a list member or not).
    void Near(const CInstance& shape, int after, std::vector<int>& positions);
    // The same for the instances whose box may contain the point (px, py).
    void At(double px, double py, int after, std::vector<int>& positions);

    // What the list reports.
    void Added(int position);
    void BoxChanged(int position);
    // Positions changed (instances removed): everything is indexed afresh.
    void Renumbered() { stale_ = true; }

private:
    // The cells an instance (or a question) covers, columns c0..c1 and rows r0..r1.
    struct Span {
        int c0 = 0;
        int r0 = 0;
        int c1 = -1;
        int r1 = -1;
        bool everywhere = false;
        bool indexed = false;
    };

    int Column(std::int64_t x) const;
    int Row(std::int64_t y) const;
    Span SpanOf(const CInstance& instance) const;
    std::vector<int>& Cell(int column, int row) {
        return cells_[static_cast<std::size_t>(row * columns_ + column)];
    }
    void CatchUp();
    void Rebuild();
    void Insert(int slot, const Span& span);
    void Remove(int slot, const Span& span);
    void AllAfter(int after, std::vector<int>& positions) const;
    // Appends the slots of `from` at or after `first`.
    static void AppendFrom(const std::vector<int>& from, int first, std::vector<int>& slots);
    // Sorted, without repeats, as positions.
    static void Finish(std::vector<int>& slots, bool merged);

    const std::vector<std::unique_ptr<CInstance>>& instances_;
    bool pruning_ = true;
    // Everything is indexed afresh at the next question.
    bool stale_ = true;

    // Cells are 2^shift_ pixels wide; the first starts one cell left of and above the room.
    int shift_ = 0;
    std::int64_t origin_ = 0;
    int columns_ = 0;
    int rows_ = 0;
    // Slots (position - 1), ascending in each cell.
    std::vector<std::vector<int>> cells_;
    std::vector<int> everywhere_;
    // Per slot, where it is indexed.
    std::vector<Span> spans_;
    // Slots whose box changed since they were indexed.
    std::vector<int> changed_;
    std::vector<std::uint8_t> isChanged_;
};

} // namespace velkaro
