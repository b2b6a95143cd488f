#pragma once

#include <nlohmann/json.hpp>

#include <ostream>
#include <string_view>

namespace velkaro {

// The headless runner's record of everything a player would have seen or heard: one JSON
// object a line, each with the step it happened in and its kind.
class Transcript {
public:
    explicit Transcript(std::ostream& out) : out_(out) {}

    void SetStep(long step) { step_ = step; }
    long Step() const { return step_; }

    // Writes {"step": S, "kind": KIND, ...fields}. Game texts in `fields` must already be UTF-8.
    void Write(std::string_view kind, const nlohmann::ordered_json& fields);

private:
    std::ostream& out_;
    long step_ = 0;
};

} // namespace velkaro
