#include "engine/GameInspection.h"

#include "base/NumberText.h"
#include "data/ObjectClass.h"
#include "script/VariableAccess.h"
#include "script/VariableNames.h"
#include "world/GameState.h"

#include <algorithm>

namespace velkaro {
namespace {

std::string ValueText(const RValue& value) {
    if (value.kind == kStringValue) {
        return "\"" + value.string + "\"";
    }
    return NumberForMessage(value.real);
}

// A line of an array: its length and its first elements, enough to recognise it.
std::string ArrayText(const CVariable& variable) {
    constexpr std::int64_t kShownElements = 6;
    std::string text = "[" + std::to_string(variable.Length()) + "] = ";
    const std::int64_t shown = std::min(variable.Length(), kShownElements);
    for (std::int64_t i = 0; i < shown; ++i) {
        text += (i > 0 ? ", " : "") + ValueText(variable.Get(i));
    }
    if (variable.Length() > shown) {
        text += ", ...";
    }
    return text;
}

} // namespace

const CInstance* InstanceAt(const GameState& game, double x, double y) {
    const CInstance* found = nullptr;
    game.instances.ForEachLive([&](const CInstance& instance) {
        const bool inBox = x >= instance.box_left && x <= instance.box_right &&
                           y >= instance.box_top && y <= instance.box_bottom;
        const double width = instance.object_def == nullptr
                                 ? 0
                                 : instance.object_def->image.width * instance.image_scale;
        const double height = instance.object_def == nullptr
                                  ? 0
                                  : instance.object_def->image.height * instance.image_scale;
        const bool inImage =
            x >= instance.x && x < instance.x + width && y >= instance.y && y < instance.y + height;
        const bool inside = inBox || inImage;
        // Lower depths are drawn later, on top; of equal depths the later made.
        if (inside && (found == nullptr || instance.image_depth <= found->image_depth)) {
            found = &instance;
        }
    });
    return found;
}

std::vector<std::string> InstanceVariables(const GameState& game, const CInstance& instance) {
    std::vector<std::string> lines;
    ForEachInstanceVariable([&](std::string_view name, std::int32_t number) {
        RValue value;
        if (GetVariable(game, instance, instance, kOwnerSelf, number, name, 0, value)) {
            lines.push_back(std::string(name) + " = " + ValueText(value));
        }
    });
    for (int i = 1; i <= instance.locals.Count(); ++i) {
        const CVariable& variable = instance.locals.Get(i);
        lines.push_back(variable.Name() + (variable.Length() > 1
                                               ? ArrayText(variable)
                                               : " = " + ValueText(variable.Get(0))));
    }
    return lines;
}

} // namespace velkaro
