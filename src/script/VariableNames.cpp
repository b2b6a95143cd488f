#include "script/VariableNames.h"

#include <array>
#include <utility>

namespace velkaro {
namespace {

using NamedNumber = std::pair<std::string_view, std::int32_t>;

constexpr std::array<NamedNumber, 69> kBuiltInVariables = {{
    {"room", kVarRoom},
    {"lastroom", kVarLastRoom},
    {"roomwidth", kVarRoomWidth},
    {"roomheight", kVarRoomHeight},
    {"cellsize", kVarCellSize},
    {"mousex", kVarMouseX},
    {"mousey", kVarMouseY},
    {"mousebutton", kVarMouseButton},
    {"lastkeypressed", kVarLastKeyPressed},
    {"keypressed", kVarKeyPressed},
    {"gamespeed", kVarGameSpeed},
    {"back_color", kVarBackColor},
    {"back_x", kVarBackX},
    {"back_y", kVarBackY},
    {"back_hspeed", kVarBackHSpeed},
    {"back_vspeed", kVarBackVSpeed},
    {"view_restrict", kVarViewRestrict},
    {"view_x", kVarViewX},
    {"view_y", kVarViewY},
    {"view_w", kVarViewW},
    {"view_h", kVarViewH},
    {"view_border", kVarViewBorder},
    {"view_object", kVarViewObject},
    {"score", kVarScore},
    {"showscore", kVarShowScore},
    {"helpkey", kVarHelpKey},
    {"quitkey", kVarQuitKey},
    {"screenkey", kVarScreenKey},
    {"gamename", kVarGameName},
    {"roomname", kVarRoomName},
    {"directdraw", kVarDirectDraw},
    {"directsound", kVarDirectSound},
    {"lastcharpressed", kVarLastCharPressed},
    {"fullscreenmode", kVarFullScreenMode},
    {"x", kVarX},
    {"y", kVarY},
    {"hdir", kVarHDir},
    {"vdir", kVarVDir},
    {"hspeed", kVarHSpeed},
    {"vspeed", kVarVSpeed},
    {"alarm", kVarAlarm},
    {"active", kVarActive},
    {"solid", kVarSolid},
    {"visible", kVarVisible},
    {"bb_l", kVarBbL},
    {"bb_r", kVarBbR},
    {"bb_b", kVarBbB},
    {"bb_t", kVarBbT},
    {"image_index", kVarImageIndex},
    {"image_speed", kVarImageSpeed},
    {"image_depth", kVarImageDepth},
    {"image_scale", kVarImageScale},
    {"image_width", kVarImageWidth},
    {"image_height", kVarImageHeight},
    {"w", kVarImageWidth},
    {"h", kVarImageHeight},
    {"object", kVarObject},
    {"image_number", kVarImageNumber},
    {"xprevious", kVarXPrevious},
    {"yprevious", kVarYPrevious},
    {"alarm0", kVarAlarm0},
    {"alarm1", kVarAlarm1},
    {"alarm2", kVarAlarm2},
    {"alarm3", kVarAlarm3},
    {"direction", kVarDirection},
    {"speed", kVarSpeed},
    {"friction", kVarFriction},
    {"gravity", kVarGravity},
    {"gravitydir", kVarGravityDir},
}};

} // namespace

std::int32_t BuiltInVariableNumber(std::string_view name) {
    for (const auto& [variable, number] : kBuiltInVariables) {
        if (variable == name) {
            return number;
        }
    }
    return kUserVariable;
}

void ForEachInstanceVariable(const std::function<void(std::string_view, std::int32_t)>& visit) {
    for (const auto& [variable, number] : kBuiltInVariables) {
        if (number >= kFirstInstanceVariable && number != kVarAlarm && variable != "w" &&
            variable != "h") {
            visit(variable, number);
        }
    }
}

std::int32_t ResolveOwner(const CObjectList& objects, std::string_view name) {
    if (name == "self") {
        return kOwnerSelf;
    }
    if (name == "other") {
        return kOwnerOther;
    }
    if (name == "global") {
        return kOwnerGlobal;
    }
    if (name == "sound") {
        return kOwnerSound;
    }
    for (int i = 1; i <= objects.Count(); ++i) {
        if (objects.Get(i).name == name) {
            return i;
        }
    }
    return kOwnerUnknown;
}

std::int32_t ResolveVariable(const CSoundList& sounds, std::int32_t owner, std::string_view name) {
    if (owner == kOwnerSound) {
        for (int i = 1; i <= sounds.Count(); ++i) {
            if (sounds.Get(i).name == name) {
                return i;
            }
        }
    }
    return BuiltInVariableNumber(name);
}

} // namespace velkaro
