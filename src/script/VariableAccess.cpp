#include "script/VariableAccess.h"

#include "data/GameLoader.h"
#include "script/VariableNames.h"
#include "world/GameState.h"
#include "world/InstanceClass.h"
#include "world/RuntimeControl.h"

#include <array>
#include <cstddef>

namespace velkaro {
namespace {

constexpr std::int32_t kLastGameVariable = 999;

// How one built-in variable of an `Owner` (the game state or an instance) is read and written.
template <typename Owner> struct VariableRule {
    std::int32_t number;
    RValue (*read)(const Owner&);
    // Null for a read-only variable: writing it fails, unless it has a request.
    void (*write)(Owner&, const RValue&);
    // For the game variables whose change the runtime decides on: a write only asks.
    void (*request)(RuntimeControl&, const RValue&) = nullptr;
};

// The class a member pointer belongs to.
template <typename Member> struct MemberOf;
template <typename Class, typename Value> struct MemberOf<Value Class::*> { using Type = Class; };
template <auto Field> using OwnerOf = typename MemberOf<decltype(Field)>::Type;

// Reads: numbers and flags as reals (flags 1 or 0), texts as strings.
template <auto Field> RValue Number(const OwnerOf<Field>& owner) {
    return RValue::Real(owner.*Field);
}
template <auto Field> RValue Flag(const OwnerOf<Field>& owner) {
    return RValue::Real(TruthValue(owner.*Field));
}
template <auto Field> RValue Text(const OwnerOf<Field>& owner) {
    return RValue::String(owner.*Field);
}

// Writes take the part of the value their field needs; a flag is set when the value is true.
template <auto Field> void Store(OwnerOf<Field>& owner, const RValue& value) {
    owner.*Field = value.real;
}
template <auto Field> void StoreRounded(OwnerOf<Field>& owner, const RValue& value) {
    owner.*Field = RoundToInt32(value.real);
}
template <auto Field> void StoreTruth(OwnerOf<Field>& owner, const RValue& value) {
    owner.*Field = value.IsTrue();
}
template <auto Field> void StoreText(OwnerOf<Field>& owner, const RValue& value) {
    owner.*Field = value.string;
}

// Rules are kept in number order, so that a number finds its rule by position.
template <typename Owner, std::size_t N>
constexpr bool InNumberOrder(const std::array<VariableRule<Owner>, N>& rules) {
    for (std::size_t i = 0; i < N; ++i) {
        if (rules[i].number != rules[0].number + static_cast<std::int32_t>(i)) {
            return false;
        }
    }
    return true;
}

template <typename Owner, std::size_t N>
const VariableRule<Owner>* FindRule(const std::array<VariableRule<Owner>, N>& rules,
                                    std::int32_t number) {
    const std::int64_t i = static_cast<std::int64_t>(number) - rules[0].number;
    return i >= 0 && i < static_cast<std::int64_t>(N) ? &rules[static_cast<std::size_t>(i)]
                                                      : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Game variables

using G = GameState;

// Room sizes are products of 32-bit fields; taken in 64 bits so that no product overflows.
RValue RoomWidth(const GameState& game) {
    return RValue::Real(static_cast<double>(std::int64_t{game.cellsize} * game.room_columns));
}
RValue RoomHeight(const GameState& game) {
    return RValue::Real(static_cast<double>(std::int64_t{game.cellsize} * game.room_rows));
}
RValue LastRoom(const GameState& game) {
    return RValue::Real(game.data.rooms.Count());
}

// The room and the screen mode change through the runtime, which decides whether they can.
void GotoRoom(RuntimeControl& runtime, const RValue& value) {
    runtime.GotoRoom(RoundToInt32(value.real));
}
void SetScreenMode(RuntimeControl& runtime, const RValue& value) {
    runtime.SetScreenMode(value.IsTrue());
}

constexpr std::array<VariableRule<GameState>, 34> kGameVariables = {{
    {kVarRoom, Number<&G::room>, nullptr, GotoRoom},
    {kVarLastRoom, LastRoom, nullptr},
    {kVarRoomWidth, RoomWidth, nullptr},
    {kVarRoomHeight, RoomHeight, nullptr},
    {kVarCellSize, Number<&G::cellsize>, nullptr},
    {kVarMouseX, Number<&G::mousex>, Store<&G::mousex>},
    {kVarMouseY, Number<&G::mousey>, Store<&G::mousey>},
    {kVarMouseButton, Number<&G::mousebutton>, StoreRounded<&G::mousebutton>},
    {kVarLastKeyPressed, Number<&G::lastkeypressed>, StoreRounded<&G::lastkeypressed>},
    {kVarKeyPressed, Number<&G::keypressed>, StoreRounded<&G::keypressed>},
    {kVarGameSpeed, Number<&G::gamespeed>, Store<&G::gamespeed>},
    {kVarBackColor, Number<&G::back_color>, StoreRounded<&G::back_color>},
    {kVarBackX, Number<&G::back_x>, Store<&G::back_x>},
    {kVarBackY, Number<&G::back_y>, Store<&G::back_y>},
    {kVarBackHSpeed, Number<&G::back_hspeed>, Store<&G::back_hspeed>},
    {kVarBackVSpeed, Number<&G::back_vspeed>, Store<&G::back_vspeed>},
    {kVarViewRestrict, Flag<&G::view_restrict>, nullptr},
    {kVarViewX, Number<&G::view_x>, Store<&G::view_x>},
    {kVarViewY, Number<&G::view_y>, Store<&G::view_y>},
    {kVarViewW, Number<&G::view_w>, nullptr},
    {kVarViewH, Number<&G::view_h>, nullptr},
    {kVarViewBorder, Number<&G::view_border>, Store<&G::view_border>},
    {kVarViewObject, Number<&G::view_object>, StoreRounded<&G::view_object>},
    {kVarScore, Number<&G::score>, StoreRounded<&G::score>},
    {kVarShowScore, Flag<&G::showscore>, StoreTruth<&G::showscore>},
    {kVarHelpKey, Number<&G::helpkey>, StoreRounded<&G::helpkey>},
    {kVarQuitKey, Number<&G::quitkey>, StoreRounded<&G::quitkey>},
    {kVarScreenKey, Number<&G::screenkey>, StoreRounded<&G::screenkey>},
    {kVarGameName, Text<&G::gamename>, nullptr},
    {kVarRoomName, Text<&G::roomname>, StoreText<&G::roomname>},
    {kVarDirectDraw, Flag<&G::directdraw>, nullptr},
    {kVarDirectSound, Flag<&G::directsound>, nullptr},
    {kVarLastCharPressed, Text<&G::lastcharpressed>, StoreText<&G::lastcharpressed>},
    {kVarFullScreenMode, Flag<&G::fullscreenmode>, nullptr, SetScreenMode},
}};
static_assert(InNumberOrder(kGameVariables) && kGameVariables[0].number == kVarRoom);

// ---------------------------------------------------------------------------------------------
// Instance variables

using I = CInstance;

// Writes that go through a setter, so that the box and both motion representations follow.
template <void (CInstance::*Setter)(double)> void Set(CInstance& instance, const RValue& value) {
    (instance.*Setter)(value.real);
}

template <int Alarm> RValue ReadAlarm(const CInstance& instance) {
    return RValue::Real(instance.GetAlarm(Alarm));
}
template <int Alarm> void WriteAlarm(CInstance& instance, const RValue& value) {
    instance.SetAlarm(Alarm, RoundToInt32(value.real));
}

// The sprite's measures; an instance that was never set up has no object and measures 0.
RValue ImageWidth(const CInstance& instance) {
    const CObject* object = instance.object_def;
    return RValue::Real(object == nullptr ? 0.0 : object->image.width * instance.image_scale);
}
RValue ImageHeight(const CInstance& instance) {
    const CObject* object = instance.object_def;
    return RValue::Real(object == nullptr ? 0.0 : instance.image_scale * object->image.height);
}
RValue ImageNumber(const CInstance& instance) {
    const CObject* object = instance.object_def;
    return RValue::Real(object == nullptr ? 0 : object->image.Count());
}

constexpr std::array<VariableRule<CInstance>, 33> kInstanceVariables = {{
    {kVarX, Number<&I::x>, Set<&I::SetX>},
    {kVarY, Number<&I::y>, Set<&I::SetY>},
    {kVarHDir, Number<&I::hdir>, Set<&I::SetHdir>},
    {kVarVDir, Number<&I::vdir>, Set<&I::SetVdir>},
    {kVarHSpeed, Number<&I::hspeed>, Set<&I::SetHspeed>},
    {kVarVSpeed, Number<&I::vspeed>, Set<&I::SetVspeed>},
    {kVarAlarm, ReadAlarm<0>, WriteAlarm<0>},
    {kVarActive, Flag<&I::active>, StoreTruth<&I::active>},
    {kVarSolid, Flag<&I::solid>, StoreTruth<&I::solid>},
    {kVarVisible, Flag<&I::visible>, StoreTruth<&I::visible>},
    {kVarBbL, Number<&I::bb_l>, Set<&I::SetBbL>},
    {kVarBbR, Number<&I::bb_r>, Set<&I::SetBbR>},
    {kVarBbB, Number<&I::bb_b>, Set<&I::SetBbB>},
    {kVarBbT, Number<&I::bb_t>, Set<&I::SetBbT>},
    {kVarImageIndex, Number<&I::image_index>, StoreRounded<&I::image_index>},
    {kVarImageSpeed, Number<&I::image_speed>, Store<&I::image_speed>},
    {kVarImageDepth, Number<&I::image_depth>, Store<&I::image_depth>},
    {kVarImageScale, Number<&I::image_scale>, Set<&I::SetImageScale>},
    {kVarImageWidth, ImageWidth, nullptr},
    {kVarImageHeight, ImageHeight, nullptr},
    {kVarObject, Number<&I::object>, nullptr},
    {kVarImageNumber, ImageNumber, nullptr},
    {kVarXPrevious, Number<&I::xprevious>, Store<&I::xprevious>},
    {kVarYPrevious, Number<&I::yprevious>, Store<&I::yprevious>},
    {kVarAlarm0, ReadAlarm<0>, WriteAlarm<0>},
    {kVarAlarm1, ReadAlarm<1>, WriteAlarm<1>},
    {kVarAlarm2, ReadAlarm<2>, WriteAlarm<2>},
    {kVarAlarm3, ReadAlarm<3>, WriteAlarm<3>},
    {kVarDirection, Number<&I::direction>, Set<&I::SetDirection>},
    {kVarSpeed, Number<&I::speed>, Set<&I::SetSpeed>},
    {kVarFriction, Number<&I::friction>, Store<&I::friction>},
    {kVarGravity, Number<&I::gravity>, Store<&I::gravity>},
    {kVarGravityDir, Number<&I::gravitydir>, Store<&I::gravitydir>},
}};
static_assert(InNumberOrder(kInstanceVariables) && kInstanceVariables[0].number == kVarX);

// ---------------------------------------------------------------------------------------------

template <typename Owner, std::size_t N>
bool ReadBuiltIn(const std::array<VariableRule<Owner>, N>& rules, const Owner& owner,
                 std::int32_t number, RValue& value) {
    const VariableRule<Owner>* rule = FindRule(rules, number);
    if (rule == nullptr) {
        return false;
    }
    value = rule->read(owner);
    return true;
}

template <typename Owner, std::size_t N>
bool WriteBuiltIn(const std::array<VariableRule<Owner>, N>& rules, Owner& owner,
                  std::int32_t number, const RValue& value) {
    const VariableRule<Owner>* rule = FindRule(rules, number);
    if (rule == nullptr || rule->write == nullptr) {
        return false;
    }
    rule->write(owner, value);
    return true;
}

bool IsGameVariable(std::int32_t number) {
    return number >= 1 && number <= kLastGameVariable;
}

// On an instance, numbers above the game variables are built-ins; anything else is a user
// variable found by name, whatever number the name also has as a game variable.
bool ReadFromInstance(const CInstance& instance, std::int32_t number, std::string_view name,
                      std::int64_t index, RValue& value) {
    if (number > kLastGameVariable) {
        return ReadBuiltIn(kInstanceVariables, instance, number, value);
    }
    return instance.locals.GetValue(name, index, value);
}

bool WriteToInstance(CInstance& instance, std::int32_t number, std::string_view name,
                     std::int64_t index, const RValue& value) {
    if (number > kLastGameVariable) {
        return WriteBuiltIn(kInstanceVariables, instance, number, value);
    }
    instance.locals.SetValue(name, value, index);
    return true;
}

// The first instance of object `object` that is not marked for removal; null when none.
const CInstance* FirstLiveInstance(const CInstanceList& instances, std::int32_t object) {
    const CInstance* found = nullptr;
    instances.ForEachLive([&](const CInstance& instance) {
        if (instance.object == object) {
            found = &instance;
        }
        return found == nullptr;
    });
    return found;
}

} // namespace

bool GetVariable(const GameState& game, const CInstance& self, const CInstance& other,
                 std::int32_t owner, std::int32_t number, std::string_view name, std::int64_t index,
                 RValue& value) {
    value = RValue();
    switch (owner) {
    case kOwnerNone:
        if (IsGameVariable(number)) {
            return ReadBuiltIn(kGameVariables, game, number, value);
        }
        return ReadFromInstance(self, number, name, index, value);
    case kOwnerSelf:
        return ReadFromInstance(self, number, name, index, value);
    case kOwnerOther:
        return ReadFromInstance(other, number, name, index, value);
    case kOwnerGlobal:
        return game.globals.GetValue(name, index, value);
    case kOwnerSound:
        if (number == kUserVariable) {
            return false;
        }
        value = RValue::Real(number);
        return true;
    case kOwnerName:
        value = RValue::Real(number);
        return true;
    default:
        break;
    }
    if (owner < 1) {
        return false;
    }
    const CInstance* instance = FirstLiveInstance(game.instances, owner);
    return instance != nullptr && ReadFromInstance(*instance, number, name, index, value);
}

bool SetVariable(GameState& game, RuntimeControl& runtime, CInstance& self, CInstance& other,
                 std::int32_t owner, std::int32_t number, std::string_view name, std::int64_t index,
                 const RValue& value) {
    switch (owner) {
    case kOwnerNone:
        if (IsGameVariable(number)) {
            return WriteGameVariable(game, runtime, number, value);
        }
        return WriteToInstance(self, number, name, index, value);
    case kOwnerSelf:
        return WriteToInstance(self, number, name, index, value);
    case kOwnerOther:
        return WriteToInstance(other, number, name, index, value);
    case kOwnerGlobal:
        game.globals.SetValue(name, value, index);
        return true;
    case kOwnerSound:
    case kOwnerName:
        return false;
    default:
        break;
    }
    if (owner < 1) {
        return false;
    }
    // Writing cannot add instances, but the count is still taken once, before the first write,
    // as every walk over the room's instances does. No live instance: nothing to refuse.
    bool ok = true;
    game.instances.ForEachLive([&](CInstance& instance) {
        if (instance.object == owner) {
            ok = WriteToInstance(instance, number, name, index, value);
        }
    });
    return ok;
}

bool ReadInstanceVariable(const CInstance& instance, std::int32_t number, RValue& value) {
    return ReadBuiltIn(kInstanceVariables, instance, number, value);
}

bool WriteInstanceVariable(CInstance& instance, std::int32_t number, const RValue& value) {
    return WriteBuiltIn(kInstanceVariables, instance, number, value);
}

bool ReadGameVariable(const GameState& game, std::int32_t number, RValue& value) {
    return ReadBuiltIn(kGameVariables, game, number, value);
}

// A game variable with a request only asks the runtime; the others are stored in the state.
bool WriteGameVariable(GameState& game, RuntimeControl& runtime, std::int32_t number,
                       const RValue& value) {
    const VariableRule<GameState>* rule = FindRule(kGameVariables, number);
    if (rule != nullptr && rule->request != nullptr) {
        rule->request(runtime, value);
        return true;
    }
    return WriteBuiltIn(kGameVariables, game, number, value);
}

bool IsWritableBuiltIn(std::int32_t number) {
    if (IsGameVariable(number)) {
        const VariableRule<GameState>* rule = FindRule(kGameVariables, number);
        return rule != nullptr && (rule->write != nullptr || rule->request != nullptr);
    }
    const VariableRule<CInstance>* rule = FindRule(kInstanceVariables, number);
    return rule != nullptr && rule->write != nullptr;
}

} // namespace velkaro
