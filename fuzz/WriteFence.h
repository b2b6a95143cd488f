#pragma once

// What the fuzz targets that run game code write is kept to a scratch folder. Game code may
// name any path for its files (an absolute one, or one climbing out with ".."), and a fuzzer
// soon invents such names; the process may moreover run as a user who can write anywhere. So
// before the first input the process fences itself in with Landlock: from then on it can
// create, change, rename or remove files only beneath the scratch folder and the folders
// libFuzzer writes to (its corpus folders and the folder of its artifacts). Reading stays
// allowed everywhere.

#include <filesystem>
#include <string>
#include <vector>

namespace velkaro::fuzz {

// A folder of the process's own, emptied before each input, that game code may write to.
class ScratchFolder {
public:
    // Makes `path` (removing what it held). The folder is removed again with this object.
    explicit ScratchFolder(std::filesystem::path path);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // Removes everything in the folder.
    void Empty() const;

private:
    std::filesystem::path path_;
};

// A new scratch folder for the fuzzer `name`, in the system's temporary folder, named with the
// process id so that fuzzers running side by side keep apart.
std::filesystem::path ScratchPathFor(const std::string& name);

// The folders libFuzzer writes to, from its command line: the folders among the arguments
// that are not options (the corpus folders), and the folders of -artifact_prefix and
// -exact_artifact_path (the current folder when they are not given).
std::vector<std::filesystem::path> FuzzerOutputFolders(int argc, char** argv);

// Allows writing from now on only beneath `writable` (folders that exist). Ends the process
// with a message when the kernel cannot fence it in: running game code unfenced could damage
// the machine.
void FenceWritesOrDie(const std::vector<std::filesystem::path>& writable);

} // namespace velkaro::fuzz
