#include "functions/InstanceFunctions.h"

#include "data/GameLoader.h"
#include "engine/GameParts.h"
#include "script/FunctionCall.h"

#include <cstdint>
#include <iterator>
#include <utility>

namespace velkaro {
namespace {

// How the sound player plays a sound: once, in a loop, or music in a loop and effects once.
constexpr std::int32_t kPlayOnce = 0;
constexpr std::int32_t kPlayLooping = 1;
constexpr std::int32_t kPlayMusicLooping = 2;

// One call of a function of this table. Integers are rounded (halves to even) and, where the
// operation takes 32 bits, cut to their low 32 bits; nothing else is checked here.
class InstanceCall : public FunctionCall {
public:
    using FunctionCall::FunctionCall;

    // An object argument, with self's and other's object already put in for -1 and -2, so
    // that what the operation's events do to self and other cannot change what it applies to.
    std::int32_t Object(int i) { return ResolveObject(Self(), Other(), Integer32(i)); }
    RoomOperations& Rooms() { return Parts().rooms; }
};

// The nearest multiple of `cell`, halves to even. A cell size of 0 means the room has no grid
// at all, so no position is off it: the coordinate stays where it is (and so counts as
// aligned). A quotient too large to round is a whole number already.
double GridPoint(double value, std::int32_t cell) {
    if (cell == 0) {
        return value;
    }
    const double cells = value / cell;
    if (!FitsRoundedInteger(cells)) {
        return value;
    }
    return static_cast<double>(RoundToInteger(cells)) * cell;
}

void Align(InstanceCall& call) {
    CInstance& self = call.Self();
    const std::int32_t cell = call.Game().cellsize;
    self.SetX(GridPoint(self.x, cell));
    self.SetY(GridPoint(self.y, cell));
}

void IsAligned(InstanceCall& call) {
    const CInstance& self = call.Self();
    const std::int32_t cell = call.Game().cellsize;
    call.ReturnTruth(self.x == GridPoint(self.x, cell) && self.y == GridPoint(self.y, cell));
}

void Sleep(InstanceCall& call) {
    // The platform's wait takes an unsigned count, in which a negative number would mean
    // waiting for ever.
    const std::int64_t ms = call.Integer(0);
    call.Parts().shell.SleepFor(ms < 0 ? 0 : Low32(ms));
}

template <std::int32_t Mode> void PlaySound(InstanceCall& call) {
    call.Parts().shell.PlaySound(call.Integer32(0), Mode);
}

// Runs `act` on the sound player for argument 0 when it names a sound of the table (or 0 for
// every sound, when `allSounds`). Other numbers are passed over without a word: only playing
// a sound that does not exist is an error.
template <typename Act> void WithSound(InstanceCall& call, bool allSounds, Act act) {
    const std::int32_t number = call.Integer32(0);
    if (call.Game().data.sounds.Valid(number) || (allSounds && number == 0)) {
        act(call.Parts().services.sound, number);
    }
}

void StopSound(InstanceCall& call) {
    WithSound(call, true, [](SoundService& sound, std::int32_t n) { sound.StopGameSound(n); });
}

// The sound player maps the 0..1 value to its own units and keeps it in range.
void SoundPan(InstanceCall& call) {
    WithSound(call, false,
              [&](SoundService& sound, std::int32_t n) { sound.SetSoundPan(n, call.Number(1)); });
}

void SoundVolume(InstanceCall& call) {
    WithSound(call, false, [&](SoundService& sound, std::int32_t n) {
        sound.SetSoundVolume(n, call.Number(1));
    });
}

void SoundFrequency(InstanceCall& call) {
    WithSound(call, false, [&](SoundService& sound, std::int32_t n) {
        sound.SetSoundFrequency(n, call.Number(1));
    });
}

// In registration order: the order fixes the function numbers.
constexpr FunctionEntry<InstanceCall> kInstanceFunctions[] = {
    {"set_collision_mode", 1, [](InstanceCall& c) { c.Self().collision_mode = c.Integer32(0); }},
    {"align", 0, Align},
    {"is_aligned", 0, IsAligned},
    {"create", 3,
     [](InstanceCall& c) {
         c.Rooms().CreateInstance(c.Self(), c.Other(), c.Object(2), c.Number(0), c.Number(1));
     }},
    {"change", 2,
     [](InstanceCall& c) { c.Rooms().Change(c.Self(), c.Other(), c.Integer32(0), c.Object(1)); }},
    {"destroy", 1, [](InstanceCall& c) { c.Rooms().Destroy(c.Self(), c.Other(), c.Integer32(0)); }},
    {"change_at", 3,
     [](InstanceCall& c) {
         c.Rooms().ChangeAt(c.Self(), c.Other(), c.Object(2), c.Number(0), c.Number(1));
     }},
    {"destroy_at", 2, [](InstanceCall& c) { c.Rooms().DestroyAt(c.Number(0), c.Number(1)); }},
    {"move_random", 1,
     [](InstanceCall& c) { c.Rooms().MoveRandom(c.Self(), c.Other(), c.Integer32(0)); }},
    {"set_motion", 2,
     [](InstanceCall& c) {
         c.Self().SetDirection(c.Number(0));
         c.Self().SetSpeed(c.Number(1));
     }},
    {"add_motion", 2, [](InstanceCall& c) { c.Self().AddMotion(c.Number(1), c.Number(0)); }},
    {"bounce", 0, [](InstanceCall& c) { c.Rooms().Bounce(c.Self(), c.Other()); }},
    {"object_at", 3,
     [](InstanceCall& c) {
         c.ReturnTruth(
             c.Rooms().ObjectAt(c.Self(), c.Other(), c.Object(2), c.Number(0), c.Number(1)));
     }},
    {"nothing_at", 2,
     [](InstanceCall& c) {
         c.ReturnTruth(c.Rooms().NothingAt(c.Self(), c.Number(0), c.Number(1)));
     }},
    {"is_free", 2,
     [](InstanceCall& c) { c.ReturnTruth(c.Rooms().IsFree(c.Self(), c.Number(0), c.Number(1))); }},
    {"is_empty", 2,
     [](InstanceCall& c) { c.ReturnTruth(c.Rooms().IsEmpty(c.Self(), c.Number(0), c.Number(1))); }},
    {"is_meeting", 3,
     [](InstanceCall& c) {
         c.ReturnTruth(
             c.Rooms().IsMeeting(c.Self(), c.Other(), c.Object(2), c.Number(0), c.Number(1)));
     }},
    {"number", 1,
     [](InstanceCall& c) { c.Return(c.Rooms().CountInstances(c.Self(), c.Other(), c.Object(0))); }},
    {"end_game", 0, [](InstanceCall& c) { c.Rooms().FinishGame(); }},
    {"goto_room", 1, [](InstanceCall& c) { c.Rooms().GotoRoom(c.Integer32(0)); }},
    {"set_score", 1, [](InstanceCall& c) { c.Game().score = c.Integer32(0); }},
    {"sleep", 1, Sleep},
    // The game loop copes with speeds of 0 and below itself.
    {"set_gamespeed", 1, [](InstanceCall& c) { c.Game().gamespeed = c.Number(0); }},
    {"sound", 1, PlaySound<kPlayMusicLooping>},
    {"sound_play", 1, PlaySound<kPlayOnce>},
    {"sound_loop", 1, PlaySound<kPlayLooping>},
    {"sound_stop", 1, StopSound},
    {"sound_pan", 2, SoundPan},
    {"sound_volume", 2, SoundVolume},
    {"sound_frequency", 2, SoundFrequency},
};

} // namespace

void RegisterInstanceFunctions(CFunctionRegistry& registry) {
    static_assert(std::size(kInstanceFunctions) == 30);
    RegisterTable<InstanceCall, kInstanceFunctions>(registry);
}

} // namespace velkaro
