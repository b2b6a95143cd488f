#include "games/GameRun.h"

#include "codecs/PngFile.h"

#include <cstdio>
#include <sstream>

namespace velkaro::test::games {

std::filesystem::path PackedGame(const std::string& name) {
    return std::filesystem::path(VELKARO_TEST_GAMES_DIR) / (name + ".qvf");
}

std::filesystem::path GameWithDataFolder(const TempDir& folder, const std::string& name) {
    const std::filesystem::path game = folder.Path() / (name + ".qvf");
    std::filesystem::copy_file(PackedGame(name), game);
    std::filesystem::create_directories(folder.Path() / (name + "_data"));
    return game;
}

std::string DataFile(const TempDir& folder, const std::string& name, const std::string& file) {
    return (folder.Path() / (name + "_data") / file).string();
}

std::vector<Json> Lines(const std::string& transcript) {
    std::vector<Json> lines;
    std::istringstream in(transcript);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(Json::parse(line));
    }
    return lines;
}

Json Message(int step, const std::string& text) {
    return {{"step", step}, {"kind", "message"}, {"text", text}};
}

std::vector<Json> Messages(const std::vector<std::pair<int, std::string>>& messages) {
    std::vector<Json> lines;
    for (const auto& [step, text] : messages) {
        lines.push_back(Message(step, text));
    }
    return lines;
}

Json Question(int step, const std::string& text, const std::string& answer) {
    return {{"step", step}, {"kind", "question"}, {"text", text}, {"answer", answer}};
}

Json Input(int step, const std::string& text, const std::string& value, const Json& answer) {
    return {
        {"step", step}, {"kind", "input"}, {"text", text}, {"default", value}, {"answer", answer}};
}

Json ErrorReport(int step, const std::string& text, bool fatal, const std::string& answer) {
    return {
        {"step", step}, {"kind", "error"}, {"text", text}, {"fatal", fatal}, {"answer", answer}};
}

Json Play(int step, int sound, bool loop) {
    return {
        {"step", step}, {"kind", "sound"}, {"action", "play"}, {"sound", sound}, {"loop", loop}};
}

Json Stop(int step, int sound) {
    return {{"step", step}, {"kind", "sound"}, {"action", "stop"}, {"sound", sound}};
}

Json Setting(int step, const std::string& action, int sound, int value) {
    return {
        {"step", step}, {"kind", "sound"}, {"action", action}, {"sound", sound}, {"value", value}};
}

Json MusicPlay(int step, const std::string& file) {
    return {{"step", step}, {"kind", "music"}, {"action", "play"}, {"file", file}};
}

Json MusicStop(int step) {
    return {{"step", step}, {"kind", "music"}, {"action", "stop"}};
}

Json Splash(int step, const std::string& type, const std::string& file) {
    return {{"step", step}, {"kind", "splash"}, {"type", type}, {"file", file}};
}

Json Highscore(int step, int score, const Json& place, const Json& name) {
    return {
        {"step", step}, {"kind", "highscore"}, {"score", score}, {"place", place}, {"name", name}};
}

Bitmap Frame(const std::filesystem::path& frames, int step) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06d.png", step);
    return ReadPng(frames / name);
}

std::uint32_t Rgb(const Bitmap& frame, int x, int y) {
    return frame.At(x, y) & 0xFFFFFFu;
}

std::vector<std::uint8_t> Wave(int ms) {
    const std::uint32_t dataSize = static_cast<std::uint32_t>(ms) * 8;
    std::vector<std::uint8_t> bytes;
    auto put = [&bytes](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    };
    auto tag = [&bytes](const char* text) { bytes.insert(bytes.end(), text, text + 4); };
    tag("RIFF");
    put(4 + 8 + 16 + 8 + dataSize, 4);
    tag("WAVE");
    tag("fmt ");
    put(16, 4);
    put(1, 2);    // PCM
    put(1, 2);    // channels
    put(8000, 4); // samples a second
    put(8000, 4); // bytes a second
    put(1, 2);    // bytes a sample frame
    put(8, 2);    // bits a sample
    tag("data");
    put(dataSize, 4);
    bytes.insert(bytes.end(), dataSize, 128); // silence
    return bytes;
}

} // namespace velkaro::test::games
