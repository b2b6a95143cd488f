#include "data/MaskTable.h"

namespace velkaro {

void CMaskTable::Setup(bool preprocess) {
    masks_.assign(static_cast<std::size_t>(objects_.Count()) + 1, CImageMask());
    if (preprocess) {
        for (int i = 1; i <= objects_.Count(); ++i) {
            BuildMasks(i);
        }
    }
}

void CMaskTable::BuildMasks(int object) {
    if (!InRange(object) || !objects_.Valid(object) || Built(object)) {
        return;
    }
    const CImage& image = objects_.Get(object).image;
    if (image.Count() == 0) {
        return;
    }
    masks_[static_cast<std::size_t>(object)] = BuildImageMask(image);
}

void CMaskTable::FreeMasks(int object) {
    if (InRange(object)) {
        masks_[static_cast<std::size_t>(object)].clear();
    }
}

bool CMaskTable::Built(int object) const {
    return InRange(object) && !masks_[static_cast<std::size_t>(object)].empty();
}

const CImageMask* CMaskTable::Masks(int object) {
    BuildMasks(object);
    return Built(object) ? &masks_[static_cast<std::size_t>(object)] : nullptr;
}

} // namespace velkaro
