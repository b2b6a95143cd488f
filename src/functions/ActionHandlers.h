#pragma once

#include "data/ActionClass.h"
#include "data/FontDescription.h"
#include "script/ActionExecution.h"

#include <string>

namespace velkaro {

// Registers the game's actions (movement, instances, sounds and boxes, rooms, questions, code
// and drawing) in `registry`. The handlers work through the running game's parts: the
// interpreter, the room operations and, for the drawing actions, the drawing unit.
void RegisterActions(CActionRegistry& registry);

// A registry holding every action; `dialogs` shows what goes wrong while they are registered.
CActionRegistry BuildActionRegistry(Dialogs& dialogs);

// What the drawing actions ask of the drawing unit: text drawn at a room position with the
// current drawing state, and the font of that state.
using DrawTextFunction = void (*)(GameParts& parts, double x, double y, const std::string& text);
using SetFontFunction = void (*)(GameParts& parts, const FontDescription& font);

// Where and what the draw-text action draws: the position (relative to self when the action
// says so), then the text.
struct PlacedText {
    double x = 0;
    double y = 0;
    std::string text;
};
PlacedText EvaluatePlacedText(GameParts& parts, CInstance& self, CInstance& other,
                              const CAction& action);

template <DrawTextFunction drawText>
bool DrawTextAction(GameParts& parts, CInstance& self, CInstance& other, const CAction& action) {
    const PlacedText placed = EvaluatePlacedText(parts, self, other, action);
    drawText(parts, placed.x, placed.y, placed.text);
    return true;
}

template <SetFontFunction setFont>
bool SetFontAction(GameParts& parts, CInstance&, CInstance&, const CAction& action) {
    setFont(parts, ParseFontDescription(action.arguments[0]));
    return true;
}

// Registers draw text (1002) and set font (1003) drawing through the functions given;
// RegisterActions gives ones that draw with the drawing unit. Handlers are plain functions, so the
// drawing functions are bound when the handlers are instantiated rather than looked up while the
// game runs.
template <DrawTextFunction drawText, SetFontFunction setFont>
void RegisterDrawingActions(CActionRegistry& registry) {
    registry.RegisterAction(1002, false, true, DrawTextAction<drawText>);
    registry.RegisterAction(1003, false, false, SetFontAction<setFont>);
}

} // namespace velkaro
