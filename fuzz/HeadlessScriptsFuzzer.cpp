// Feeds arbitrary bytes to the readers of the input and answers files of `qvf run`: an even first
// byte makes the rest an input file, an odd one an answers file. A file is either read or
// refused with a one-line message naming the line; what is read must keep the promises its
// users rely on.
#include "backends/headless/AnswerScript.h"
#include "backends/headless/InputFileError.h"
#include "backends/headless/InputScript.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

using namespace velkaro;

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

void UseInput(InputScript& script) {
    const std::vector<InputEvent> events = script.Events();
    long last = 0;
    for (const InputEvent& event : events) {
        // Steps never go down, and an event waits for a step of the run.
        Check(event.step >= last);
        last = event.step;
        Check(event.kind != InputEvent::Kind::Char || !event.text.empty());
    }
    if (events.empty()) {
        Check(script.Due(0).empty());
        return;
    }
    // Handed out in file order, each once: those of the first step, then the rest.
    const std::size_t first = script.Due(events.front().step).size();
    Check(first >= 1 && first <= events.size());
    Check(script.Due(events.back().step).size() == events.size() - first ||
          events.front().step == events.back().step);
    Check(script.Due(events.back().step).empty());
}

void UseAnswers(AnswerScript& script) {
    // Every box takes one answer, whatever it is, until none is left.
    for (int box = 0; script.Left() > 0; ++box) {
        const std::size_t left = script.Left();
        switch (box % 6) {
        case 0:
            script.ForMessage();
            break;
        case 1:
            script.ForQuestion();
            break;
        case 2:
            script.ForError(box % 4 == 2);
            break;
        case 3:
            script.ForInput();
            break;
        case 4:
            script.ForScoreName();
            break;
        default:
            script.ForOpenFile();
            break;
        }
        Check(script.Left() == left - 1);
    }
    // With none left every box gets its default.
    script.ForMessage();
    Check(!script.ForQuestion());
    Check(!script.ForInput());
    Check(script.ForScoreName().empty());
    Check(!script.ForOpenFile());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    std::istringstream in(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
    try {
        if (data[0] % 2 == 0) {
            InputScript script = InputScript::Read(in);
            UseInput(script);
        } else {
            AnswerScript script = AnswerScript::Read(in);
            UseAnswers(script);
        }
    } catch (const InputFileError& error) {
        // The message stays one line and names a line of the file.
        const std::string message = error.what();
        Check(error.Line() >= 1 && message.starts_with("line "));
        for (const char c : message) {
            Check(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
        }
    }
    return 0;
}
