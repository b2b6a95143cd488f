#include "backends/headless/Transcript.h"

namespace velkaro {

void Transcript::Write(std::string_view kind, const nlohmann::ordered_json& fields) {
    nlohmann::ordered_json line;
    line["step"] = step_;
    line["kind"] = kind;
    for (const auto& [key, value] : fields.items()) {
        line[key] = value;
    }
    out_ << line.dump() << '\n';
    out_.flush();
}

} // namespace velkaro
