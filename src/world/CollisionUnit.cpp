#include "world/CollisionUnit.h"

#include "base/VariableClass.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace velkaro {
namespace {

// Scales at or below zero, and non-numbers, have no pixel mapping.
bool UsableScale(double scale) {
    return scale > 0 && std::isfinite(scale);
}

// Far beyond any room; keeps the pixel arithmetic below in range. Not-a-number fails too.
constexpr double kFarthestPosition = 1e15;

// Whether the instance's sprite can be laid over the room pixel by pixel.
bool UsableForMasks(const CInstance& instance) {
    return UsableScale(instance.image_scale) && std::fabs(instance.x) < kFarthestPosition &&
           std::fabs(instance.y) < kFarthestPosition;
}

// One instance's mask laid over the room: room pixel (px, py) reads mask column
// floor((px - left) / scale), row floor((py - top) / scale).
struct PlacedMask {
    const CMask* mask;
    std::int64_t left;
    std::int64_t top;
    double scale;

    bool SolidAt(std::int64_t px, std::int64_t py) const {
        std::int64_t column = px - left;
        std::int64_t row = py - top;
        if (scale != 1) {
            const double c = std::floor(static_cast<double>(column) / scale);
            const double r = std::floor(static_cast<double>(row) / scale);
            if (!(c >= 0 && c < mask->Width() && r >= 0 && r < mask->Height())) {
                return false;
            }
            column = static_cast<std::int64_t>(c);
            row = static_cast<std::int64_t>(r);
        }
        return column >= 0 && column < mask->Width() && row >= 0 && row < mask->Height() &&
               mask->Solid(static_cast<int>(column), static_cast<int>(row));
    }

    // The last room column (or row) the mask can cover, from its first one and its size.
    // Generous by one pixel against the rounding of the division in SolidAt, which checks
    // the mask's bounds itself.
    static std::int64_t LastCovered(std::int64_t first, int size, double scale,
                                    std::int64_t limit) {
        const double last = static_cast<double>(first) + std::ceil(size * scale);
        return last < static_cast<double>(limit) ? static_cast<std::int64_t>(last) : limit;
    }
};

} // namespace

int ShownSubimage(const CInstance& instance, int count) {
    if (count <= 0) {
        return 0;
    }
    if (instance.image_index >= 0) {
        return instance.image_index % count;
    }
    const double position = std::floor(instance.image_counter);
    if (!std::isfinite(position)) {
        return 0;
    }
    // Exact: the remainder of a whole number is a whole number in (-count, count).
    const int wrapped = static_cast<int>(std::fmod(position, static_cast<double>(count)));
    return wrapped < 0 ? wrapped + count : wrapped;
}

void CCollision::Setup(const CObjectList& objects, bool precise, bool preprocess) {
    precise_ = precise;
    masks_.emplace(objects);
    masks_->Setup(preprocess);
}

void CCollision::Clear() {
    masks_.reset();
}

const CImageMask* CCollision::Masks(int object) {
    if (!masks_) {
        return nullptr;
    }
    const CImageMask* masks = masks_->Masks(object);
    return masks != nullptr && !masks->empty() ? masks : nullptr;
}

bool CCollision::InstancesCollide(const CInstance& a, const CInstance& b) {
    if (&a == &b) {
        return false;
    }
    if (b.box_right < a.box_left || a.box_right < b.box_left || b.box_bottom < a.box_top ||
        a.box_bottom < b.box_top) {
        return false;
    }
    if (!TestsPrecisely(a)) {
        return true;
    }

    if (!UsableForMasks(a) || !UsableForMasks(b)) {
        return false;
    }
    const CImageMask* masksA = Masks(a.object);
    const CImageMask* masksB = Masks(b.object);
    if (masksA == nullptr || masksB == nullptr) {
        return false;
    }
    const int countA = static_cast<int>(masksA->size());
    const int countB = static_cast<int>(masksB->size());
    const PlacedMask placedA{&(*masksA)[static_cast<std::size_t>(ShownSubimage(a, countA))],
                             RoundToInteger(a.x), RoundToInteger(a.y), a.image_scale};
    const PlacedMask placedB{&(*masksB)[static_cast<std::size_t>(ShownSubimage(b, countB))],
                             RoundToInteger(b.x), RoundToInteger(b.y), b.image_scale};

    // The overlap of the boxes, narrowed to where both masks lie: outside a mask is empty.
    std::int64_t left =
        std::max({std::int64_t{a.box_left}, std::int64_t{b.box_left}, placedA.left, placedB.left});
    std::int64_t top =
        std::max({std::int64_t{a.box_top}, std::int64_t{b.box_top}, placedA.top, placedB.top});
    std::int64_t right = std::min(a.box_right, b.box_right);
    std::int64_t bottom = std::min(a.box_bottom, b.box_bottom);
    for (const PlacedMask* placed : {&placedA, &placedB}) {
        right = PlacedMask::LastCovered(placed->left, placed->mask->Width(), placed->scale, right);
        bottom =
            PlacedMask::LastCovered(placed->top, placed->mask->Height(), placed->scale, bottom);
    }

    for (std::int64_t px = left; px <= right; ++px) {
        for (std::int64_t py = top; py <= bottom; ++py) {
            if (placedA.SolidAt(px, py) && placedB.SolidAt(px, py)) {
                return true;
            }
        }
    }
    return false;
}

bool CCollision::PointInInstance(const CInstance& a, double px, double py) {
    // Written so that a point that is not a number lies in no box.
    if (!(px >= a.box_left && px <= a.box_right && py >= a.box_top && py <= a.box_bottom)) {
        return false;
    }
    if (!TestsPrecisely(a)) {
        return true;
    }
    if (!UsableForMasks(a)) {
        return false;
    }
    const CImageMask* masks = Masks(a.object);
    if (masks == nullptr) {
        return false;
    }
    const CMask& mask =
        (*masks)[static_cast<std::size_t>(ShownSubimage(a, static_cast<int>(masks->size())))];
    // The exact position, not the rounded one the instance test uses.
    const double column = std::floor((px - a.x) / a.image_scale);
    const double row = std::floor((py - a.y) / a.image_scale);
    if (!(column >= 0 && column < mask.Width() && row >= 0 && row < mask.Height())) {
        return false;
    }
    return mask.Solid(static_cast<int>(column), static_cast<int>(row));
}

} // namespace velkaro
