#pragma once

#include "backends/headless/Transcript.h"
#include "platform/Processes.h"

#include <string>

namespace velkaro {

// The programs of a headless run: each request is written to the transcript as an `execute`
// line, {"command": program and arguments as the command line, "wait": true/false}; a file
// opened with the desktop's program is written the same way, never waited for. Nothing is
// started unless the run was given a service that really starts programs (`qvf run
// --allow-execute`); the request is then passed on and its answer returned. Without one every
// request counts as started, so the game goes on as it would when the program ran.
class HeadlessPrograms final : public ProgramService {
public:
    explicit HeadlessPrograms(Transcript& transcript, ProgramService* starter = nullptr)
        : transcript_(transcript), starter_(starter) {}

    bool Execute(const std::string& program, const std::string& arguments, bool wait) override;
    bool ShellExecute(const std::string& file, const std::string& parameters) override;

private:
    void Record(const std::string& command, bool wait);

    Transcript& transcript_;
    ProgramService* starter_;
};

} // namespace velkaro
