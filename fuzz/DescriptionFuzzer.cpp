// Feeds arbitrary text to the reader of game descriptions and packs what it reads as `qvf pack`
// does, in memory: the description parsed, turned into a game (its sprite files found in a
// folder holding the sprites of the examples and test games), written as a game file and
// reviewed. A description is packed or refused with a message; what is packed must read back
// with qvf's own reader, and the player must load it or refuse it with a message.
#include "data/GameLoader.h"
#include "description/GameDescription.h"
#include "description/GameFileSyntax.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

using namespace velkaro;

class SilentDialogs : public Dialogs {
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
    std::vector<std::uint8_t> bytes;
    try {
        const Json description =
            ParseDescription(std::string_view(reinterpret_cast<const char*>(data), size));
        const GameFile game = GameFromDescription(description, VELKARO_FUZZ_SPRITE_FOLDER);
        bytes = WriteGameFileSyntax(game);
        ReviewGame(game);
    } catch (const DescriptionError&) {
        return 0;
    } catch (const GameFileSyntaxError&) {
        return 0;
    }
    try {
        ReadGameFileSyntax(bytes);
    } catch (const GameFileSyntaxError&) {
        std::abort(); // a game file qvf wrote that qvf cannot read
    }
    SilentDialogs dialogs;
    GameData loaded;
    LoadGameFromBytes(std::move(bytes), "/nonexistent/fuzz.qvf", loaded, dialogs);
    return 0;
}
