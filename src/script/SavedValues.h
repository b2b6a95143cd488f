#pragma once

#include "base/VariableClass.h"

#include <cassert>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velkaro {

class Dialogs;
class Files;

inline const char* const kUnexpectedValuesVersion = "Unexpected version for IOdata";
inline const char* const kCannotSaveValues = "Cannot save values for unsaved game.";
inline const char* const kValuesNotWritten = "Cannot save values: iodata cannot be written.";
// Said on the player's log, with the file, when the game's data folder could not take them.
inline const char* const kValuesSavedElsewhere =
    "the saved values are kept here: the game's data folder cannot be written";

// The files of the saved values in the saves folder (Files::SavesFolder): "iodata", or the
// older "values" that games of earlier versions left.
inline constexpr std::string_view kSavedValuesFile = "iodata";
inline constexpr std::string_view kOlderSavedValuesFile = "values";

// The values games keep between runs, by integer key, in the file "iodata" of the saves folder
// (the data folder unless a replay keeps them apart).
//
// Files always write and read "." as the decimal point, whatever the user's locale, so that
// a game's values mean the same on every machine.
//
// A damaged file (a line that is not an entry, a file shorter than its count says) keeps the
// entries read before the damage, and the player is told how many were read. The rest is not
// guessed at: a later save writes only what was read. The file's format has no way to hold a
// line break in a string: a string is written with its line breaks as blanks, as high-score
// names are, so that it cannot end its line early and be read back as entries never written.
class CSavedValues {
public:
    struct Entry {
        std::int32_t key = 0;
        RValue value;
    };

    // Empties the table, then reads "iodata", or the older "values" when there is no "iodata".
    // Loading leaves the table unchanged in the sense of Changed().
    void LoadValues(const Files& files, Dialogs& dialogs);
    // Writes "iodata" when the table has changed and is not empty. The file is replaced whole:
    // when writing fails the earlier file stays, the player is told and the table still counts
    // as changed.
    void SaveValues(const Files& files, Dialogs& dialogs);

    // The real 0 for a key that was never written.
    RValue GetSavedValue(std::int32_t key) const;
    // Any write that changes the table marks it changed, a new value for an existing key too.
    void SetSavedValue(std::int32_t key, RValue value);

    int Count() const { return static_cast<int>(entries_.size()); }
    // Entry i in the order of adding or loading, 1 <= i <= Count().
    const Entry& Get(int i) const {
        assert(i >= 1 && i <= Count());
        return entries_[static_cast<std::size_t>(i - 1)];
    }
    bool Changed() const { return changed_; }
    void Clear();

    // The whole text of "iodata" for this table.
    std::string IodataText() const;

private:
    Entry* Find(std::int32_t key);
    const Entry* Find(std::int32_t key) const;

    std::vector<Entry> entries_;
    bool changed_ = false;
};

} // namespace velkaro
