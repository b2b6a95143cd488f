#pragma once

namespace velkaro {

class GameErrorSink;
struct GameState;

inline const char* const kEventsNestedTooDeeply =
    "Events nested too deeply: events run within events, or blocks and questions within one "
    "another, without end.";

// The one guard against running too deep: a game whose events keep raising one another (a
// Creation event that creates an instance of its own object, an event that performs itself)
// or a damaged game file with blocks nested thousands deep would otherwise exhaust the stack.
// Every event list that runs takes an event level, every action inside a block or behind a
// question an action level. Past either limit the guard refuses the level, shows one fatal
// report and ends the game after the step; until the outermost level has been left it refuses
// every further level too, so that every list still running is abandoned and the stack
// unwinds. Then levels are taken again as usual.
class CNestingGuard {
public:
    enum class Level { Event, Action };

    // Far deeper than any game nests its events or its blocks.
    static constexpr int kMaxEventDepth = 200;
    static constexpr int kMaxActionDepth = 4000;

    CNestingGuard(GameState& game, GameErrorSink& errors) : game_(game), errors_(errors) {}
    CNestingGuard(const CNestingGuard&) = delete;
    CNestingGuard& operator=(const CNestingGuard&) = delete;

    // A limit was reached and not every level has been left since.
    bool GivingUp() const { return givingUp_; }

    // Holds one level while it lives, when the guard grants it.
    class Scope {
    public:
        Scope(CNestingGuard& guard, Level level);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

        // False when the level was refused: the caller runs nothing.
        bool Entered() const { return entered_; }

    private:
        int& Depth() const;

        CNestingGuard& guard_;
        Level level_;
        bool entered_ = false;
    };

private:
    void GiveUp();

    GameState& game_;
    GameErrorSink& errors_;
    int eventDepth_ = 0;
    int actionDepth_ = 0;
    bool givingUp_ = false;
};

} // namespace velkaro
