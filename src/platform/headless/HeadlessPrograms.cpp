#include "platform/headless/HeadlessPrograms.h"

#include "platform/AnsiText.h"

namespace velkaro {

void HeadlessPrograms::Record(const std::string& command, bool wait) {
    transcript_.Write("execute", {{"command", AnsiToUtf8(command)}, {"wait", wait}});
}

bool HeadlessPrograms::Execute(const std::string& program, const std::string& arguments,
                               bool wait) {
    // The command line as the games' system builds it (without the data folder): the program,
    // one space and the argument text.
    Record(program + " " + arguments, wait);
    return starter_ == nullptr || starter_->Execute(program, arguments, wait);
}

bool HeadlessPrograms::ShellExecute(const std::string& file, const std::string& parameters) {
    Record(file + " " + parameters, false);
    return starter_ == nullptr || starter_->ShellExecute(file, parameters);
}

} // namespace velkaro
