#include "description/DescribedGame.h"

#include "base/AnsiText.h"
#include "data/GameLoader.h"
#include "description/GameDescription.h"
#include "platform/Dialogs.h"

#include <stdexcept>

namespace velkaro {

bool LoadDescribedGame(const std::filesystem::path& file, GameData& data, Dialogs& dialogs,
                       const std::function<void(const std::string&)>& warn) {
    try {
        const PackedGame packed = PackDescriptionFile(file);
        for (const std::string& warning : packed.warnings) {
            warn(warning);
        }
        return LoadGameFromBytes(packed.bytes, file, data, dialogs);
    } catch (const std::runtime_error& error) {
        // A description with a fault is the game author's to mend: say where.
        const std::string what = Utf8ToAnsi(error.what()).value_or(error.what());
        dialogs.Log(what, file);
        dialogs.ShowMessage(Utf8ToAnsi(file.filename().string()).value_or("The description") +
                            ": " + what);
        return false;
    }
}

} // namespace velkaro
