// Feeds arbitrary bytes to the game loader: it must answer with a message, never crash, hang
// or allocate without bound.
#include "data/GameLoader.h"

#include <cstddef>
#include <cstdint>

namespace {

class SilentDialogs : public velkaro::Dialogs {
public:
    void ShowMessage(const std::string&) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SilentDialogs dialogs;
    velkaro::GameData game;
    velkaro::LoadGameFromBytes(std::vector<std::uint8_t>(data, data + size),
                               "/nonexistent/fuzz.qvf", game, dialogs);
    return 0;
}
