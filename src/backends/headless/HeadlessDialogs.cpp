#include "backends/headless/HeadlessDialogs.h"

#include "base/AnsiText.h"

namespace velkaro {

void HeadlessDialogs::ShowMessage(const std::string& text) {
    answers_.ForMessage();
    transcript_.Write("message", {{"text", AnsiToUtf8(text)}});
}

ErrorAnswer HeadlessDialogs::ShowErrorReport(const std::string& text, bool fatal) {
    const ErrorAnswer answer = answers_.ForError(fatal);
    transcript_.Write("error", {{"text", AnsiToUtf8(text)},
                                {"fatal", fatal},
                                {"answer", answer == ErrorAnswer::Abort ? "abort" : "ignore"}});
    return answer;
}

bool HeadlessDialogs::ShowQuestion(const std::string& text) {
    const bool yes = answers_.ForQuestion();
    transcript_.Write("question", {{"text", AnsiToUtf8(text)}, {"answer", yes ? "yes" : "no"}});
    return yes;
}

std::optional<std::string> HeadlessDialogs::AskText(const std::string& text,
                                                    const std::string& value) {
    const std::optional<std::string> typed = answers_.ForInput();
    nlohmann::ordered_json answer = nullptr;
    if (typed) {
        answer = AnsiToUtf8(*typed);
    }
    transcript_.Write(
        "input", {{"text", AnsiToUtf8(text)}, {"default", AnsiToUtf8(value)}, {"answer", answer}});
    return typed;
}

void HeadlessDialogs::ShowGameInfo() {
    transcript_.Write("info", nlohmann::ordered_json::object());
}

} // namespace velkaro
