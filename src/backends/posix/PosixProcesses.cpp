#include "backends/posix/PosixProcesses.h"

#include "base/AnsiText.h"
#include "base/ArgumentSplitting.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

namespace velkaro {
namespace {

constexpr auto kWaitPoll = std::chrono::milliseconds(10);

// The parts of a posix_spawn call, released however the call ends.
class SpawnSetup {
public:
    SpawnSetup() {
        ready_ = posix_spawn_file_actions_init(&actions_) == 0;
        if (ready_ && posix_spawnattr_init(&attributes_) != 0) {
            posix_spawn_file_actions_destroy(&actions_);
            ready_ = false;
        }
    }
    ~SpawnSetup() {
        if (ready_) {
            posix_spawnattr_destroy(&attributes_);
            posix_spawn_file_actions_destroy(&actions_);
        }
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // The child's standard files, working folder and signals, as PosixProcesses describes.
    bool Prepare(const std::string& workingFolder) {
        if (!ready_) {
            return false;
        }
        sigset_t noSignals;
        sigemptyset(&noSignals);
        sigset_t everySignal;
        sigfillset(&everySignal);
        sigdelset(&everySignal, SIGKILL);
        sigdelset(&everySignal, SIGSTOP);
        return posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY,
                                                0) == 0 &&
               posix_spawn_file_actions_adddup2(&actions_, STDERR_FILENO, STDOUT_FILENO) == 0 &&
               posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1) == 0 &&
               posix_spawn_file_actions_addchdir_np(&actions_, workingFolder.c_str()) == 0 &&
               posix_spawnattr_setsigmask(&attributes_, &noSignals) == 0 &&
               posix_spawnattr_setsigdefault(&attributes_, &everySignal) == 0 &&
               posix_spawnattr_setflags(&attributes_,
                                        POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0;
    }

    const posix_spawn_file_actions_t* Actions() const { return &actions_; }
    const posix_spawnattr_t* Attributes() const { return &attributes_; }

private:
    bool ready_ = false;
    posix_spawn_file_actions_t actions_{};
    posix_spawnattr_t attributes_{};
};

// A thread of its own waits for the child and then ends, so that the child does not stay a
// zombie. Reaping by SIGCHLD would change the signal handling of the whole program and of the
// libraries in it; a double fork cannot be done safely in a program with threads. When no
// thread can be made, the child stays a zombie until we end.
void ReapWhenEnded(pid_t child) {
    try {
        std::thread([child] {
            int status = 0;
            while (waitpid(child, &status, 0) == -1 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
    }
}

std::optional<std::filesystem::path> AbsolutePath(const std::filesystem::path& path) {
    std::error_code error;
    auto absolute = std::filesystem::absolute(path, error);
    if (error) {
        return std::nullopt;
    }
    return absolute;
}

} // namespace

PosixProcesses::PosixProcesses(Files files, std::function<void()> serveWindow,
                               std::function<bool()> giveUp, std::string opener)
    : files_(std::move(files)), serveWindow_(std::move(serveWindow)), giveUp_(std::move(giveUp)),
      opener_(std::move(opener)) {}

bool PosixProcesses::Execute(const std::string& program, const std::string& arguments, bool wait) {
    if (files_.DataFolder().empty()) {
        return false;
    }
    // Absolute, since the child looks for it after moving into the data folder.
    const auto path = AbsolutePath(files_.Resolve(program));
    if (!path) {
        return false;
    }
    std::vector<std::string> utf8Arguments;
    for (const std::string& argument : SplitArguments(arguments)) {
        utf8Arguments.push_back(AnsiToUtf8(argument));
    }
    const auto child = Spawn(path->string(), utf8Arguments, false);
    if (!child) {
        return false;
    }
    if (wait) {
        WaitFor(*child);
    } else {
        ReapWhenEnded(*child);
    }
    return true;
}

bool PosixProcesses::ShellExecute(const std::string& file, const std::string& /*parameters*/) {
    if (files_.DataFolder().empty()) {
        return false;
    }
    std::error_code error;
    const std::filesystem::path path = files_.Resolve(file);
    std::string target;
    if (std::filesystem::exists(path, error)) {
        const auto absolute = AbsolutePath(path);
        if (!absolute) {
            return false;
        }
        target = absolute->string();
    } else if (file.find(':') != std::string::npos) {
        // Not a file but an address with a scheme (mailto:...): the desktop knows what opens
        // it. The folder rule has already refused anything with a slash.
        target = AnsiToUtf8(file);
    } else {
        return false;
    }
    const auto child = Spawn(opener_, {target}, true);
    if (!child) {
        return false;
    }
    ReapWhenEnded(*child);
    return true;
}

std::optional<pid_t> PosixProcesses::Spawn(const std::string& program,
                                           const std::vector<std::string>& args,
                                           bool searchPath) const {
    const auto folder = AbsolutePath(files_.DataFolder());
    SpawnSetup setup;
    if (!folder || !setup.Prepare(folder->string())) {
        return std::nullopt;
    }
    std::vector<std::string> strings;
    strings.push_back(program);
    strings.insert(strings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& text : strings) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);

    pid_t child = 0;
    const int error = searchPath ? posix_spawnp(&child, program.c_str(), setup.Actions(),
                                                setup.Attributes(), argv.data(), environ)
                                 : posix_spawn(&child, program.c_str(), setup.Actions(),
                                               setup.Attributes(), argv.data(), environ);
    if (error != 0) {
        return std::nullopt;
    }
    return child;
}

void PosixProcesses::WaitFor(pid_t child) const {
    for (;;) {
        int status = 0;
        const pid_t ended = waitpid(child, &status, WNOHANG);
        if (ended == child || (ended == -1 && errno != EINTR)) {
            return;
        }
        if (serveWindow_) {
            serveWindow_();
        }
        if (giveUp_ && giveUp_()) {
            ReapWhenEnded(child);
            return;
        }
        std::this_thread::sleep_for(kWaitPoll);
    }
}

} // namespace velkaro
