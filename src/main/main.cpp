// velkaro: plays a game file.
#include "backends/desktop/DesktopDialogs.h"
#include "base/AnsiText.h"
#include "data/GameLoader.h"

#include <iostream>
#include <string>

int main(int argc, char** argv) {
    using namespace velkaro;
    if (argc < 2) {
        std::cerr << "usage: velkaro GAME.qvf\n";
        return 2;
    }
    // An unquoted path with blanks arrives as several arguments: they are one name.
    std::string path = argv[1];
    for (int i = 2; i < argc; ++i) {
        path += ' ';
        path += argv[i];
    }
    DesktopDialogs dialogs("Velkaro");
    GameData game;
    if (!LoadGame(path, game, dialogs)) {
        return 1;
    }
    int instances = 0;
    for (int r = 1; r <= game.rooms.Count(); ++r) {
        instances += game.rooms.Get(r).InstanceCount();
    }
    std::cout << "Loaded \"" << AnsiToUtf8(game.gameName) << "\": " << game.objects.Count()
              << " objects, " << game.rooms.Count() << " rooms with " << instances << " instances, "
              << game.sounds.Count() << " sounds.\n"
              << "Data folder: " << game.dataFolder << '\n'
              << "Playing in a window comes with the desktop player.\n";
    return 0;
}
