#include "data/LoadContext.h"

namespace velkaro {

bool ReadVersion(LoadContext& context, const char* message) {
    if (ReadInt(context.stream) == kFormatVersion) {
        return true;
    }
    if (++context.wrongVersions > limits::kWrongVersionRecords) {
        ThrowCorrupt("more than " + std::to_string(limits::kWrongVersionRecords) +
                     " records have a version other than " + std::to_string(kFormatVersion) + ".");
    }
    context.dialogs.ShowFailure(message);
    return false;
}

std::int32_t ReadCount(LoadContext& context, const char* what, std::size_t minBytes) {
    const std::int32_t count = ReadInt(context.stream);
    if (count < 0) {
        ThrowCorrupt("the " + std::string(what) + " count " + std::to_string(count) +
                     " is negative.");
    }
    if (static_cast<std::uint64_t>(count) * minBytes > context.stream.Remaining()) {
        ThrowCorrupt("the " + std::string(what) + " count " + std::to_string(count) +
                     " is larger than the rest of the file.");
    }
    return count;
}

void ThrowCorrupt(const std::string& detail) {
    throw GameFileError("Data file is corrupt: " + detail);
}

} // namespace velkaro
