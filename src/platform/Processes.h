#pragma once

#include <string>

namespace velkaro {

// Other programs, started for the game from its data folder.
class ProgramService {
public:
    virtual ~ProgramService() = default;

    // Starts `program` (a name in the data folder) with the argument text; when `wait`, returns
    // once it has ended. False when it could not be started.
    virtual bool Execute(const std::string& program, const std::string& arguments, bool wait) = 0;
    // Opens `file` with the desktop's program for it. False when that failed.
    virtual bool ShellExecute(const std::string& file, const std::string& parameters) = 0;
};

} // namespace velkaro
