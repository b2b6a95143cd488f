#include "engine/ShellOperations.h"

#include "data/GameLoader.h"
#include "engine/RoomOperations.h"
#include "world/CollisionUnit.h"

namespace velkaro {

ShellOperations::ShellOperations(const GameState& game, GameErrorSink& errors,
                                 GameServices services)
    : game_(game), errors_(errors), services_(services) {}

void ShellOperations::SleepFor(std::int32_t ms) {
    services_.drawing.DrawFrame();
    services_.pacing.Sleep(ms > 0 ? static_cast<std::uint32_t>(ms) : 0u);
}

void ShellOperations::PlaySound(std::int32_t number, std::int32_t mode) {
    if (!services_.sound.PlayGameSound(number, mode)) {
        errors_.ReportGameError("Trying to play non-existing sound: " + std::to_string(number),
                                false);
    }
}

void ShellOperations::ShowGameMessage(const std::string& text) {
    const std::string shown = WithLineBreaks(text);
    const PausedGame paused(services_.pacing);
    services_.dialogs.ShowMessage(shown);
}

bool ShellOperations::ShowQuestion(const std::string& text) {
    const std::string shown = WithLineBreaks(text);
    const PausedGame paused(services_.pacing);
    return services_.dialogs.ShowQuestion(shown);
}

void ShellOperations::ShowHighscores(std::int32_t value) {
    const PausedGame paused(services_.pacing);
    services_.scores.ShowScores(value);
}

void ShellOperations::DrawObjectAt(const CInstance& self, const CInstance& other,
                                   std::int32_t object, double x, double y) {
    const std::int32_t resolved = ResolveObject(self, other, object);
    if (!game_.data.objects.Valid(resolved)) {
        errors_.ReportGameError(
            "Trying to draw the image of non-existing object: " + std::to_string(resolved), false);
        return;
    }
    const int count = game_.data.objects.Get(resolved).image.Count();
    if (count > 0) {
        services_.drawing.DrawObjectImage(resolved, ShownSubimage(self, count), self.image_scale, x,
                                          y);
    }
}

} // namespace velkaro
