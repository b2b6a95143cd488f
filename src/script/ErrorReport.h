#pragma once

#include <deque>
#include <string>

namespace velkaro {

class Dialogs;
struct GameState;

// The report of a game that ran out of memory.
inline const char* const kOutOfMemory =
    "The game ran out of memory and ends. Its saved values are written.";

// Where errors in game code go: the report box that names the event and the object and lets
// the player abort the game.
class GameErrorSink {
public:
    virtual ~GameErrorSink() = default;

    // A fatal error offers only Abort.
    virtual void ReportGameError(const std::string& message, bool fatal) = 0;
};

// What an error report needs of the game that runs: whether it runs at all, and a way to end
// it when the player chooses Abort.
class GameRunControl {
public:
    virtual ~GameRunControl() = default;

    virtual bool IsGameRunning() const = 0;
    // Ends the game without waiting for it: the code that reported the error still runs to
    // its end, and the game stops after the current step.
    virtual void StopGameThread() = 0;
};

// "FATAL ERROR:" or "ERROR:", then "in EVENT of object OBJECT", then the message, each on a
// line of its own (lines separated by "\r").
std::string ErrorReportText(const std::string& message, bool fatal, const std::string& eventName,
                            const std::string& objectName);

// The report box of a running game. It names the event in `event_name` and the object in
// `report_object` of the game state (no name while that is not an object of the game).
class CErrorReport : public GameErrorSink {
public:
    CErrorReport(const GameState& game, Dialogs& dialogs, GameRunControl& control)
        : game_(game), dialogs_(dialogs), control_(control) {}

    // Shows nothing while no game runs: after an Abort, the rest of the step may still report
    // errors, and the player has already said what should happen. Such reports are counted.
    void ReportGameError(const std::string& message, bool fatal) override;

    // The reports shown nothing because no game ran, and the text of the first of them: what a
    // test or benchmark that drives a game without starting it checks, so none is lost unseen.
    int UnshownCount() const { return unshown_; }
    const std::string& FirstUnshown() const { return firstUnshown_; }
    // The texts of the last few reports shown, the newest last: what a game author looks back
    // at in the debug view after the boxes have closed.
    const std::deque<std::string>& Recent() const { return recent_; }

private:
    std::string ReportObjectName() const;

    const GameState& game_;
    Dialogs& dialogs_;
    GameRunControl& control_;
    int unshown_ = 0;
    std::string firstUnshown_;
    std::deque<std::string> recent_;
};

} // namespace velkaro
