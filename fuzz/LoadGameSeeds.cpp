// Writes a few valid game files into the folder given, as the fuzzer's starting corpus.
#include "support/GameFileBuilder.h"

#include <fstream>
#include <iostream>

using namespace velkaro::test;

namespace {

void Save(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> Bmp8(int w, int h) {
    // An 8-bit picture with a 4-entry colour table, bottom-up.
    Bytes b;
    const int stride = (w + 3) / 4 * 4;
    b.data = {'B', 'M'};
    b.Int(54 + 16 + stride * h).Int(0).Int(54 + 16);
    b.Int(40).Int(w).Int(h);
    b.data.insert(b.data.end(), {1, 0, 8, 0});
    b.Int(0).Int(0).Int(0).Int(0).Int(4).Int(0);
    b.Int(0x000000).Int(0xFF0000).Int(0x00FF00).Int(0xFFFFFF);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < stride; ++x) {
            b.data.push_back(static_cast<std::uint8_t>((x + y) % 4));
        }
    }
    return b.data;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: load_game_seeds FOLDER\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    Save(folder / "empty.qvf", WriteTestGame({}));

    TestGame game;
    game.options = {"fullscreen=1", "music=1", "playlist=a.mid,\"b c.mp3\"", "collisions=3"};
    TestObject ball;
    ball.name = "ball";
    ball.width = 4;
    ball.height = 3;
    ball.frames = {MakeBmp24(4, 3, [](int x, int y) { return static_cast<std::uint32_t>(x * y); }),
                   Bmp8(4, 3)};
    ball.events = {{0, 0, {{101, -1, 0, {"1", "2"}, 1}}},
                   {10, 37, {{102, 2, 1, {"a", "b", "c", "d"}, 2}}},
                   {11, 2, {{103, -2, 0, {}, 1}}}};
    game.objects = {ball, TestObject()};
    TestRoom room;
    room.instances = {{1, 2, 1}, {3, 4, 2}};
    room.viewEnabled = 1;
    game.rooms = {room};
    game.sounds = {{"boom", true, "boom.wav", true, 2}};
    Save(folder / "small.qvf", WriteTestGame(game));
    return 0;
}
