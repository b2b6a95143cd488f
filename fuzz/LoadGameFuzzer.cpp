// Feeds arbitrary bytes to the game loader: it must answer with a message, never crash, hang
// or allocate without bound.
#include "data/GameLoader.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace {

// The loader only shows messages; the other boxes answer as a closed box would.
class SilentDialogs : public velkaro::Dialogs {
public:
    void ShowMessage(const std::string&) override {}
    bool ShowQuestion(const std::string&) override { return false; }
    std::optional<std::string> AskText(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    void ShowGameInfo() override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SilentDialogs dialogs;
    velkaro::GameData game;
    velkaro::LoadGameFromBytes(std::vector<std::uint8_t>(data, data + size),
                               "/nonexistent/fuzz.qvf", game, dialogs);
    return 0;
}
