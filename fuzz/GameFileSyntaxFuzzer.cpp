// Feeds arbitrary bytes to qvf's reader of game files. It must never crash, and whatever it
// reads as exact must write back to the very same bytes.
#include "description/GameFileSyntax.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velkaro;
    const std::vector<std::uint8_t> bytes(data, data + size);
    try {
        const SyntaxReading reading = ReadGameFileSyntax(bytes);
        if (reading.inexact.empty() && WriteGameFileSyntax(reading.game) != bytes) {
            std::abort(); // an exact reading that does not write back
        }
    } catch (const GameFileSyntaxError&) {
        // A file that cannot be read: the message is the answer.
    }
    return 0;
}
