#pragma once

#include "data/MaskTable.h"
#include "data/ObjectClass.h"
#include "world/InstanceClass.h"

#include <optional>

namespace velkaro {

// The sub-image an instance shows: `image_index` when it is set, else the animation position,
// brought into 0..count-1. A position below 0 (an animation running backwards) wraps round from
// the last sub-image, so every caller gets a sub-image it can index. Gives 0 when count <= 0 or
// the animation position is not a finite number.
int ShownSubimage(const CInstance& instance, int count);

// Whether two instances overlap and whether a point lies in an instance: box tests first, then,
// when pixel precision is asked for, the collision masks of the objects' sprites.
//
// Positions outside a sprite's mask count as empty: a box may reach beyond the sprite, and the
// rounding of the position may shift the sprite by a pixel against the box, but only pixels of
// the sprite itself can be solid.
//
// An instance whose `image_scale` is 0, negative or not a number has no sensible pixel
// mapping (its sprite would be drawn as nothing or mirrored); such an instance never collides
// precisely. Its box tests are unaffected.
class CCollision {
public:
    // When a game starts: a fresh mask table for `objects`, every mask built at once when
    // `preprocess` is set, every test pixel-precise when `precise` is set.
    void Setup(const CObjectList& objects, bool precise, bool preprocess);
    // When the game ends: every mask is freed. Until the next Setup a precise test finds no
    // solid pixel.
    void Clear();

    bool Precise() const { return precise_; }

    // Whether a and b overlap. An instance never collides with itself. Only a's
    // `collision_mode` decides whether the test is precise.
    bool InstancesCollide(const CInstance& a, const CInstance& b);
    // Whether the point (px, py) lies in a.
    bool PointInInstance(const CInstance& a, double px, double py);

private:
    // The masks of `object`, built on first need; null when it has no sprite.
    const CImageMask* Masks(int object);
    bool TestsPrecisely(const CInstance& a) const { return precise_ || a.collision_mode == 1; }

    std::optional<CMaskTable> masks_;
    bool precise_ = false;
};

} // namespace velkaro
