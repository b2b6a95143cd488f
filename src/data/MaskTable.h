#pragma once

#include "data/ImageClass.h"
#include "data/ObjectClass.h"

#include <vector>

namespace velkaro {

// The collision masks of every object, by object index (entry 0 is never filled). Masks are
// built once per game: all at the start when the game asks for it ("preprocess"), otherwise
// on first use by the precise collision tests.
class CMaskTable {
public:
    explicit CMaskTable(const CObjectList& objects) : objects_(objects) {}

    // Sizes the table to object count + 1 with every entry empty; builds every entry at once
    // when `preprocess` is set.
    void Setup(bool preprocess);
    // Empties every entry and the table (game end).
    void Clear() { masks_.clear(); }

    // Builds the masks of `object` unless they exist or its image has no sub-images.
    void BuildMasks(int object);
    void FreeMasks(int object);

    // The masks of `object`, built on demand; null when it has no sprite or is out of range.
    const CImageMask* Masks(int object);
    bool Built(int object) const;

private:
    bool InRange(int object) const {
        return object >= 1 && static_cast<std::size_t>(object) < masks_.size();
    }

    const CObjectList& objects_;
    std::vector<CImageMask> masks_;
};

} // namespace velkaro
