#include "support/GameFileBuilder.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace velkaro::test {

Bytes& Bytes::Int(std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    data.push_back(static_cast<std::uint8_t>(v & 0xFF));
    data.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
    data.push_back(static_cast<std::uint8_t>((v >> 16) & 0xFF));
    data.push_back(static_cast<std::uint8_t>((v >> 24) & 0xFF));
    return *this;
}

Bytes& Bytes::Str(const std::string& text) {
    Int(static_cast<std::int32_t>(text.size()));
    data.insert(data.end(), text.begin(), text.end());
    return *this;
}

Bytes& Bytes::Raw(const std::vector<std::uint8_t>& bytes) {
    data.insert(data.end(), bytes.begin(), bytes.end());
    return *this;
}

std::vector<std::uint8_t> WriteTestGame(const TestGame& game) {
    Bytes b;
    b.Int(game.version).Int(game.checkFactor);
    b.Int(game.checkProduct.value_or(
        static_cast<std::int32_t>(static_cast<std::uint32_t>(game.checkFactor) *
                                  static_cast<std::uint32_t>(game.objects.size()))));
    b.Int(300).Int(static_cast<std::int32_t>(game.options.size()));
    for (const auto& option : game.options) {
        b.Str(option);
    }
    b.Int(300).Int(static_cast<std::int32_t>(game.objects.size()));
    for (const auto& o : game.objects) {
        b.Int(300).Str(o.name).Bool(o.solid).Bool(o.active);
        for (int row = 0; row < 13; ++row) {
            for (const auto& e : o.events) {
                if (e.row != row) {
                    continue;
                }
                b.Int(e.sub).Int(300).Int(static_cast<std::int32_t>(e.actions.size()));
                for (const auto& a : e.actions) {
                    b.Int(300).Int(a.id).Int(a.appliesTo).Int(a.relative);
                    b.Int(static_cast<std::int32_t>(a.arguments.size()));
                    for (const auto& arg : a.arguments) {
                        b.Str(arg);
                    }
                    b.Int(a.object);
                }
            }
            b.Int(-1);
        }
        b.Int(o.reserved);
        b.Int(300).Int(o.width).Int(o.height);
        for (auto r : o.imageReserved) {
            b.Int(r);
        }
        b.Int(static_cast<std::int32_t>(o.frames.size()));
        for (const auto& frame : o.frames) {
            b.Raw(frame);
        }
        b.Int(o.bbLeft).Int(o.bbRight).Int(o.bbBottom).Int(o.bbTop);
    }
    b.Int(300).Int(static_cast<std::int32_t>(game.rooms.size()));
    for (const auto& r : game.rooms) {
        b.Int(300).Str(r.name).Int(r.colour).Str(r.backgroundFile).Int(r.backgroundShown);
        b.Int(r.mode).Int(r.hspeed).Int(r.vspeed).Int(r.speed).Int(r.width).Int(r.height);
        b.Int(r.cellSize).Int(r.viewEnabled).Int(r.viewWidth).Int(r.viewHeight);
        b.Int(r.viewBorder).Int(r.viewObject).Int(static_cast<std::int32_t>(r.instances.size()));
        for (const auto& i : r.instances) {
            b.Int(i[0]).Int(i[1]).Int(i[2]);
        }
    }
    b.Int(300).Int(static_cast<std::int32_t>(game.sounds.size()));
    for (const auto& s : game.sounds) {
        b.Int(300).Str(s.name).Bool(s.stored).Str(s.file).Bool(s.effects).Int(s.buffers);
    }
    return b.data;
}

std::vector<std::uint8_t> MakeBmp24(int width, int height,
                                    const std::function<std::uint32_t(int, int)>& colour) {
    const int stride = (width * 3 + 3) / 4 * 4;
    const int imageSize = stride * height;
    Bytes b;
    b.data = {'B', 'M'};
    b.Int(54 + imageSize).Int(0).Int(54);
    b.Int(40).Int(width).Int(height);
    b.data.insert(b.data.end(), {1, 0, 24, 0});
    b.Int(0).Int(imageSize).Int(2835).Int(2835).Int(0).Int(0);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = colour(x, y);
            b.data.push_back(static_cast<std::uint8_t>(c & 0xFF));
            b.data.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
            b.data.push_back(static_cast<std::uint8_t>((c >> 16) & 0xFF));
        }
        for (int pad = width * 3; pad < stride; ++pad) {
            b.data.push_back(0);
        }
    }
    return b.data;
}

std::vector<std::uint8_t> ReadAllBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + file.string());
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TempDir::TempDir() {
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate =
            std::filesystem::temp_directory_path() / ("velkaro-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::filesystem::path TempDir::Write(const std::string& name,
                                     const std::vector<std::uint8_t>& bytes) const {
    auto path = path_ / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::filesystem::path TempDir::WriteText(const std::string& name, const std::string& text) const {
    return Write(name, std::vector<std::uint8_t>(text.begin(), text.end()));
}

} // namespace velkaro::test
