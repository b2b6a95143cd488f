#include "description/GameDescription.h"

#include "base/AnsiText.h"
#include "base/Counted.h"
#include "base/KeyNames.h"
#include "base/WholeFile.h"
#include "codecs/BmpCodec.h"
#include "codecs/PictureError.h"
#include "codecs/PngFile.h"
#include "data/OptionsUnit.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <initializer_list>
#include <limits>
#include <optional>
#include <set>

namespace velkaro {
namespace {

constexpr std::int32_t kSelf = -1;
constexpr std::int32_t kOther = -2;
constexpr std::size_t kLineWidth = 100;
constexpr std::size_t kLongestNameInFileName = 32;
constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// ---------------------------------------------------------------------------------------------
// Game to description

// Flags stored as int32: false and true for 0 and 1, which is what editors write, and the
// number itself otherwise so that nothing is lost.
Json FlagValue(std::int32_t value) {
    if (value == 0 || value == 1) {
        return Json(value == 1);
    }
    return Json(value);
}

Json ColourValue(std::int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%06X",
                  static_cast<unsigned>(static_cast<std::uint32_t>(value)));
    return Json(text);
}

Json TextValue(const std::string& ansi) {
    return Json(AnsiToUtf8(ansi));
}

std::string SafeFileName(const std::string& ansi) {
    std::string out;
    for (char c : ansi) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= '0' && byte <= '9') || byte == '-' || byte == '_';
        out += plain ? c : '_';
        if (out.size() == kLongestNameInFileName) {
            break;
        }
    }
    return out.empty() ? "object" : out;
}

Json DescribeAction(const ActionRecord& action) {
    Json out = Json::object();
    out["id"] = action.id;
    if (action.appliesTo == kSelf) {
        out["applies_to"] = "self";
    } else if (action.appliesTo == kOther) {
        out["applies_to"] = "other";
    } else {
        out["applies_to"] = action.appliesTo;
    }
    out["relative"] = FlagValue(action.relative);
    Json arguments = Json::array();
    for (const auto& argument : action.arguments) {
        arguments.push_back(TextValue(argument));
    }
    out["arguments"] = std::move(arguments);
    out["object"] = action.actionObject;
    return out;
}

Json DescribeEvents(const ObjectRecord& object) {
    Json events = Json::object();
    for (int row = 0; row < kEventRowCount; ++row) {
        const auto& entries = object.rows[static_cast<std::size_t>(row)];
        if (entries.empty()) {
            continue;
        }
        Json list = Json::array();
        for (const EventEntry& entry : entries) {
            Json actions = Json::array();
            for (const ActionRecord& action : entry.actions) {
                actions.push_back(DescribeAction(action));
            }
            list.push_back(Json{{"sub", entry.sub}, {"actions", std::move(actions)}});
        }
        events[RowName(row)] = std::move(list);
    }
    return events;
}

bool DefaultImage(const ImageRecord& image) {
    const ImageRecord defaults;
    return image.width == defaults.width && image.height == defaults.height &&
           image.reserved == defaults.reserved && image.frames.empty();
}

Json DescribeObject(const ObjectRecord& object, std::size_t number,
                    std::vector<SpriteFile>& sprites) {
    Json out = Json::object();
    out["name"] = TextValue(object.name);
    out["solid"] = object.solid;
    out["active"] = object.active;
    const ImageRecord& image = object.image;
    if (!DefaultImage(image)) {
        Json sprite = Json::object();
        sprite["width"] = image.width;
        sprite["height"] = image.height;
        if (image.reserved != std::array<std::int32_t, 4>{}) {
            sprite["reserved"] = image.reserved;
        }
        Json frames = Json::array();
        for (std::size_t k = 0; k < image.frames.size(); ++k) {
            std::string name = "sprites/" + std::to_string(number) + "-" +
                               SafeFileName(object.name) + "-" + std::to_string(k) + ".bmp";
            frames.push_back(name);
            sprites.push_back(SpriteFile{std::move(name), image.frames[k]});
        }
        sprite["frames"] = std::move(frames);
        out["sprite"] = std::move(sprite);
    }
    out["bounding_box"] = Json{{"left", object.bbLeft},
                               {"right", object.bbRight},
                               {"bottom", object.bbBottom},
                               {"top", object.bbTop}};
    if (object.reserved != 0) {
        out["reserved"] = object.reserved;
    }
    Json events = DescribeEvents(object);
    if (!events.empty()) {
        out["events"] = std::move(events);
    }
    return out;
}

Json DescribeRoom(const RoomRecord& room) {
    Json out = Json::object();
    out["name"] = TextValue(room.name);
    out["background_colour"] = ColourValue(room.backgroundColour);
    out["background_file"] = TextValue(room.backgroundFile);
    out["background_shown"] = FlagValue(room.backgroundShown);
    out["background_mode"] = room.backgroundMode;
    out["background_hspeed"] = room.backgroundHSpeed;
    out["background_vspeed"] = room.backgroundVSpeed;
    out["speed"] = room.gameSpeed;
    out["width"] = room.widthInCells;
    out["height"] = room.heightInCells;
    out["cell_size"] = room.cellSize;
    out["view"] = Json{{"enabled", FlagValue(room.viewEnabled)},
                       {"width", room.viewWidthInCells},
                       {"height", room.viewHeightInCells},
                       {"border", room.viewBorderInCells},
                       {"object", room.viewObject}};
    Json instances = Json::array();
    for (const RoomInstance& instance : room.instances) {
        instances.push_back(
            Json{{"column", instance.column}, {"row", instance.row}, {"object", instance.object}});
    }
    out["instances"] = std::move(instances);
    return out;
}

Json DescribeSound(const SoundRecord& sound) {
    return Json{{"name", TextValue(sound.name)},
                {"stored", sound.stored},
                {"file", TextValue(sound.file)},
                {"effects", sound.effectsAllowed},
                {"buffers", sound.bufferCount}};
}

// ---------------------------------------------------------------------------------------------
// Description to game

// A value of the description with the path that leads to it, for messages.
class Node {
public:
    Node(const Json& value, std::string path) : value_(value), path_(std::move(path)) {}

    const Json& Value() const { return value_; }

    [[noreturn]] void Fail(const std::string& text) const {
        throw DescriptionError((path_.empty() ? std::string("the description") : path_) + ": " +
                               text);
    }

    // Checks that this is an object whose keys are all among `known`. Keys that begin with
    // "_" are the writer's own notes and are passed over.
    void ExpectObject(std::initializer_list<const char*> known) const {
        if (!value_.is_object()) {
            Fail("expected an object { ... }");
        }
        for (const auto& item : value_.items()) {
            const std::string& key = item.key();
            if (!key.empty() && key.front() == '_') {
                continue;
            }
            if (std::none_of(known.begin(), known.end(),
                             [&key](const char* name) { return key == name; })) {
                std::string names;
                for (const char* name : known) {
                    names += names.empty() ? "" : ", ";
                    names += name;
                }
                Fail("unknown field \"" + key + "\" (the fields here are " + names + ")");
            }
        }
    }

    std::optional<Node> Find(const char* key) const {
        auto it = value_.find(key);
        if (it == value_.end()) {
            return std::nullopt;
        }
        return Node(*it, path_ + "." + key);
    }

    Node Require(const char* key) const {
        auto node = Find(key);
        if (!node) {
            Fail(std::string("the field \"") + key + "\" is missing");
        }
        return *node;
    }

    std::vector<Node> Items() const {
        if (!value_.is_array()) {
            Fail("expected a list [ ... ]");
        }
        std::vector<Node> items;
        for (std::size_t i = 0; i < value_.size(); ++i) {
            items.emplace_back(value_[i], path_ + "[" + std::to_string(i) + "]");
        }
        return items;
    }

private:
    const Json& value_;
    std::string path_;
};

std::int32_t ToInt(const Node& node) {
    const Json& v = node.Value();
    bool fits = false;
    if (v.is_number_unsigned()) {
        fits = v.get<std::uint64_t>() <= std::uint64_t{std::numeric_limits<std::int32_t>::max()};
    } else if (v.is_number_integer()) {
        const auto value = v.get<std::int64_t>();
        fits = value >= std::numeric_limits<std::int32_t>::min() &&
               value <= std::numeric_limits<std::int32_t>::max();
    } else {
        node.Fail("expected a whole number");
    }
    if (!fits) {
        node.Fail("the number " + v.dump() + " is outside -2147483648..2147483647");
    }
    return static_cast<std::int32_t>(v.get<std::int64_t>());
}

std::int32_t ToFlag(const Node& node) {
    if (node.Value().is_boolean()) {
        return node.Value().get<bool>() ? 1 : 0;
    }
    if (!node.Value().is_number_integer()) {
        node.Fail("expected true, false or a whole number");
    }
    return ToInt(node);
}

bool ToBool(const Node& node) {
    if (!node.Value().is_boolean()) {
        node.Fail("expected true or false");
    }
    return node.Value().get<bool>();
}

// The first character of a UTF-8 text that Windows-1252 cannot store, as "'x' (U+XXXX)".
std::string FirstUnstorable(std::string_view utf8) {
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        const std::string_view piece = utf8.substr(i, length);
        if (!Utf8ToAnsi(piece)) {
            char32_t cp = length == 1 ? lead : lead & (0xFF >> (length + 1));
            for (std::size_t k = 1; k < piece.size(); ++k) {
                cp = cp << 6 | (static_cast<unsigned char>(piece[k]) & 0x3F);
            }
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(cp));
            return "'" + std::string(piece) + "' (" + code + ")";
        }
        i += length;
    }
    return "a character";
}

std::string ToText(const Node& node) {
    if (!node.Value().is_string()) {
        node.Fail("expected a text in double quotes");
    }
    const auto& utf8 = node.Value().get_ref<const std::string&>();
    auto ansi = Utf8ToAnsi(utf8);
    if (!ansi) {
        node.Fail("the text holds " + FirstUnstorable(utf8) +
                  ", which game files cannot store: they hold Windows-1252 (Western European) "
                  "characters only");
    }
    return *ansi;
}

std::int32_t ToColour(const Node& node) {
    if (!node.Value().is_string()) {
        return ToInt(node);
    }
    const auto& text = node.Value().get_ref<const std::string&>();
    const bool hex = text.size() > 2 && text.size() <= 10 && text[0] == '0' &&
                     (text[1] == 'x' || text[1] == 'X') &&
                     std::all_of(text.begin() + 2, text.end(), [](char c) {
                         return std::isxdigit(static_cast<unsigned char>(c));
                     });
    if (!hex) {
        node.Fail("expected a colour: a whole number or \"0x\" and 1 to 8 hexadecimal digits "
                  "(0xBBGGRR)");
    }
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(std::stoul(text.substr(2), nullptr, 16)));
}

std::int32_t IntField(const Node& parent, const char* key, std::int32_t fallback) {
    auto node = parent.Find(key);
    return node ? ToInt(*node) : fallback;
}

std::int32_t FlagField(const Node& parent, const char* key, std::int32_t fallback) {
    auto node = parent.Find(key);
    return node ? ToFlag(*node) : fallback;
}

bool BoolField(const Node& parent, const char* key, bool fallback) {
    auto node = parent.Find(key);
    return node ? ToBool(*node) : fallback;
}

std::string TextField(const Node& parent, const char* key, const std::string& fallback) {
    auto node = parent.Find(key);
    return node ? ToText(*node) : fallback;
}

int RowNumber(const Node& node, const std::string& name) {
    for (int row = 0; row < kEventRowCount; ++row) {
        if (name == RowName(row)) {
            return row;
        }
    }
    std::string names;
    for (int row = 0; row < kEventRowCount; ++row) {
        names += row == 0 ? "" : ", ";
        names += RowName(row);
    }
    node.Fail("unknown event \"" + name + "\" (the events are " + names + ")");
}

constexpr int kKeyboardRow = 10;

// A key given by its name ("left", "space", "a").
std::int32_t KeyCode(const Node& node) {
    const auto& name = node.Value().get_ref<const std::string&>();
    if (const auto code = KeyCodeOfName(name)) {
        return *code;
    }
    node.Fail("unknown key \"" + name +
              "\": expected a key's name (left, space, enter, a, digit1, f1...) or its code");
}

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path) {
    auto bytes = ReadFileWhole(path);
    if (!bytes) {
        throw DescriptionError(path.string() + ": cannot be opened");
    }
    return std::move(*bytes);
}

// Reads a description, resolving object names once all objects are known.
class DescriptionReader {
public:
    DescriptionReader(const Json& description, std::filesystem::path folder)
        : top_(description, ""), folder_(std::move(folder)) {}

    GameFile Read() {
        top_.ExpectObject(
            {"check_factor", "check_product", "options", "objects", "rooms", "sounds"});
        GameFile game;
        game.checkFactor = IntField(top_, "check_factor", 0);
        if (auto options = top_.Find("options")) {
            for (const Node& entry : options->Items()) {
                game.options.push_back(ToText(entry));
                CheckOption(entry, game.options);
            }
        }
        std::vector<Node> objects;
        if (auto list = top_.Find("objects")) {
            objects = list->Items();
        }
        for (const Node& object : objects) {
            object.ExpectObject(
                {"name", "solid", "active", "sprite", "bounding_box", "reserved", "events"});
            names_.push_back(TextField(object, "name", ObjectRecord().name));
        }
        for (const Node& object : objects) {
            game.objects.push_back(ReadObject(object));
        }
        if (auto rooms = top_.Find("rooms")) {
            for (const Node& room : rooms->Items()) {
                game.rooms.push_back(ReadRoom(room));
            }
        }
        if (auto sounds = top_.Find("sounds")) {
            for (const Node& sound : sounds->Items()) {
                game.sounds.push_back(ReadSound(sound));
            }
        }
        game.checkProduct = IntField(top_, "check_product",
                                     ExpectedCheckProduct(game.checkFactor, game.objects.size()));
        return game;
    }

private:
    // The player reads the first entry of each key, and refuses the whole game when that
    // entry's value does not convert (a word for a number): the last of `entries`, read from
    // `node`, fails here unless an earlier entry has its key.
    static void CheckOption(const Node& node, const std::vector<std::string>& entries) {
        const auto keyOf = [](const std::string& entry) {
            std::string key = entry.substr(0, entry.find('='));
            std::ranges::transform(key, key.begin(), [](unsigned char c) {
                return static_cast<char>(std::tolower(c));
            });
            return key;
        };
        const std::string& entry = entries.back();
        if (entry.find('=') == std::string::npos ||
            std::any_of(entries.begin(), entries.end() - 1, [&](const std::string& earlier) {
                return earlier.find('=') != std::string::npos && keyOf(earlier) == keyOf(entry);
            })) {
            return;
        }
        try {
            GameOptions options;
            ApplyOptionEntries({entry}, "", options);
        } catch (const GameFileError& e) {
            node.Fail(AnsiToUtf8(e.what()) + ": " + AnsiToUtf8(keyOf(entry)) +
                      " takes a whole number, and the player refuses a game without one");
        }
    }

    // An object number, written as a number or as the name of exactly one object.
    std::int32_t ObjectNumber(const Node& node) const {
        if (!node.Value().is_string()) {
            return ToInt(node);
        }
        const std::string name = ToText(node);
        std::int32_t found = 0;
        for (std::size_t i = 0; i < names_.size(); ++i) {
            if (names_[i] == name) {
                if (found != 0) {
                    node.Fail("more than one object is named \"" + AnsiToUtf8(name) +
                              "\": give the object's number");
                }
                found = static_cast<std::int32_t>(i + 1);
            }
        }
        if (found == 0) {
            node.Fail("no object is named \"" + AnsiToUtf8(name) + "\"");
        }
        return found;
    }

    ObjectRecord ReadObject(const Node& node) {
        ObjectRecord object;
        object.name = TextField(node, "name", object.name);
        object.solid = BoolField(node, "solid", object.solid);
        object.active = BoolField(node, "active", object.active);
        if (auto sprite = node.Find("sprite")) {
            object.image = ReadImage(*sprite);
        }
        if (auto box = node.Find("bounding_box")) {
            box->ExpectObject({"left", "right", "bottom", "top"});
            object.bbLeft = IntField(*box, "left", object.bbLeft);
            object.bbRight = IntField(*box, "right", object.bbRight);
            object.bbBottom = IntField(*box, "bottom", object.bbBottom);
            object.bbTop = IntField(*box, "top", object.bbTop);
        }
        object.reserved = IntField(node, "reserved", object.reserved);
        if (auto events = node.Find("events")) {
            ReadEvents(*events, object);
        }
        return object;
    }

    ImageRecord ReadImage(const Node& node) {
        node.ExpectObject({"width", "height", "reserved", "frames"});
        ImageRecord image;
        if (auto frames = node.Find("frames")) {
            for (const Node& frame : frames->Items()) {
                if (!frame.Value().is_string()) {
                    frame.Fail("expected a file name in double quotes");
                }
                const auto& name = frame.Value().get_ref<const std::string&>();
                try {
                    image.frames.push_back(LoadSpriteFile(folder_ / std::filesystem::path(name)));
                } catch (const DescriptionError& e) {
                    frame.Fail(e.what());
                }
            }
        }
        if (!image.frames.empty()) {
            // The first sub-image gives the sprite its size unless the description says.
            const Bitmap first = DecodeBmp(image.frames.front(), BmpRows::AfterColourTable);
            image.width = first.Width();
            image.height = first.Height();
        }
        image.width = IntField(node, "width", image.width);
        image.height = IntField(node, "height", image.height);
        if (auto reserved = node.Find("reserved")) {
            const auto items = reserved->Items();
            if (items.size() != image.reserved.size()) {
                reserved->Fail("expected a list of 4 whole numbers");
            }
            for (std::size_t i = 0; i < items.size(); ++i) {
                image.reserved[i] = ToInt(items[i]);
            }
        }
        return image;
    }

    void ReadEvents(const Node& node, ObjectRecord& object) {
        if (!node.Value().is_object()) {
            node.Fail("expected an object { \"step\": [ ... ], ... }");
        }
        for (const auto& [key, value] : node.Value().items()) {
            if (!key.empty() && key.front() == '_') {
                continue;
            }
            const Node row = *node.Find(key.c_str());
            const int number = RowNumber(row, key);
            for (const Node& entry : row.Items()) {
                object.rows[static_cast<std::size_t>(number)].push_back(ReadEntry(entry, number));
            }
        }
    }

    EventEntry ReadEntry(const Node& node, int row) {
        node.ExpectObject({"sub", "actions"});
        EventEntry entry;
        if (auto sub = node.Find("sub")) {
            // Row 11's sub-event is an object, which a description may name; the keyboard's
            // is a key, which it may name too.
            entry.sub = row == 11                                         ? ObjectNumber(*sub)
                        : row == kKeyboardRow && sub->Value().is_string() ? KeyCode(*sub)
                                                                          : ToInt(*sub);
            if (entry.sub < 0 || entry.sub > kMaxSubEvent) {
                sub->Fail("the sub-event " + std::to_string(entry.sub) + " is not in 0..10000");
            }
        }
        if (auto actions = node.Find("actions")) {
            for (const Node& action : actions->Items()) {
                entry.actions.push_back(ReadAction(action));
            }
        }
        return entry;
    }

    ActionRecord ReadAction(const Node& node) {
        node.ExpectObject({"id", "applies_to", "relative", "arguments", "object"});
        ActionRecord action;
        action.id = ToInt(node.Require("id"));
        if (auto appliesTo = node.Find("applies_to")) {
            const Json& v = appliesTo->Value();
            if (v == "self") {
                action.appliesTo = kSelf;
            } else if (v == "other") {
                action.appliesTo = kOther;
            } else {
                action.appliesTo = ObjectNumber(*appliesTo);
            }
        }
        action.relative = FlagField(node, "relative", action.relative);
        if (auto arguments = node.Find("arguments")) {
            const auto items = arguments->Items();
            if (items.size() > kLargestArgumentCount) {
                arguments->Fail("an action has at most 4 arguments, not " +
                                std::to_string(items.size()));
            }
            for (const Node& argument : items) {
                action.arguments.push_back(ToText(argument));
            }
        }
        if (auto object = node.Find("object")) {
            action.actionObject = ObjectNumber(*object);
        }
        return action;
    }

    RoomRecord ReadRoom(const Node& node) {
        node.ExpectObject({"name", "background_colour", "background_file", "background_shown",
                           "background_mode", "background_hspeed", "background_vspeed", "speed",
                           "width", "height", "cell_size", "view", "instances"});
        RoomRecord room;
        room.name = TextField(node, "name", room.name);
        if (auto colour = node.Find("background_colour")) {
            room.backgroundColour = ToColour(*colour);
        }
        room.backgroundFile = TextField(node, "background_file", room.backgroundFile);
        room.backgroundShown = FlagField(node, "background_shown", room.backgroundShown);
        room.backgroundMode = IntField(node, "background_mode", room.backgroundMode);
        room.backgroundHSpeed = IntField(node, "background_hspeed", room.backgroundHSpeed);
        room.backgroundVSpeed = IntField(node, "background_vspeed", room.backgroundVSpeed);
        room.gameSpeed = IntField(node, "speed", room.gameSpeed);
        room.widthInCells = IntField(node, "width", room.widthInCells);
        room.heightInCells = IntField(node, "height", room.heightInCells);
        room.cellSize = IntField(node, "cell_size", room.cellSize);
        if (auto view = node.Find("view")) {
            view->ExpectObject({"enabled", "width", "height", "border", "object"});
            room.viewEnabled = FlagField(*view, "enabled", room.viewEnabled);
            room.viewWidthInCells = IntField(*view, "width", room.viewWidthInCells);
            room.viewHeightInCells = IntField(*view, "height", room.viewHeightInCells);
            room.viewBorderInCells = IntField(*view, "border", room.viewBorderInCells);
            if (auto object = view->Find("object")) {
                room.viewObject = ObjectNumber(*object);
            }
        }
        if (auto instances = node.Find("instances")) {
            for (const Node& item : instances->Items()) {
                item.ExpectObject({"column", "row", "object"});
                RoomInstance instance;
                instance.column = ToInt(item.Require("column"));
                instance.row = ToInt(item.Require("row"));
                instance.object = ObjectNumber(item.Require("object"));
                room.instances.push_back(instance);
            }
        }
        return room;
    }

    SoundRecord ReadSound(const Node& node) {
        node.ExpectObject({"name", "stored", "file", "effects", "buffers"});
        SoundRecord sound;
        sound.name = TextField(node, "name", sound.name);
        sound.stored = BoolField(node, "stored", sound.stored);
        sound.file = TextField(node, "file", sound.file);
        sound.effectsAllowed = BoolField(node, "effects", sound.effectsAllowed);
        sound.bufferCount = IntField(node, "buffers", sound.bufferCount);
        return sound;
    }

    Node top_;
    std::filesystem::path folder_;
    std::vector<std::string> names_; // object names as stored, object 1 first
};

// ---------------------------------------------------------------------------------------------
// Text layout

std::string Compact(const Json& value) {
    if (value.is_object()) {
        std::string out = "{";
        for (const auto& [key, item] : value.items()) {
            out += (out.size() > 1 ? ", " : "") + Json(key).dump() + ": " + Compact(item);
        }
        return out + "}";
    }
    if (value.is_array()) {
        std::string out = "[";
        for (const auto& item : value) {
            out += (out.size() > 1 ? ", " : "") + Compact(item);
        }
        return out + "]";
    }
    return value.dump();
}

// Appends `value`, which starts at `column`; `depth` 0 is the whole description, `key` the
// field that holds the value. The description, its lists and each object and room open out,
// one field a line; below that, whatever fits on the line stays on one line.
void Layout(const Json& value, std::size_t depth, const std::string& key, std::size_t column,
            std::string& out) {
    const bool opens = depth < 2 || (depth == 2 && (key == "objects" || key == "rooms"));
    const std::string compact = Compact(value);
    const bool fits = column + compact.size() + 1 <= kLineWidth;
    if (!value.is_structured() || value.empty() || (!opens && fits)) {
        out += compact;
        return;
    }
    const std::string indent(2 * depth, ' ');
    const std::string inner(2 * (depth + 1), ' ');
    const bool object = value.is_object();
    out += object ? "{\n" : "[\n";
    std::size_t i = 0;
    for (const auto& [name, item] : value.items()) {
        out += inner;
        std::size_t at = inner.size();
        if (object) {
            const std::string label = Json(name).dump() + ": ";
            out += label;
            at += label.size();
        }
        // A list's items belong to the field that holds the list.
        Layout(item, depth + 1, object ? name : key, at, out);
        out += ++i < value.size() ? ",\n" : "\n";
    }
    out += indent + (object ? "}" : "]");
}

} // namespace

Description DescribeGame(const GameFile& game) {
    Description description;
    Json& out = description.json;
    out = Json::object();
    out["check_factor"] = game.checkFactor;
    if (game.checkProduct != ExpectedCheckProduct(game.checkFactor, game.objects.size())) {
        out["check_product"] = game.checkProduct;
    }
    Json options = Json::array();
    for (const auto& entry : game.options) {
        options.push_back(TextValue(entry));
    }
    out["options"] = std::move(options);
    Json objects = Json::array();
    for (std::size_t i = 0; i < game.objects.size(); ++i) {
        objects.push_back(DescribeObject(game.objects[i], i + 1, description.sprites));
    }
    out["objects"] = std::move(objects);
    Json rooms = Json::array();
    for (const RoomRecord& room : game.rooms) {
        rooms.push_back(DescribeRoom(room));
    }
    out["rooms"] = std::move(rooms);
    Json sounds = Json::array();
    for (const SoundRecord& sound : game.sounds) {
        sounds.push_back(DescribeSound(sound));
    }
    out["sounds"] = std::move(sounds);
    return description;
}

GameFile GameFromDescription(const Json& description, const std::filesystem::path& folder) {
    return DescriptionReader(description, folder).Read();
}

Json ParseDescription(std::string_view text) {
    // The parser keeps one of two equal keys silently; a description written by hand should
    // hear about the other.
    std::vector<std::set<std::string>> keys;
    auto watch = [&keys](int, Json::parse_event_t event, Json& parsed) {
        if (event == Json::parse_event_t::object_start) {
            keys.emplace_back();
        } else if (event == Json::parse_event_t::object_end) {
            keys.pop_back();
        } else if (event == Json::parse_event_t::key &&
                   !keys.back().insert(parsed.get<std::string>()).second) {
            throw DescriptionError("the field \"" + parsed.get<std::string>() +
                                   "\" is written twice in one object");
        }
        return true;
    };
    try {
        // Comments help a description written by hand; JSON itself has none.
        return Json::parse(text, watch, true, true);
    } catch (const Json::exception& e) {
        // A syntax error, or a number too large for a double (4e4444).
        std::string message = e.what();
        const auto end = message.find("] ");
        if (end != std::string::npos) {
            message.erase(0, end + 2);
        }
        throw DescriptionError("not valid JSON: " + message);
    }
}

std::string FormatDescription(const Json& description) {
    std::string out;
    Layout(description, 0, "", 0, out);
    return out + "\n";
}

std::vector<std::uint8_t> LoadSpriteFile(const std::filesystem::path& path) {
    std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    const auto fail = [&path](const std::string& text) -> std::vector<std::uint8_t> {
        throw DescriptionError(path.string() + ": " + text);
    };
    if (bytes.size() >= kPngSignature.size() &&
        std::equal(kPngSignature.begin(), kPngSignature.end(), bytes.begin())) {
        try {
            return EncodeBmp24(ReadPng(path));
        } catch (const PictureError& e) {
            throw DescriptionError(e.what());
        }
    }
    if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M') {
        return fail("not a BMP or PNG file");
    }
    std::optional<std::uint64_t> size;
    try {
        size = MeasureEmbeddedBmp(bytes);
    } catch (const PictureError&) {
        return fail("not a BMP picture the player can read (compressed, or an unknown header)");
    }
    if (!size || *size > bytes.size()) {
        return fail("the BMP file is cut short");
    }
    if (*size != bytes.size()) {
        return fail("the BMP file has " + Counted(bytes.size() - *size, "byte", "bytes") +
                    " more than its headers and pixel rows, so it cannot be embedded "
                    "unchanged; save it again as a plain BMP, or as PNG");
    }
    try {
        DecodeBmp(bytes, BmpRows::AfterColourTable);
    } catch (const PictureError&) {
        return fail("the BMP file's pixel rows do not follow its colour table, so it cannot be "
                    "embedded unchanged; save it again as a plain BMP, or as PNG");
    }
    return bytes;
}

bool IsDescriptionName(const std::filesystem::path& file) {
    std::string extension = file.extension().string();
    std::ranges::transform(extension, extension.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".json";
}

PackedGame PackDescriptionFile(const std::filesystem::path& file) {
    const auto text = ReadFileWhole(file);
    if (!text) {
        throw DescriptionError("cannot be opened");
    }
    const Json description = ParseDescription(
        std::string_view(reinterpret_cast<const char*>(text->data()), text->size()));
    const GameFile game = GameFromDescription(description, file.parent_path());
    PackedGame packed;
    packed.bytes = WriteGameFileSyntax(game);
    packed.warnings = ReviewGame(game);
    return packed;
}

} // namespace velkaro
