#include "platform/headless/HeadlessDialogs.h"

#include "platform/AnsiText.h"

namespace velkaro {

void HeadlessDialogs::ShowMessage(const std::string& text) {
    transcript_.Write("message", {{"text", AnsiToUtf8(text)}});
}

ErrorAnswer HeadlessDialogs::ShowErrorReport(const std::string& text, bool fatal) {
    const ErrorAnswer answer = DefaultErrorAnswer(fatal);
    transcript_.Write("error", {{"text", AnsiToUtf8(text)},
                                {"fatal", fatal},
                                {"answer", answer == ErrorAnswer::Abort ? "abort" : "ignore"}});
    return answer;
}

} // namespace velkaro
