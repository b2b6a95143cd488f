#pragma once

#include <string>

namespace velkaro {

// Where errors in game code go: the report box that names the event and the object and lets
// the player abort the game.
class GameErrorSink {
public:
    virtual ~GameErrorSink() = default;

    // A fatal error offers only Abort.
    virtual void ReportGameError(const std::string& message, bool fatal) = 0;
};

} // namespace velkaro
