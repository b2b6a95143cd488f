#include "backends/headless/Transcript.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace velkaro {

void Transcript::Write(std::string_view kind, const nlohmann::ordered_json& fields) {
    nlohmann::ordered_json line;
    line["step"] = step_;
    line["kind"] = kind;
    for (const auto& [key, value] : fields.items()) {
        line[key] = value;
    }
    errno = 0;
    out_ << line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    out_.flush();
    if (!out_) {
        const int cause = errno;
        throw TranscriptWriteError(cause != 0 ? std::strerror(cause) : "the output failed");
    }
}

} // namespace velkaro
