#pragma once

#include "data/LoadContext.h"
#include "data/CodeTree.h"

#include <array>
#include <cassert>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velkaro {

// Whom an action applies to, besides object numbers from 1 up.
constexpr std::int32_t kAppliesToSelf = -1;
constexpr std::int32_t kAppliesToOther = -2;

constexpr int kMaxActionArguments = 4;

// One stored step of an event.
class CAction {
public:
    std::int32_t id = 0;
    std::int32_t appliesTo = kAppliesToSelf;
    // Stored as written; each action decides what counts as set.
    std::int32_t relative = 0;
    std::array<std::string, kMaxActionArguments> arguments;
    // Each argument read into the form the action reads it in, when the game starts
    // (PrepareActions).
    std::array<CodeTree, kMaxActionArguments> code;
    std::int32_t actionObject = 1;

    void Load(LoadContext& context);
    void Clear() { *this = CAction(); }
};

// The actions of one event, in order.
class CActionList {
public:
    void Load(LoadContext& context);
    void Clear() { actions_.clear(); }

    int Count() const { return static_cast<int>(actions_.size()); }
    // Action i, 1 <= i <= Count().
    CAction& Get(int i) {
        assert(i >= 1 && i <= Count());
        return *actions_[static_cast<std::size_t>(i - 1)];
    }
    const CAction& Get(int i) const {
        assert(i >= 1 && i <= Count());
        return *actions_[static_cast<std::size_t>(i - 1)];
    }
    CAction& Add();

private:
    std::vector<std::unique_ptr<CAction>> actions_;
};

} // namespace velkaro
