#pragma once

#include "data/CodeTree.h"
#include "data/ObjectClass.h"
#include "data/SoundClass.h"

#include <cstdint>
#include <functional>
#include <string_view>

namespace velkaro {

// Whose variable a name means: the owner codes that variable tokens carry.
enum VariableOwner : std::int32_t {
    kOwnerNone = 0, // no prefix: a game variable, or else a variable of self
    kOwnerSelf = -1,
    kOwnerOther = -2,
    kOwnerGlobal = -3,
    kOwnerSound = -4,     // "sound.name": the number of a sound
    kOwnerName = -5,      // the bare words self and other, or an object's name, read as numbers
    kOwnerUnknown = -100, // a prefix that names no object
    // n >= 1: the prefix names object n
};

// Variable numbers: 1..34 game variables, 1001..1033 instance variables, -1 a user variable
// (found by name), and under kOwnerSound the sound's number.
constexpr std::int32_t kUserVariable = -1;
constexpr std::int32_t kFirstInstanceVariable = 1001;

// The user variables a name with this owner and number reads and writes by its name: those of
// self or other, or the global ones; UserList::None for anything else.
inline UserList UserListOf(std::int32_t owner, std::int32_t number) {
    if (owner == kOwnerGlobal) {
        return UserList::Global;
    }
    if (number != kUserVariable) {
        return UserList::None;
    }
    switch (owner) {
    case kOwnerNone:
    case kOwnerSelf:
        return UserList::Self;
    case kOwnerOther:
        return UserList::Other;
    default:
        return UserList::None;
    }
}

enum GameVariable : std::int32_t {
    kVarRoom = 1,
    kVarLastRoom,
    kVarRoomWidth,
    kVarRoomHeight,
    kVarCellSize,
    kVarMouseX,
    kVarMouseY,
    kVarMouseButton,
    kVarLastKeyPressed,
    kVarKeyPressed,
    kVarGameSpeed,
    kVarBackColor,
    kVarBackX,
    kVarBackY,
    kVarBackHSpeed,
    kVarBackVSpeed,
    kVarViewRestrict,
    kVarViewX,
    kVarViewY,
    kVarViewW,
    kVarViewH,
    kVarViewBorder,
    kVarViewObject,
    kVarScore,
    kVarShowScore,
    kVarHelpKey,
    kVarQuitKey,
    kVarScreenKey,
    kVarGameName,
    kVarRoomName,
    kVarDirectDraw,
    kVarDirectSound,
    kVarLastCharPressed,
    kVarFullScreenMode, // 34
};

enum InstanceVariable : std::int32_t {
    kVarX = 1001,
    kVarY,
    kVarHDir,
    kVarVDir,
    kVarHSpeed,
    kVarVSpeed,
    kVarAlarm,
    kVarActive,
    kVarSolid,
    kVarVisible,
    kVarBbL,
    kVarBbR,
    kVarBbB,
    kVarBbT,
    kVarImageIndex,
    kVarImageSpeed,
    kVarImageDepth,
    kVarImageScale,
    kVarImageWidth,  // also "w"
    kVarImageHeight, // also "h"
    kVarObject,
    kVarImageNumber,
    kVarXPrevious,
    kVarYPrevious,
    kVarAlarm0,
    kVarAlarm1,
    kVarAlarm2,
    kVarAlarm3,
    kVarDirection,
    kVarSpeed,
    kVarFriction,
    kVarGravity,
    kVarGravityDir, // 1033
};

// The number of the built-in game or instance variable with exactly that name; -1 when none.
std::int32_t BuiltInVariableNumber(std::string_view name);

// Calls `visit(name, number)` for each built-in instance variable once, in the reference's
// order: aliases ("w", "h") and the alarm array, which alarm0..alarm3 show, left out.
void ForEachInstanceVariable(const std::function<void(std::string_view, std::int32_t)>& visit);

// "self" -1, "other" -2, "global" -3, "sound" -4; else the first object with that name; else -100.
std::int32_t ResolveOwner(const CObjectList& objects, std::string_view name);

// Under kOwnerSound the number of the first sound with that name; otherwise the built-in
// variable of that name; otherwise -1 (a user variable).
std::int32_t ResolveVariable(const CSoundList& sounds, std::int32_t owner, std::string_view name);

} // namespace velkaro
