#pragma once

#include "base/Files.h"
#include "base/Limits.h"
#include "data/StreamClass.h"
#include "platform/Dialogs.h"

#include <cstdint>
#include <string>

namespace velkaro {

// What every record needs while the game file is read: the stream, the message box for the
// loader's messages and the data folder for the file names the records hold.
struct LoadContext {
    CStream& stream;
    Dialogs& dialogs;
    const Files& files;
    // The data folder as the game sees it: folder of the game file + name + "_data/".
    std::string dataFolder;

    // What the records read so far have taken from the load's limits (base/Limits.h).
    int wrongVersions = 0;
    std::int64_t spritePixelBytes = 0;
    std::int64_t eventIndexEntries = 0;

    // The full name of a file stored in the game: data folder + stored name.
    std::string FullName(const std::string& stored) const { return dataFolder + stored; }
};

// The only record version there is.
constexpr std::int32_t kFormatVersion = 300;

// Reads a record's version. When it is not 300, shows `message` and answers false; the record
// then keeps its defaults and reading goes on with the next byte. A file with more such records
// than limits::kWrongVersionRecords is refused at the first one past the limit.
bool ReadVersion(LoadContext& context, const char* message);

// The least a record takes: its version alone, when that version is wrong.
constexpr std::size_t kMinRecord = 4;

// Reads the count of a list of records that each take at least `minBytes` of the file. A
// negative count, or one that the rest of the file cannot hold, ends the load with a clear
// message naming `what`. Lists grow as their records are read, never ahead of the file, so
// what a load allocates stays in proportion to the file's size.
std::int32_t ReadCount(LoadContext& context, const char* what, std::size_t minBytes);

// Ends the load: the file holds something no writer of game files makes.
[[noreturn]] void ThrowCorrupt(const std::string& detail);

} // namespace velkaro
