#include "QvfTestSupport.h"

#include "qvf/CommandLine.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace velkaro::test::tools {

namespace {

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

} // namespace

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

ProgramRun Qvf(const TempDir& folder, const std::vector<std::string>& args) {
    return Qvf(folder, args, QvfSetting{});
}

ProgramRun Qvf(const TempDir& folder, const std::vector<std::string>& args,
               const QvfSetting& setting) {
    std::string command = Quote(QVF_BINARY);
    if (setting.killAfterSeconds > 0) {
        command = "timeout -s KILL " + std::to_string(setting.killAfterSeconds) + " " + command;
    }
    for (const auto& arg : args) {
        command += " " + Quote(arg);
    }
    const std::filesystem::path out = folder.Path() / "stdout.txt";
    const std::filesystem::path err = folder.Path() / "stderr.txt";
    const std::string stdoutTo = setting.stdoutTo.empty() ? out.string() : setting.stdoutTo;
    command += " >" + Quote(stdoutTo) + " 2>" + Quote(err.string()) + " </dev/null";
    const int raw = std::system(command.c_str());
    ProgramRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = ReadText(out);
    run.err = ReadText(err);
    return run;
}

namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

} // namespace

CommandResult RunDump(const std::filesystem::path& game, const std::filesystem::path& folder) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = qvf::DumpCommand({game.string(), "-o", folder.string()}, out, err);
    return {status, err.str()};
}

CommandResult RunPack(const std::filesystem::path& description, const std::filesystem::path& game) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = qvf::PackCommand({description.string(), "-o", game.string()}, out, err);
    return {status, err.str()};
}

TestObject ObjectNamed(const std::string& name) {
    TestObject object;
    object.name = name;
    return object;
}

TestAction MakeAction(std::int32_t id, std::vector<std::string> arguments, std::int32_t appliesTo,
                      std::int32_t relative, std::int32_t object) {
    TestAction action;
    action.id = id;
    action.appliesTo = appliesTo;
    action.relative = relative;
    action.arguments = std::move(arguments);
    action.object = object;
    return action;
}

TestRoom RoomWith(std::vector<std::array<std::int32_t, 3>> instances) {
    TestRoom room;
    room.instances = std::move(instances);
    return room;
}

TestRoom DefaultRoom() {
    TestRoom room;
    room.name = "<new>";
    room.colour = 0xC0C0C0;
    room.speed = 20;
    room.width = 16;
    room.height = 12;
    room.cellSize = 32;
    room.viewEnabled = 0;
    room.viewWidth = 16;
    room.viewHeight = 12;
    room.viewBorder = 1;
    room.viewObject = 0;
    return room;
}

TestSound Sound(const std::string& name, bool stored, const std::string& file) {
    TestSound sound;
    sound.name = name;
    sound.stored = stored;
    sound.file = file;
    return sound;
}

TestGame GameOfVersion(std::int32_t version) {
    TestGame game;
    game.version = version;
    return game;
}

std::vector<std::uint8_t> MakeBmp(const BmpLayout& l,
                                  const std::function<std::uint32_t(int, int)>& value) {
    const int rows = l.height < 0 ? -l.height : l.height;
    const std::uint32_t stride = (static_cast<std::uint32_t>(l.width * l.bits) + 31) / 32 * 4;
    const std::uint32_t imageSize = stride * static_cast<std::uint32_t>(rows) + l.extraRowBytes;
    std::vector<std::uint32_t> palette = l.palette;
    if (l.bits <= 8 && !l.declarePaletteSize) {
        palette.resize(std::size_t{1} << l.bits);
    }

    std::vector<std::uint8_t> out = {'B', 'M'};
    Put32(out, 0); // the file size, patched below
    Put32(out, 0);
    Put32(out, l.offsetField);
    if (l.coreHeader) {
        Put32(out, 12);
        Put16(out, static_cast<std::uint32_t>(l.width));
        Put16(out, static_cast<std::uint32_t>(l.height));
        Put16(out, 1);
        Put16(out, static_cast<std::uint32_t>(l.bits));
    } else {
        Put32(out, 40);
        Put32(out, static_cast<std::uint32_t>(l.width));
        Put32(out, static_cast<std::uint32_t>(l.height));
        Put16(out, 1);
        Put16(out, static_cast<std::uint32_t>(l.bits));
        Put32(out, l.bitFields ? 3 : 0);
        Put32(out, l.writeImageSize || l.extraRowBytes > 0 ? imageSize : 0);
        Put32(out, 2835);
        Put32(out, 2835);
        Put32(out,
              l.bits <= 8 && l.declarePaletteSize ? static_cast<std::uint32_t>(palette.size()) : 0);
        Put32(out, 0);
        if (l.bitFields) {
            const bool wide = l.bits == 32;
            Put32(out, wide ? 0x00FF0000u : 0xF800u);
            Put32(out, wide ? 0x0000FF00u : 0x07E0u);
            Put32(out, wide ? 0x000000FFu : 0x001Fu);
        }
    }
    for (std::uint32_t colour : palette) {
        out.push_back(static_cast<std::uint8_t>(colour));
        out.push_back(static_cast<std::uint8_t>(colour >> 8));
        out.push_back(static_cast<std::uint8_t>(colour >> 16));
        if (!l.coreHeader) {
            out.push_back(0);
        }
    }
    for (int row = 0; row < rows; ++row) {
        const int y = l.height < 0 ? row : rows - 1 - row;
        std::vector<std::uint8_t> line(stride, 0);
        for (int x = 0; x < l.width; ++x) {
            const std::uint32_t v = value(x, y);
            const std::size_t bit = static_cast<std::size_t>(x) * static_cast<std::size_t>(l.bits);
            if (l.bits <= 8) {
                const unsigned shift = 8 - static_cast<unsigned>(l.bits) - bit % 8;
                line[bit / 8] |= static_cast<std::uint8_t>(v << shift);
            } else {
                for (int k = 0; k < l.bits / 8; ++k) {
                    line[bit / 8 + static_cast<std::size_t>(k)] =
                        static_cast<std::uint8_t>(v >> (8 * k));
                }
            }
        }
        out.insert(out.end(), line.begin(), line.end());
    }
    out.insert(out.end(), l.extraRowBytes, 0x5A);
    const auto size = static_cast<std::uint32_t>(out.size());
    for (int k = 0; k < 4; ++k) {
        out[2 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(size >> (8 * k));
    }
    return out;
}

} // namespace velkaro::test::tools
