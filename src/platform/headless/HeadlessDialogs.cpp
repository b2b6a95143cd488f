#include "platform/headless/HeadlessDialogs.h"

#include "platform/AnsiText.h"

namespace velkaro {

void HeadlessDialogs::ShowMessage(const std::string& text) {
    transcript_.Write("message", {{"text", AnsiToUtf8(text)}});
}

} // namespace velkaro
