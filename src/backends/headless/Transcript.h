#pragma once

#include <nlohmann/json.hpp>

#include <ostream>
#include <stdexcept>
#include <string_view>

namespace velkaro {

// The transcript's output refused a line (a full disk, a closed pipe). A run whose transcript
// is incomplete has failed: whoever reads it would miss what the player saw.
class TranscriptWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The headless runner's record of everything a player would have seen or heard: one JSON
// object a line, each with the step it happened in and its kind.
class Transcript {
public:
    explicit Transcript(std::ostream& out) : out_(out) {}

    void SetStep(long step) { step_ = step; }
    long Step() const { return step_; }

    // Writes {"step": S, "kind": KIND, ...fields} and hands the line on at once. Game texts in
    // `fields` should already be UTF-8; bytes that are not (a file name from a folder named in
    // another encoding, say) become U+FFFD, so that every line stays JSON. Throws
    // TranscriptWriteError when the line cannot be written.
    void Write(std::string_view kind, const nlohmann::ordered_json& fields);

private:
    std::ostream& out_;
    long step_ = 0;
};

} // namespace velkaro
