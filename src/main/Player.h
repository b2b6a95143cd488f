#pragma once

#include <filesystem>
#include <optional>

namespace velkaro {

// Plays the game in `file` in a window until it ends or the player closes it. `program` is the
// player's own file, whose name a game called "game" takes. Answers the program's exit status:
// 0 when the game ran, 1 when it could not be loaded or played, or `record` was given and the
// play could not be recorded into that folder.
int PlayGame(const std::filesystem::path& file, const std::filesystem::path& program,
             const std::optional<std::filesystem::path>& record = std::nullopt);

} // namespace velkaro
