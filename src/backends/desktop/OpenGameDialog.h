#pragma once

#include <filesystem>
#include <optional>

namespace velkaro {

// The file dialog in which the player picks a game when the player was started without one. It
// opens in the Games folder beside the program when there is one, else in the program's folder,
// and shows the game files. None when the player cancels it, or without a display (the reason
// then goes to standard error). Call it before the game's window opens.
std::optional<std::filesystem::path> ChooseGameFile(const std::filesystem::path& programFolder);

} // namespace velkaro
