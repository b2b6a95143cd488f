#include "WriteFence.h"

#include <linux/landlock.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <system_error>

namespace velkaro::fuzz {
namespace {

// Newer than some kernel headers.
constexpr std::uint64_t kTruncate = 1ULL << 14; // Landlock ABI 3

[[noreturn]] void Die(const std::string& what) {
    std::fprintf(stderr, "fuzz: cannot keep game code's writes in the scratch folder: %s (%s)\n",
                 what.c_str(), std::strerror(errno));
    std::abort();
}

// A file descriptor closed with its owner.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

} // namespace

ScratchFolder::ScratchFolder(std::filesystem::path path) : path_(std::move(path)) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

void ScratchFolder::Empty() const {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(path_, error)) {
        std::filesystem::remove_all(entry.path(), error);
    }
}

std::filesystem::path ScratchPathFor(const std::string& name) {
    return std::filesystem::temp_directory_path() /
           ("velkaro-" + name + "-" + std::to_string(getpid()));
}

std::vector<std::filesystem::path> FuzzerOutputFolders(int argc, char** argv) {
    std::vector<std::filesystem::path> folders;
    const auto folderOf = [](const std::string& prefix) {
        const std::filesystem::path folder = std::filesystem::path(prefix).parent_path();
        return folder.empty() ? std::filesystem::path(".") : folder;
    };
    bool artifactsNamed = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        for (const std::string option : {"-artifact_prefix=", "-exact_artifact_path="}) {
            if (arg.starts_with(option)) {
                folders.push_back(folderOf(arg.substr(option.size())));
                artifactsNamed = true;
            }
        }
        std::error_code error;
        if (!arg.starts_with("-") && std::filesystem::is_directory(arg, error)) {
            folders.emplace_back(arg);
        }
    }
    if (!artifactsNamed) {
        folders.emplace_back(".");
    }
    return folders;
}

void FenceWritesOrDie(const std::vector<std::filesystem::path>& writable) {
    const long abi =
        syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    if (abi < 1) {
        Die("the kernel has no Landlock");
    }
    std::uint64_t writes = LANDLOCK_ACCESS_FS_WRITE_FILE | LANDLOCK_ACCESS_FS_REMOVE_DIR |
                           LANDLOCK_ACCESS_FS_REMOVE_FILE | LANDLOCK_ACCESS_FS_MAKE_CHAR |
                           LANDLOCK_ACCESS_FS_MAKE_DIR | LANDLOCK_ACCESS_FS_MAKE_REG |
                           LANDLOCK_ACCESS_FS_MAKE_SOCK | LANDLOCK_ACCESS_FS_MAKE_FIFO |
                           LANDLOCK_ACCESS_FS_MAKE_BLOCK | LANDLOCK_ACCESS_FS_MAKE_SYM;
    if (abi >= 2) {
        writes |= LANDLOCK_ACCESS_FS_REFER;
    }
    if (abi >= 3) {
        writes |= kTruncate;
    }
    landlock_ruleset_attr ruleset{};
    ruleset.handled_access_fs = writes;
    const Descriptor rules(
        static_cast<int>(syscall(SYS_landlock_create_ruleset, &ruleset, sizeof ruleset, 0)));
    if (rules.Get() < 0) {
        Die("no Landlock rule set");
    }
    for (const std::filesystem::path& folder : writable) {
        const Descriptor fd(open(folder.c_str(), O_PATH | O_CLOEXEC));
        if (fd.Get() < 0) {
            Die("cannot open " + folder.string());
        }
        landlock_path_beneath_attr beneath{};
        beneath.allowed_access = writes;
        beneath.parent_fd = fd.Get();
        if (syscall(SYS_landlock_add_rule, rules.Get(), LANDLOCK_RULE_PATH_BENEATH, &beneath, 0) !=
            0) {
            Die("no rule for " + folder.string());
        }
    }
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        Die("no no_new_privs");
    }
    if (syscall(SYS_landlock_restrict_self, rules.Get(), 0) != 0) {
        Die("the rule set does not take");
    }
}

} // namespace velkaro::fuzz
