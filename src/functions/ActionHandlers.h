#pragma once

#include "data/ActionClass.h"
#include "data/FontDescription.h"
#include "script/ActionExecution.h"

#include <string>

namespace velkaro {

// Registers the game's actions (movement, instances, sounds and boxes, rooms, questions, code
// and drawing) in `registry`. The handlers need the context's interpreter and room operations.
// The drawing actions draw through the drawing unit.
void RegisterActions(CActionRegistry& registry);

// A registry holding every action; `dialogs` shows what goes wrong while they are registered.
CActionRegistry BuildActionRegistry(Dialogs& dialogs);

// What the drawing actions ask of the drawing unit: text drawn at a room position with the
// current drawing state, and the font of that state.
using DrawTextFunction = void (*)(GameState& game, double x, double y, const std::string& text);
using SetFontFunction = void (*)(GameState& game, const FontDescription& font);

// Where and what the draw-text action draws: the position (relative to self when the action
// says so), then the text.
struct PlacedText {
    double x = 0;
    double y = 0;
    std::string text;
};
PlacedText EvaluatePlacedText(ActionContext& context, CInstance& self, CInstance& other,
                              const CAction& action);

template <DrawTextFunction drawText>
bool DrawTextAction(ActionContext& context, CInstance& self, CInstance& other,
                    const CAction& action) {
    const PlacedText placed = EvaluatePlacedText(context, self, other, action);
    drawText(context.game, placed.x, placed.y, placed.text);
    return true;
}

template <SetFontFunction setFont>
bool SetFontAction(ActionContext& context, CInstance&, CInstance&, const CAction& action) {
    setFont(context.game, ParseFontDescription(action.arguments[0]));
    return true;
}

// Registers draw text (1002) and set font (1003) drawing through the functions given;
// RegisterActions gives the drawing unit's. Handlers are plain functions, so the drawing
// functions are bound when the handlers are instantiated rather than looked up while the game
// runs.
template <DrawTextFunction drawText, SetFontFunction setFont>
void RegisterDrawingActions(CActionRegistry& registry) {
    registry.RegisterAction(1002, false, true, DrawTextAction<drawText>);
    registry.RegisterAction(1003, false, false, SetFontAction<setFont>);
}

} // namespace velkaro
