#include "description/GameFileSyntax.h"

#include "base/AnsiText.h"
#include "base/Counted.h"
#include "base/Limits.h"
#include "codecs/BmpCodec.h"
#include "codecs/PictureError.h"
#include "data/OptionsUnit.h"
#include "data/RoomClass.h"
#include "data/StreamClass.h"

#include <map>
#include <optional>
#include <span>

namespace velkaro {
namespace {

// A 14-byte file header and a 12-byte core header.
constexpr std::size_t kSmallestBmp = 26;
constexpr std::size_t kInstanceSize = 12;

constexpr std::array<const char*, kEventRowCount> kRowNames = {
    "creation",  "destroy",   "alarm",   "step",     "collision",      "mouse",     "other",
    "reserved7", "reserved8", "drawing", "keyboard", "collision_with", "reserved12"};

std::string Quoted(const std::string& ansi) {
    return "\"" + AnsiToUtf8(ansi) + "\"";
}

// Reads the file as the player's loader does, noting where that reading and the bytes differ.
class SyntaxReader {
public:
    explicit SyntaxReader(std::vector<std::uint8_t> bytes) : stream_(std::move(bytes)) {}

    SyntaxReading Read() {
        SyntaxReading result;
        GameFile& game = result.game;
        const std::int32_t version = Int();
        if (version != kFormatVersion) {
            throw GameFileSyntaxError("the file's format version is " + std::to_string(version) +
                                      ", not " + std::to_string(kFormatVersion) +
                                      ": the player does not load it");
        }
        game.checkFactor = Int();
        game.checkProduct = Int();
        {
            Place place(*this, "options section");
            if (Version("options section")) {
                const std::int32_t count = Count("option", 4);
                for (std::int32_t i = 0; i < count; ++i) {
                    game.options.push_back(String());
                }
            }
        }
        {
            Place place(*this, "objects section");
            if (Version("objects section")) {
                const std::int32_t count = Count("object", kMinRecord);
                for (std::int32_t i = 0; i < count; ++i) {
                    Place object(*this, "object " + std::to_string(i + 1));
                    game.objects.push_back(ReadObject());
                }
            }
        }
        {
            Place place(*this, "rooms section");
            if (Version("rooms section")) {
                const std::int32_t count = Count("room", kMinRecord);
                for (std::int32_t i = 0; i < count; ++i) {
                    Place room(*this, "room " + std::to_string(i + 1));
                    game.rooms.push_back(ReadRoom());
                }
            }
        }
        {
            Place place(*this, "sounds section");
            if (Version("sounds section")) {
                const std::int32_t count = Count("sound", kMinRecord);
                for (std::int32_t i = 0; i < count; ++i) {
                    Place sound(*this, "sound " + std::to_string(i + 1));
                    game.sounds.push_back(ReadSound());
                }
            }
        }
        if (stream_.Remaining() > 0) {
            const bool one = stream_.Remaining() == 1;
            Inexact(stream_.Position(),
                    Counted(stream_.Remaining(), "byte", "bytes") +
                        " after the sounds section, which the player ignores, " +
                        (one ? "is" : "are") + " not kept");
        }
        result.inexact = std::move(inexact_);
        return result;
    }

private:
    // Names the record being read, for messages; the innermost last.
    class Place {
    public:
        Place(SyntaxReader& reader, std::string name) : reader_(reader) {
            reader_.places_.push_back(std::move(name));
        }
        ~Place() { reader_.places_.pop_back(); }
        Place(const Place&) = delete;
        Place& operator=(const Place&) = delete;

    private:
        SyntaxReader& reader_;
    };

    std::string Where(std::size_t offset) const {
        std::string text = "byte " + std::to_string(offset);
        for (const auto& place : places_) {
            text += ", " + place;
        }
        return text;
    }

    [[noreturn]] void Corrupt(std::size_t offset, const std::string& text) const {
        throw GameFileSyntaxError(Where(offset) + ": " + text);
    }

    void Inexact(std::size_t offset, const std::string& text) {
        inexact_.push_back(Where(offset) + ": " + text);
    }

    std::span<const std::uint8_t> Take(std::size_t n, const char* what) {
        const std::size_t offset = stream_.Position();
        if (n > stream_.Remaining()) {
            Corrupt(offset, std::string(what) + " of " + Counted(n, "byte", "bytes") +
                                " runs past the end of the file (" +
                                Counted(stream_.Remaining(), "byte is", "bytes are") + " left)");
        }
        return stream_.Take(n);
    }

    std::int32_t Int() {
        const std::size_t offset = stream_.Position();
        try {
            return ReadInt(stream_);
        } catch (const GameFileError&) {
            Corrupt(offset, "the file ends in the middle of a number");
        }
    }

    bool Bool(const char* what) {
        const std::size_t offset = stream_.Position();
        const std::int32_t value = Int();
        if (value != 0 && value != 1) {
            Inexact(offset, std::string(what) + " is stored as " + std::to_string(value) +
                                ", which the player reads as " + (value > 0 ? "true" : "false") +
                                " and is written back as " + (value > 0 ? "1" : "0"));
        }
        return value > 0;
    }

    std::string String() {
        const std::size_t offset = stream_.Position();
        const std::int32_t length = Int();
        if (length < 0) {
            Inexact(offset, "a text of length " + std::to_string(length) +
                                " reads as empty and is written back with length 0");
            return {};
        }
        auto bytes = Take(static_cast<std::size_t>(length), "a text");
        return std::string(bytes.begin(), bytes.end());
    }

    // True when the record's version is 300. Otherwise the player keeps the record's defaults
    // and goes on reading with the next byte; so does this reader.
    bool Version(const std::string& record) {
        const std::size_t offset = stream_.Position();
        const std::int32_t version = Int();
        if (version == kFormatVersion) {
            return true;
        }
        const std::string expected = std::to_string(kFormatVersion);
        if (++wrongVersions_ > limits::kWrongVersionRecords) {
            Corrupt(offset, "more than " + std::to_string(limits::kWrongVersionRecords) +
                                " records have a version other than " + expected +
                                ": the player refuses the file");
        }
        Inexact(offset, "the " + record + " version is " + std::to_string(version) + ", not " +
                            expected +
                            ": the player keeps the record's defaults, which are written back "
                            "with version " +
                            expected);
        return false;
    }

    std::int32_t Count(const std::string& what, std::size_t smallestItem) {
        const std::size_t offset = stream_.Position();
        const std::int32_t count = Int();
        if (count < 0) {
            Corrupt(offset, "the " + what + " count " + std::to_string(count) + " is negative");
        }
        if (static_cast<std::uint64_t>(count) * smallestItem > stream_.Remaining()) {
            Corrupt(offset, "the " + what + " count " + std::to_string(count) +
                                " is more than the rest of the file can hold");
        }
        return count;
    }

    ObjectRecord ReadObject() {
        ObjectRecord object;
        if (!Version("object")) {
            return object;
        }
        object.name = String();
        places_.back() += " " + Quoted(object.name);
        object.solid = Bool("solid");
        object.active = Bool("active");
        for (int row = 0; row < kEventRowCount; ++row) {
            Place place(*this, std::string(kRowNames[static_cast<std::size_t>(row)]) + " event");
            ReadRow(object.rows[static_cast<std::size_t>(row)]);
        }
        object.reserved = Int();
        {
            Place place(*this, "sprite");
            object.image = ReadImage();
        }
        object.bbLeft = Int();
        object.bbRight = Int();
        object.bbBottom = Int();
        object.bbTop = Int();
        return object;
    }

    void ReadRow(std::vector<EventEntry>& row) {
        // Every pass consumes at least 8 bytes, so the loop ends with the file.
        for (;;) {
            const std::size_t offset = stream_.Position();
            const std::int32_t sub = Int();
            if (sub < 0) {
                if (sub != -1) {
                    Inexact(offset, "the row ends with " + std::to_string(sub) +
                                        ", which is written back as -1");
                }
                return;
            }
            if (sub > kMaxSubEvent) {
                Corrupt(offset, "sub-event " + std::to_string(sub) + " is above 10000");
            }
            Place place(*this, "sub-event " + std::to_string(sub));
            EventEntry entry;
            entry.sub = sub;
            entry.actions = ReadActionList();
            row.push_back(std::move(entry));
        }
    }

    std::vector<ActionRecord> ReadActionList() {
        std::vector<ActionRecord> actions;
        if (!Version("action list")) {
            return actions;
        }
        const std::int32_t count = Count("action", kMinRecord);
        for (std::int32_t i = 0; i < count; ++i) {
            Place place(*this, "action " + std::to_string(i + 1));
            actions.push_back(ReadAction());
        }
        return actions;
    }

    ActionRecord ReadAction() {
        ActionRecord action;
        if (!Version("action")) {
            return action;
        }
        action.id = Int();
        action.appliesTo = Int();
        action.relative = Int();
        const std::size_t offset = stream_.Position();
        const std::int32_t count = Int();
        if (count < 0 || count > static_cast<std::int32_t>(kLargestArgumentCount)) {
            Corrupt(offset, "the argument count " + std::to_string(count) + " is not in 0..4");
        }
        for (std::int32_t i = 0; i < count; ++i) {
            action.arguments.push_back(String());
        }
        action.actionObject = Int();
        return action;
    }

    ImageRecord ReadImage() {
        ImageRecord image;
        if (!Version("image")) {
            return image;
        }
        image.width = Int();
        image.height = Int();
        for (auto& value : image.reserved) {
            value = Int();
        }
        const std::int32_t count = Count("sub-image", kSmallestBmp);
        for (std::int32_t i = 0; i < count; ++i) {
            Place place(*this, "sub-image " + std::to_string(i));
            image.frames.push_back(ReadBmp());
        }
        return image;
    }

    // The embedded BMP's bytes, exactly as stored; it must be a picture the player decodes.
    // Nothing is decoded: what reading takes stays in proportion to the file.
    std::vector<std::uint8_t> ReadBmp() {
        const std::size_t offset = stream_.Position();
        std::optional<std::uint64_t> size;
        try {
            size = MeasureEmbeddedBmp(stream_.Rest());
        } catch (const PictureError&) {
            Corrupt(offset, "not a BMP picture the player can read");
        }
        if (!size) {
            Corrupt(offset, "the file ends inside the BMP picture's headers");
        }
        if (*size > stream_.Remaining()) {
            Corrupt(offset, "the BMP picture of " +
                                Counted(static_cast<std::size_t>(*size), "byte", "bytes") +
                                " runs past the end of the file");
        }
        auto bytes = stream_.Take(static_cast<std::size_t>(*size));
        try {
            CheckEmbeddedBmp(bytes);
        } catch (const PictureError&) {
            Corrupt(offset, "the BMP picture's pixel rows are not valid");
        }
        return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
    }

    RoomRecord ReadRoom() {
        RoomRecord room;
        if (!Version("room")) {
            return room;
        }
        room.name = String();
        places_.back() += " " + Quoted(room.name);
        room.backgroundColour = Int();
        room.backgroundFile = String();
        room.backgroundShown = Int();
        room.backgroundMode = Int();
        room.backgroundHSpeed = Int();
        room.backgroundVSpeed = Int();
        room.gameSpeed = Int();
        room.widthInCells = Int();
        room.heightInCells = Int();
        room.cellSize = Int();
        room.viewEnabled = Int();
        room.viewWidthInCells = Int();
        room.viewHeightInCells = Int();
        room.viewBorderInCells = Int();
        room.viewObject = Int();
        const std::int32_t count = Count("instance", kInstanceSize);
        room.instances.reserve(static_cast<std::size_t>(count));
        for (std::int32_t i = 0; i < count; ++i) {
            RoomInstance instance;
            instance.column = Int();
            instance.row = Int();
            instance.object = Int();
            room.instances.push_back(instance);
        }
        return room;
    }

    SoundRecord ReadSound() {
        SoundRecord sound;
        if (!Version("sound")) {
            return sound;
        }
        sound.name = String();
        places_.back() += " " + Quoted(sound.name);
        sound.stored = Bool("the stored flag");
        sound.file = String();
        sound.effectsAllowed = Bool("effects allowed");
        sound.bufferCount = Int();
        return sound;
    }

    CStream stream_;
    std::vector<std::string> places_;
    std::vector<std::string> inexact_;
    int wrongVersions_ = 0;
};

void WriteObject(CStreamWriter& out, const ObjectRecord& object, std::size_t number) {
    out.WriteInt(kFormatVersion);
    out.WriteString(object.name);
    out.WriteBool(object.solid);
    out.WriteBool(object.active);
    for (int row = 0; row < kEventRowCount; ++row) {
        for (const EventEntry& entry : object.rows[static_cast<std::size_t>(row)]) {
            if (entry.sub < 0 || entry.sub > kMaxSubEvent) {
                throw GameFileSyntaxError("object " + std::to_string(number) + ": sub-event " +
                                          std::to_string(entry.sub) + " is not in 0..10000");
            }
            out.WriteInt(entry.sub);
            out.WriteInt(kFormatVersion);
            out.WriteInt(static_cast<std::int32_t>(entry.actions.size()));
            for (const ActionRecord& action : entry.actions) {
                if (action.arguments.size() > kLargestArgumentCount) {
                    throw GameFileSyntaxError("object " + std::to_string(number) +
                                              ": an action has more than 4 arguments");
                }
                out.WriteInt(kFormatVersion);
                out.WriteInt(action.id);
                out.WriteInt(action.appliesTo);
                out.WriteInt(action.relative);
                out.WriteInt(static_cast<std::int32_t>(action.arguments.size()));
                for (const auto& argument : action.arguments) {
                    out.WriteString(argument);
                }
                out.WriteInt(action.actionObject);
            }
        }
        out.WriteInt(-1);
    }
    out.WriteInt(object.reserved);
    const ImageRecord& image = object.image;
    out.WriteInt(kFormatVersion);
    out.WriteInt(image.width);
    out.WriteInt(image.height);
    for (auto value : image.reserved) {
        out.WriteInt(value);
    }
    out.WriteInt(static_cast<std::int32_t>(image.frames.size()));
    for (const auto& frame : image.frames) {
        out.WriteBytes(frame);
    }
    out.WriteInt(object.bbLeft);
    out.WriteInt(object.bbRight);
    out.WriteInt(object.bbBottom);
    out.WriteInt(object.bbTop);
}

void WriteRoom(CStreamWriter& out, const RoomRecord& room) {
    out.WriteInt(kFormatVersion);
    out.WriteString(room.name);
    out.WriteInt(room.backgroundColour);
    out.WriteString(room.backgroundFile);
    for (std::int32_t value :
         {room.backgroundShown, room.backgroundMode, room.backgroundHSpeed, room.backgroundVSpeed,
          room.gameSpeed, room.widthInCells, room.heightInCells, room.cellSize, room.viewEnabled,
          room.viewWidthInCells, room.viewHeightInCells, room.viewBorderInCells, room.viewObject}) {
        out.WriteInt(value);
    }
    out.WriteInt(static_cast<std::int32_t>(room.instances.size()));
    for (const RoomInstance& instance : room.instances) {
        out.WriteInt(instance.column);
        out.WriteInt(instance.row);
        out.WriteInt(instance.object);
    }
}

void WriteSound(CStreamWriter& out, const SoundRecord& sound) {
    out.WriteInt(kFormatVersion);
    out.WriteString(sound.name);
    out.WriteBool(sound.stored);
    out.WriteString(sound.file);
    out.WriteBool(sound.effectsAllowed);
    out.WriteInt(sound.bufferCount);
}

std::string ObjectPlace(const ObjectRecord& object, std::size_t index) {
    return "object " + std::to_string(index + 1) + " " + Quoted(object.name);
}

// Notes what the player refuses or reads differently in an object; adds the bytes its frames
// take decoded to `spritePixelBytes`.
void ReviewObject(const ObjectRecord& object, std::size_t index, std::vector<std::string>& notes,
                  std::int64_t& spritePixelBytes) {
    const std::string place = ObjectPlace(object, index);
    for (int row = 0; row < kEventRowCount; ++row) {
        std::map<std::int32_t, int> seen;
        for (const EventEntry& entry : object.rows[static_cast<std::size_t>(row)]) {
            if (++seen[entry.sub] == 2) {
                notes.push_back(place + ": sub-event " + std::to_string(entry.sub) + " of the " +
                                RowName(row) + " event appears more than once; the player " +
                                "keeps the last one");
            }
        }
    }
    const ImageRecord& image = object.image;
    if (image.frames.empty()) {
        return;
    }
    if (!ValidSpriteSize(image.width, image.height)) {
        notes.push_back(place + ": the player refuses a sprite of " + std::to_string(image.width) +
                        " x " + std::to_string(image.height) + " pixels");
        return;
    }
    // Frames are measured from their headers, never decoded, so that a review takes no memory
    // for pixels.
    for (std::size_t i = 0; i < image.frames.size(); ++i) {
        std::optional<BmpDimensions> frame;
        try {
            CheckEmbeddedBmp(image.frames[i]);
            frame = MeasureBmpDimensions(image.frames[i]);
        } catch (const PictureError&) {
        }
        const std::string sub = place + ": sub-image " + std::to_string(i);
        if (!frame) {
            notes.push_back(sub + " is not a BMP picture the player can read");
            continue;
        }
        const std::string sizes = std::to_string(frame->width) + " x " +
                                  std::to_string(frame->height) + " pixels, the sprite " +
                                  std::to_string(image.width) + " x " +
                                  std::to_string(image.height);
        if (frame->width > image.width || frame->height > image.height) {
            notes.push_back(sub + " is " + sizes + ": the player refuses a sub-image larger " +
                            "than its sprite");
        } else if (frame->width != image.width || frame->height != image.height) {
            notes.push_back(sub + " is " + sizes);
        } else {
            spritePixelBytes += std::int64_t{frame->width} * frame->height * 4;
        }
    }
}

} // namespace

const char* RowName(int row) {
    return row >= 0 && row < kEventRowCount ? kRowNames[static_cast<std::size_t>(row)] : "";
}

std::int32_t ExpectedCheckProduct(std::int32_t factor, std::size_t objectCount) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(factor) *
                                     static_cast<std::uint32_t>(objectCount));
}

SyntaxReading ReadGameFileSyntax(std::vector<std::uint8_t> bytes) {
    if (bytes.empty()) {
        throw GameFileSyntaxError("the file is empty");
    }
    return SyntaxReader(std::move(bytes)).Read();
}

std::vector<std::uint8_t> WriteGameFileSyntax(const GameFile& game) {
    CStreamWriter out;
    out.WriteInt(kFormatVersion);
    out.WriteInt(game.checkFactor);
    out.WriteInt(game.checkProduct);
    out.WriteInt(kFormatVersion);
    out.WriteInt(static_cast<std::int32_t>(game.options.size()));
    for (const auto& entry : game.options) {
        out.WriteString(entry);
    }
    out.WriteInt(kFormatVersion);
    out.WriteInt(static_cast<std::int32_t>(game.objects.size()));
    for (std::size_t i = 0; i < game.objects.size(); ++i) {
        WriteObject(out, game.objects[i], i + 1);
    }
    out.WriteInt(kFormatVersion);
    out.WriteInt(static_cast<std::int32_t>(game.rooms.size()));
    for (const RoomRecord& room : game.rooms) {
        WriteRoom(out, room);
    }
    out.WriteInt(kFormatVersion);
    out.WriteInt(static_cast<std::int32_t>(game.sounds.size()));
    for (const SoundRecord& sound : game.sounds) {
        WriteSound(out, sound);
    }
    return out.TakeBytes();
}

std::vector<std::string> ReviewGame(const GameFile& game) {
    std::vector<std::string> notes;
    const std::int32_t expected = ExpectedCheckProduct(game.checkFactor, game.objects.size());
    if (game.checkProduct != expected) {
        notes.push_back("the check product " + std::to_string(game.checkProduct) +
                        " is not the check factor times the object count (" +
                        std::to_string(expected) + "): the player refuses the file");
    }
    try {
        GameOptions options;
        ApplyOptionEntries(game.options, "", options);
    } catch (const GameFileError& e) {
        // The message quotes the stored value, which is Windows-1252.
        notes.push_back("options: " + AnsiToUtf8(e.what()) + ": the player refuses the file");
    }
    std::int64_t spritePixelBytes = 0;
    for (std::size_t i = 0; i < game.objects.size(); ++i) {
        ReviewObject(game.objects[i], i, notes, spritePixelBytes);
    }
    if (spritePixelBytes > limits::kSpritePixelBytes) {
        notes.push_back("the sprites take " + std::to_string(spritePixelBytes >> 20) +
                        " MB decoded, more than " +
                        std::to_string(limits::kSpritePixelBytes >> 20) +
                        " MB: the player refuses the file");
    }
    for (std::size_t r = 0; r < game.rooms.size(); ++r) {
        const RoomRecord& room = game.rooms[r];
        // Whether the background is stretched depends on its file, which the player looks for.
        RoomSize size{room.widthInCells,     room.heightInCells,    room.cellSize,
                      room.viewEnabled >= 1, room.viewWidthInCells, room.viewHeightInCells,
                      room.viewBorderInCells};
        std::string when;
        auto problem = RoomSizeProblem(size);
        if (!problem && room.backgroundShown == 1 && room.backgroundMode == 1) {
            size.stretchedBackground = true;
            problem = RoomSizeProblem(size);
            when = " when its background file is there";
        }
        if (problem) {
            notes.push_back("room " + std::to_string(r + 1) + " " + Quoted(room.name) + " " +
                            *problem + ": the player refuses the file" + when);
        }
        for (std::size_t i = 0; i < room.instances.size(); ++i) {
            const std::int32_t object = room.instances[i].object;
            if (object < 1 || static_cast<std::size_t>(object) > game.objects.size()) {
                notes.push_back("room " + std::to_string(r + 1) + " " + Quoted(room.name) +
                                ": instance " + std::to_string(i + 1) + " is of object " +
                                std::to_string(object) +
                                ", which does not exist: the player refuses the file");
            }
        }
    }
    return notes;
}

} // namespace velkaro
