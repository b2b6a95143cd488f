#include "backends/posix/FileWatcher.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace velkaro {
namespace {

// What a watched folder tells. IN_MODIFY is left out on purpose: it comes with every chunk
// written, and the close that ends the writing says the same once. IN_CREATE is only acted on
// for folders; a new file shows when it is closed after writing.
constexpr std::uint32_t kEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE |
                                  IN_DELETE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR |
                                  IN_EXCL_UNLINK;

int Opened(int fd, const char* what) {
    if (fd < 0) {
        throw std::runtime_error(std::string("cannot watch files: ") + what + ": " +
                                 std::generic_category().message(errno));
    }
    return fd;
}

bool Hidden(const std::filesystem::path& path) {
    return path.filename().native().starts_with('.');
}

// `path` is `folder` or lies below it.
bool Within(const std::filesystem::path& path, const std::filesystem::path& folder) {
    const std::string& text = path.native();
    const std::string& prefix = folder.native();
    return text.starts_with(prefix) &&
           (text.size() == prefix.size() || prefix.ends_with('/') || text[prefix.size()] == '/');
}

} // namespace

FileWatcher::Descriptor::~Descriptor() {
    if (fd_ >= 0) {
        // Not retried on EINTR: Linux has closed the descriptor even then.
        close(fd_);
    }
}

FileWatcher::FileWatcher(std::vector<WatchedFolder> folders, Changed changed, int quietMs)
    : roots_(std::move(folders)), changed_(std::move(changed)), quiet_(std::max(quietMs, 0)),
      inotify_(Opened(inotify_init1(IN_NONBLOCK | IN_CLOEXEC), "inotify")),
      wake_(Opened(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC), "eventfd")) {
    // The watches exist before the constructor returns, so that nothing saved after it is missed.
    for (const WatchedFolder& root : roots_) {
        WatchTree(root.folder, root.recursive, false);
    }
    thread_ = std::thread(&FileWatcher::Run, this);
}

FileWatcher::~FileWatcher() {
    stopping_ = true;
    const std::uint64_t one = 1;
    while (write(wake_.Get(), &one, sizeof one) < 0 && errno == EINTR) {
    }
    if (thread_.joinable()) {
        thread_.join();
    }
}

void FileWatcher::Run() {
    pollfd polled[2] = {{inotify_.Get(), POLLIN, 0}, {wake_.Get(), POLLIN, 0}};
    while (!stopping_) {
        if (poll(polled, 2, Timeout()) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (polled[1].revents != 0) {
            return;
        }
        // One read per wake-up, so that a flood of events cannot keep the stop request waiting.
        if (polled[0].revents != 0 && !ReadEvents()) {
            return;
        }
        if (!pending_.empty() && Timeout() == 0) {
            Report();
        }
    }
}

void FileWatcher::WatchTree(const std::filesystem::path& top, bool recursive, bool reportContents) {
    std::vector<std::filesystem::path> folders{top};
    while (!folders.empty()) {
        const std::filesystem::path folder = std::move(folders.back());
        folders.pop_back();
        // Watched before it is listed: a file made in between is then listed, seen, or both.
        if (!AddWatch(folder, recursive) || !recursive) {
            continue;
        }
        std::error_code error;
        for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
             entry.increment(error)) {
            if (reportContents) {
                Note(entry->path());
            }
            // symlink_status: a link to a folder is not followed, so that no link makes a loop.
            std::error_code typeError;
            if (entry->symlink_status(typeError).type() == std::filesystem::file_type::directory &&
                !Hidden(entry->path())) {
                folders.push_back(entry->path());
            }
        }
    }
}

bool FileWatcher::AddWatch(const std::filesystem::path& folder, bool recursive) {
    if (watches_.size() >= kMaxWatches) {
        return false;
    }
    const int wd = inotify_add_watch(inotify_.Get(), folder.c_str(), kEvents);
    if (wd < 0) {
        return false;
    }
    // The same folder named twice (two roots, one inside the other) has one watch; it recurses
    // when either asked for that.
    const auto [watch, added] = watches_.try_emplace(wd, Watch{folder, recursive});
    if (!added) {
        watch->second.recursive = watch->second.recursive || recursive;
    }
    watchCount_ = watches_.size();
    return true;
}

void FileWatcher::Unwatch(const std::filesystem::path& folder) {
    std::erase_if(watches_, [&](const auto& watch) {
        if (!Within(watch.second.folder, folder)) {
            return false;
        }
        inotify_rm_watch(inotify_.Get(), watch.first);
        return true;
    });
    watchCount_ = watches_.size();
}

bool FileWatcher::ReadEvents() {
    alignas(inotify_event) char buffer[16 * 1024];
    ssize_t got = 0;
    do {
        got = read(inotify_.Get(), buffer, sizeof buffer);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        return errno == EAGAIN;
    }
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
        inotify_event event;
        std::memcpy(&event, buffer + at, sizeof event);
        const char* name = buffer + at + sizeof event;
        Handle(event.wd, event.mask, event.len > 0 ? name : "");
        at += static_cast<ssize_t>(sizeof event + event.len);
    }
    return got > 0;
}

void FileWatcher::Handle(int wd, std::uint32_t mask, const char* name) {
    if ((mask & IN_Q_OVERFLOW) != 0) {
        // Which changes were lost cannot be known: the whole of every folder may have changed,
        // and folders made meanwhile are looked for again.
        for (const WatchedFolder& root : roots_) {
            Note(root.folder);
            if (root.recursive) {
                WatchTree(root.folder, true, false);
            }
        }
        return;
    }
    const auto found = watches_.find(wd);
    if (found == watches_.end()) {
        return; // a watch already given up; the kernel still had events of it queued
    }
    // A copy: the watches may change below.
    const Watch watch = found->second;
    if ((mask & IN_IGNORED) != 0) {
        watches_.erase(found);
        watchCount_ = watches_.size();
        return;
    }
    if ((mask & (IN_DELETE_SELF | IN_MOVE_SELF)) != 0) {
        // A folder inside a watched one is reported by the folder that held it; only a root
        // that goes has nobody else to report it.
        if (std::ranges::any_of(roots_,
                                [&](const auto& root) { return root.folder == watch.folder; })) {
            Note(watch.folder);
        }
        Unwatch(watch.folder);
        return;
    }
    const std::filesystem::path path = watch.folder / name;
    if ((mask & IN_ISDIR) != 0) {
        if ((mask & (IN_DELETE | IN_MOVED_FROM)) != 0) {
            Unwatch(path);
        }
        Note(path);
        if ((mask & (IN_CREATE | IN_MOVED_TO)) != 0 && watch.recursive && !Hidden(path)) {
            WatchTree(path, true, true);
        }
        return;
    }
    if ((mask & (IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE)) != 0) {
        Note(path);
    }
}

void FileWatcher::Note(const std::filesystem::path& path) {
    const Clock::time_point now = Clock::now();
    if (pending_.empty()) {
        firstChange_ = now;
    }
    lastChange_ = now;
    if (pendingNames_.insert(path.native()).second) {
        pending_.push_back(path);
    }
}

int FileWatcher::Timeout() const {
    if (pending_.empty()) {
        return -1;
    }
    const Clock::time_point settled =
        std::min(lastChange_ + quiet_, firstChange_ + std::max(quiet_, kLongestWait));
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(settled - Clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

void FileWatcher::Report() {
    std::vector<std::filesystem::path> paths = std::move(pending_);
    pending_.clear();
    pendingNames_.clear();
    // The destructor may have begun while the changes settled; it waits for us, not for them.
    if (!stopping_ && changed_) {
        changed_(std::move(paths));
    }
}

} // namespace velkaro
