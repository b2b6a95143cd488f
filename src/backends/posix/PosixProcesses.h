#pragma once

#include "base/Files.h"
#include "platform/Processes.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace velkaro {

// Starts the programs a game asks for, on a desktop (and in `qvf run --allow-execute`).
//
// A program is a name in the data folder, found as every name of a game is (Files: "\" as
// "/", letter case ignored when the exact name does not exist). It is started directly with
// posix_spawn, never through a shell, with the data folder as its working directory and the
// argument text split as SplitArguments says (converted from Windows-1252 to UTF-8). The
// started program gets its standard input from /dev/null, writes its standard output and
// errors to our standard error (the headless runner keeps standard output for its
// transcript), inherits no other open file and has the default signal handling.
//
// A program the game waits for is waited for here, polling its end every 10 ms and calling
// `serveWindow` in between, so that the window keeps being painted and answered while no step
// runs. When `giveUp` answers true (the player closed the window, a headless run's time is up)
// the wait ends at once and the program runs on, reaped when it ends. A program the game does not
// wait for is reaped by a thread of its own that waits for its end and then ends: no started
// program stays behind as a zombie while the player runs, and none is killed or waited for when the
// game ends (it simply outlives us).
//
// Opening a file with the desktop's program for it runs `opener` (xdg-open) with the file.
// xdg-open takes a file or URL and nothing else, so the parameters are dropped. Whether the
// desktop then finds a program for the file is not waited for (xdg-open may run that program
// in its place); the request fails when the file does not exist or the opener cannot start.
class PosixProcesses final : public ProgramService {
public:
    explicit PosixProcesses(Files files, std::function<void()> serveWindow = {},
                            std::function<bool()> giveUp = {}, std::string opener = "xdg-open");

    bool Execute(const std::string& program, const std::string& arguments, bool wait) override;
    bool ShellExecute(const std::string& file, const std::string& parameters) override;

private:
    // The started process, or none when it could not be started. `searchPath` looks the
    // program up in PATH when its name has no "/".
    std::optional<pid_t> Spawn(const std::string& program, const std::vector<std::string>& args,
                               bool searchPath) const;
    void WaitFor(pid_t child) const;

    Files files_;
    std::function<void()> serveWindow_;
    std::function<bool()> giveUp_;
    std::string opener_;
};

} // namespace velkaro
