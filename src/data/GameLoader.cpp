#include "data/GameLoader.h"

#include "base/AnsiText.h"

namespace velkaro {
namespace {

void SetNames(const std::filesystem::path& path, GameData& game) {
    const std::string utf8Name = path.stem().string();
    game.gameName = Utf8ToAnsi(utf8Name).value_or(utf8Name);
    const std::filesystem::path folder = path.parent_path() / (utf8Name + "_data");
    game.dataFolder = folder.string() + "/";
    game.files = Files(folder);
}

// Every initial instance must be of an object that exists: the run-time creates them blindly.
void CheckRoomInstances(const GameData& game) {
    for (int r = 1; r <= game.rooms.Count(); ++r) {
        const CRoom& room = game.rooms.Get(r);
        for (int i = 1; i <= room.InstanceCount(); ++i) {
            if (!game.objects.Valid(room.InstanceObject(i))) {
                ThrowCorrupt("room \"" + room.name + "\" places an instance of object " +
                             std::to_string(room.InstanceObject(i)) + ", which does not exist.");
            }
        }
    }
}

// Reads the sections. Answers false after a version message; throws GameFileError when the
// file cannot be read to its end.
bool ReadSections(CStream& stream, GameData& game, Dialogs& dialogs,
                  const std::filesystem::path& path) {
    const std::int32_t version = ReadInt(stream);
    if (version != kFormatVersion) {
        dialogs.ShowFailure(version > kFormatVersion ? kNewerVersion : kOlderVersion, path);
        return false;
    }
    const std::int32_t checkFactor = ReadInt(stream);
    const std::int32_t checkProduct = ReadInt(stream);
    LoadContext context{stream, dialogs, game.files, game.dataFolder};
    ReadOptions(context, game.options);
    game.objects.Load(context);
    game.rooms.Load(context);
    game.sounds.Load(context);
    CheckRoomInstances(game);
    game.info = LoadGameInfo(game.files, game.gameName);
    const auto expected = static_cast<std::int32_t>(
        static_cast<std::uint32_t>(checkFactor) * static_cast<std::uint32_t>(game.objects.Count()));
    if (checkProduct != expected) {
        dialogs.ShowFailure(kIntegrityFailed, path);
        return false;
    }
    return true;
}

} // namespace

void GameData::Reset() {
    gameName.clear();
    dataFolder.clear();
    files = Files();
    options.Reset();
    objects.Clear();
    rooms.Clear();
    sounds.Clear();
    info = GameInfo();
}

bool LoadGame(const std::filesystem::path& path, GameData& game, Dialogs& dialogs) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        dialogs.ShowFailure(kMissingGameFile, path);
        return false;
    }
    std::vector<std::uint8_t> bytes;
    try {
        bytes = ReadFileBytes(path);
    } catch (const GameFileError& e) {
        game.Reset();
        dialogs.ShowFailure(e.what(), path);
        return false;
    }
    return LoadGameFromBytes(std::move(bytes), path, game, dialogs);
}

bool LoadGameFromBytes(std::vector<std::uint8_t> bytes, const std::filesystem::path& path,
                       GameData& game, Dialogs& dialogs) {
    game.Reset();
    SetNames(path, game);
    CStream stream(std::move(bytes));
    bool loaded = false;
    try {
        loaded = ReadSections(stream, game, dialogs, path);
    } catch (const GameFileError& e) {
        dialogs.ShowFailure(e.what(), path);
    }
    if (!loaded) {
        game.Reset();
    }
    return loaded;
}

} // namespace velkaro
