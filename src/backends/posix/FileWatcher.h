#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace velkaro {

// A folder to watch, with or without the folders inside it.
struct WatchedFolder {
    std::filesystem::path folder;
    bool recursive = false;
};

// Tells a game author's player which files changed while a game plays (`--watch`), through
// Linux inotify.
//
// Every way an editor saves is seen: a file written in place shows when it is closed, a
// temporary renamed over a file as the file moved in, a file deleted and made again as both.
// A file written by a program that keeps it open shows only when it is closed. Files made
// without being written (links) are not reported; the folders that hold them are watched all
// the same. Folders whose names start with "." are not watched when recursing (version
// control and editors keep their own files there), and at most kMaxWatches folders are
// watched, so that a game kept in a huge folder cannot use up the system's inotify watches; a
// folder beyond that is skipped, as are links to folders. One of the folders given that is
// moved away or deleted is reported and not watched again, even when it comes back.
class FileWatcher {
public:
    using Changed = std::function<void(std::vector<std::filesystem::path> paths)>;

    static constexpr std::size_t kMaxWatches = 4096;
    // Changes that never settle (a program writing every few milliseconds) are reported at
    // the latest this long after the first of them, so that a save still shows.
    static constexpr std::chrono::milliseconds kLongestWait{1000};

    // Starts watching at once, on a thread of its own. `changed` runs on that thread with the
    // paths that changed (a file created, written and closed, moved in or out, deleted; a
    // folder created or deleted), each once, in the order first seen, after the changes have
    // settled: `quietMs` with no further change. Folders created later inside a recursive
    // folder are watched too (and files already in them when they are noticed count as
    // changed). Folders that do not exist are skipped. When the system loses events (its
    // queue overflowed) the watched folders themselves are reported. Throws
    // std::runtime_error with the reason when inotify cannot be set up.
    //
    // `changed` must return soon, must not throw and must not wait for the thread that destroys
    // the watcher: the destructor waits for a call in progress to end.
    FileWatcher(std::vector<WatchedFolder> folders, Changed changed, int quietMs = 100);
    // Stops the thread and joins it; `changed` is not called any more afterwards. Never call
    // it from inside `changed`.
    ~FileWatcher();
    FileWatcher(const FileWatcher&) = delete;
    FileWatcher& operator=(const FileWatcher&) = delete;

    // How many folders are watched now.
    std::size_t WatchCount() const { return watchCount_.load(); }

private:
    // An open file descriptor, closed with its owner.
    class Descriptor {
    public:
        explicit Descriptor(int fd) : fd_(fd) {}
        ~Descriptor();
        Descriptor(const Descriptor&) = delete;
        Descriptor& operator=(const Descriptor&) = delete;
        int Get() const { return fd_; }

    private:
        int fd_;
    };

    struct Watch {
        std::filesystem::path folder;
        bool recursive = false;
    };

    using Clock = std::chrono::steady_clock;

    void Run();
    // Watches `folder` and, when `recursive`, the folders below it. With `reportContents` the
    // files and folders already there count as changed (a folder that appeared while we
    // watched: its files may have been written before its watch existed).
    void WatchTree(const std::filesystem::path& folder, bool recursive, bool reportContents);
    bool AddWatch(const std::filesystem::path& folder, bool recursive);
    // Stops watching `folder` and everything below it.
    void Unwatch(const std::filesystem::path& folder);
    // Reads what inotify has; false when it can no longer be read.
    bool ReadEvents();
    void Handle(int wd, std::uint32_t mask, const char* name);
    void Note(const std::filesystem::path& path);
    // How long poll may wait: until the pending changes have settled, or for ever.
    int Timeout() const;
    void Report();

    std::vector<WatchedFolder> roots_;
    Changed changed_;
    std::chrono::milliseconds quiet_;
    Descriptor inotify_;
    Descriptor wake_;
    // Touched only by the constructor, before the thread starts, and then by the thread.
    std::unordered_map<int, Watch> watches_;
    std::vector<std::filesystem::path> pending_;
    std::unordered_set<std::string> pendingNames_;
    Clock::time_point firstChange_;
    Clock::time_point lastChange_;
    std::atomic<std::size_t> watchCount_ = 0;
    std::atomic<bool> stopping_ = false;
    std::thread thread_;
};

} // namespace velkaro
