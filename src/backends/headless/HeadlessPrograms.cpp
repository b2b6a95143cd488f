#include "backends/headless/HeadlessPrograms.h"

#include "base/AnsiText.h"

namespace velkaro {

void HeadlessPrograms::Record(const std::string& command, bool wait) {
    transcript_.Write("execute", {{"command", AnsiToUtf8(command)}, {"wait", wait}});
}

bool HeadlessPrograms::Execute(const std::string& program, const std::string& arguments,
                               bool wait) {
    // The program as the game named it (without the data folder in front), one space and the
    // argument text: what a reader of the transcript can match against the game's code.
    Record(program + " " + arguments, wait);
    return starter_ == nullptr || starter_->Execute(program, arguments, wait);
}

bool HeadlessPrograms::ShellExecute(const std::string& file, const std::string& parameters) {
    Record(file + " " + parameters, false);
    return starter_ == nullptr || starter_->ShellExecute(file, parameters);
}

} // namespace velkaro
