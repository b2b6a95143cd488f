#pragma once

namespace velkaro {

class Screen;
struct GameState;

// Switches between the game's two windows. Full screen when `full` is asked for or the game
// insists on it (the "exclusive" option), and the screen can show it ("directdraw"); the
// picture is then scaled by the smaller of the two ratios screen / view and centred. Otherwise
// the framed window with the view's size, the picture unscaled at its corner. Sets
// `fullscreenmode` and where the picture lies (offsets and scale), which mouse positions are
// mapped back through.
void SetScreenMode(GameState& game, Screen& screen, bool full);

} // namespace velkaro
