#pragma once

#include "base/VariableClass.h"

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>

namespace velkaro {

// The one text file that game code keeps values in, shared by all the file functions of a
// running game. Game code has no file handles: opening a file replaces the one open before.
//
// A file holds one value a line, each line ended by CR LF:
//   a real:   "0", a space, the number in 23 characters (" 1.50000000000000E+0000")
//   a string: "1", a space, the string's bytes as they are ("1 hello")
// The decimal point is always ".", whatever the user's locale, so that a file written on one
// machine reads the same on another.
//
// Failures (nothing open in the needed direction, a number that does not read, the end of the
// file, a disk that refuses the data) come back as a message for the game's error report; the
// file's state after one is described at each operation.
class CTextFile {
public:
    enum class State {
        Closed,
        Reading,
        Writing,
    };

    CTextFile() = default;
    // Written data reaches the disk when a game ends with its file still open.
    ~CTextFile();
    CTextFile(const CTextFile&) = delete;
    CTextFile& operator=(const CTextFile&) = delete;

    State GetState() const { return state_; }
    // Every file this game has opened for writing: a game author's watched folder changes
    // when the game writes, and that is no reason to read the game again.
    const std::set<std::filesystem::path>& WrittenFiles() const { return written_; }

    // Each open closes the file open before, so that what was written to it reaches the disk
    // (a failure to write that is not reported: the new file is what the game asked for).
    // `name` is the game's name of the file, used in messages.
    //
    // Reads the whole file and starts at its first line. A failure leaves no file open.
    [[nodiscard]] std::optional<std::string> OpenRead(const std::filesystem::path& path,
                                                      const std::string& name);
    // Creates the file, or empties it when it exists. A failure leaves no file open.
    [[nodiscard]] std::optional<std::string> OpenWrite(const std::filesystem::path& path,
                                                       const std::string& name);
    // Nothing to do when no file is open. The file counts as closed afterwards even when its
    // last data could not be written.
    [[nodiscard]] std::optional<std::string> Close();

    // Appends one value line to a file open for writing.
    [[nodiscard]] std::optional<std::string> Write(const RValue& value);

    // Reads the next value line of a file open for reading into `value`:
    //  1. its kind, a decimal integer, after any blanks and line ends;
    //  2. one character, the separator (none when the line ends there);
    //  3. for kind 0 the number after any blanks, the rest of the line skipped; for kind 1
    //     the rest of the line as the string.
    // A line ends at CR LF, at a line feed or at a carriage return. After a failure inside a
    // line, the rest of that line is skipped, so that the next read starts at the next line;
    // `value` is then left alone.
    [[nodiscard]] std::optional<std::string> Read(RValue& value);

private:
    std::optional<std::string> CloseWriting();
    std::optional<std::string> WriteFailed() const;
    std::optional<std::string> FailInLine(std::size_t lineStart, const std::string& reason);

    bool AtEnd() const { return position_ >= text_.size(); }
    bool AtLineEnd() const;
    void SkipBlanks();
    void SkipBlanksAndLineEnds();
    // The characters up to the next blank or line end.
    std::string Word();
    // Up to the line's end, which is passed over.
    std::string RestOfLine();
    // The line number (from 1) of a position in the text.
    std::size_t LineAt(std::size_t position) const;

    State state_ = State::Closed;
    std::string name_;
    std::set<std::filesystem::path> written_;
    std::ofstream out_;
    std::string text_;
    std::size_t position_ = 0;
};

} // namespace velkaro
