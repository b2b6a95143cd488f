#pragma once

#include "base/RandomGenerator.h"
#include "script/ErrorReport.h"
#include "script/EventRunner.h"
#include "world/GameState.h"

#include <cstdint>
#include <string>

namespace velkaro {

// Object designators: self's object, other's object, or an object number.
constexpr std::int32_t kSelfObject = -1;
constexpr std::int32_t kOtherObject = -2;

// The object number a designator stands for (not checked against the object list).
std::int32_t ResolveObject(const CInstance& self, const CInstance& other, std::int32_t designator);

// A uniform whole number in 0..n-1 from the game's generator: one real draw in [0, 1) times n,
// rounded down, as the script's random(n) would give before rounding. Always takes one draw,
// so the generator's sequence does not depend on n; gives 0 when n <= 0.
int RandomBelow(CRandomGenerator& random, int n);

// A game text with each "#" turned into the line break the boxes show (a carriage return).
std::string WithLineBreaks(std::string text);

// The operations through which a running game changes itself: rooms, the end of the game,
// creating, destroying and changing instances, placing and bouncing them, questions about
// places. Actions and script functions call them, always inside a step, for a self instance and
// an other instance. What they ask of the shell around the game is ShellOperations'.
//
// "Who" arguments: kSelfObject the self instance, kOtherObject the other instance, any other
// value every instance of that object not marked deleted. Loops over the room's instances
// visit the instances there were when the loop began, so instances created by the events it
// runs are not visited.
class RoomOperations {
public:
    RoomOperations(GameState& game, EventRunner& events, GameErrorSink& errors);

    // Rooms and game.

    // Ends the room after this step and goes to room `room`; -1 ends the game. Any number that
    // is not a room ends the game with a fatal error. Room 0 counts as such a number: to the
    // game loop 0 means "no change", so it would leave the room standing with every instance
    // removed.
    void GotoRoom(std::int32_t room);
    // Ends the game after this step.
    void FinishGame();
    void SetScore(std::int32_t value);

    // Instances.

    // Creates an instance of `object` (a designator) at (x, y) and runs its Creation event.
    // Null when the object does not exist (a non-fatal error report) or events ran too deep
    // (the event runner gives up). Destroying and changing also do nothing while it gives up.
    CInstance* CreateInstance(CInstance& self, CInstance& other, std::int32_t object, double x,
                              double y);
    // Runs the instance's Destroy event, then marks it deleted. An instance already marked is
    // destroyed again.
    void DestroyInstance(CInstance& instance);
    void Destroy(CInstance& self, CInstance& other, std::int32_t who);
    // Turns the instance into `object` (an object number): the Destroy event of its old
    // object, then the new object's flags and box, then the new object's Creation event.
    // Position, motion, alarms, appearance and variables stay. An object that does not exist
    // is a non-fatal error report and changes nothing.
    void ChangeInstance(CInstance& instance, std::int32_t object);
    void Change(CInstance& self, CInstance& other, std::int32_t who, std::int32_t object);
    // Destroys every instance that contains the point.
    void DestroyAt(double x, double y);
    // Changes every instance that contains the point.
    void ChangeAt(CInstance& self, CInstance& other, std::int32_t object, double x, double y);
    void MoveRandom(CInstance& self, CInstance& other, std::int32_t who);
    // Moves the instance to a random grid cell where it touches no instance; failing that, to
    // the first such cell column by column; failing that, it stays in the bottom-right cell.
    void PlaceRandom(CInstance& instance);
    // Reverses the components of self's motion that lead into a solid other.
    void Bounce(CInstance& self, CInstance& other);

    // Questions. Where self is placed at (x, y) to be tested, its position and box are
    // restored afterwards.

    // With self at (x, y): no solid instance collides with it.
    bool IsFree(CInstance& self, double x, double y);
    // With self at (x, y): no instance collides with it.
    bool IsEmpty(CInstance& self, double x, double y);
    // With self at (x, y): some instance of `object` collides with it.
    bool IsMeeting(CInstance& self, CInstance& other, std::int32_t object, double x, double y);
    // Some instance of `object`, self included, contains the point.
    bool ObjectAt(const CInstance& self, const CInstance& other, std::int32_t object, double x,
                  double y);
    // No instance but self contains the point.
    bool NothingAt(const CInstance& self, double x, double y);
    int CountInstances(const CInstance& self, const CInstance& other, std::int32_t object);

private:
    bool ObjectExists(std::int32_t object) const;
    // Reports `message` + the number when the object does not exist.
    bool CheckObject(std::int32_t object, const char* message);
    void MarkAllDeleted();
    void RunEvent(CInstance& instance, int row, const char* eventName);
    void ChangeExisting(CInstance& instance, std::int32_t object);
    // Calls `act` on the instance(s) `who` stands for.
    template <typename Act>
    void ForEachSelected(CInstance& self, CInstance& other, std::int32_t who, Act act);
    // Whether the instance collides with any instance the filter accepts.
    template <typename Accept> bool CollidesWithAny(const CInstance& instance, Accept accept);
    // Whether any live instance the filter accepts contains the point.
    template <typename Accept> bool AnyAt(double x, double y, Accept accept);
    // Calls `act` on each live instance that contains the point when its turn comes.
    template <typename Act> void ForEachAt(double x, double y, Act act);

    GameState& game_;
    EventRunner& events_;
    GameErrorSink& errors_;
};

} // namespace velkaro
