#include "ScratchFolder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include <signal.h>
#include <unistd.h>

namespace {

std::vector<fs::path>& Made()
{
    static std::vector<fs::path> made;
    return made;
}

void RemoveMade()
{
    std::error_code ignored;
    for (const fs::path& folder : Made())
        fs::remove_all(folder, ignored);
}

// Folders of runs that ended without cleaning up (a crash, a kill): named
// after a process that is gone.
void RemoveStale(const fs::path& base)
{
    std::error_code error;
    for (auto it = fs::directory_iterator(base, error); !error && it != fs::directory_iterator();
         it.increment(error)) {
        std::string name = it->path().filename().string();
        size_t dash = name.rfind('-');
        if (name.rfind("dravik-fuzz-", 0) != 0 || dash == std::string::npos)
            continue;
        long pid = std::strtol(name.c_str() + dash + 1, nullptr, 10);
        if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            std::error_code ignored;
            fs::remove_all(it->path(), ignored);
        }
    }
}

} // namespace

fs::path FuzzScratchFolder(const char* target)
{
    fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    if (Made().empty()) {
        RemoveStale(base);
        std::atexit(RemoveMade);
    }
    fs::path folder = base / ("dravik-fuzz-" + std::string(target) + "-" + std::to_string(getpid()));
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    fs::create_directories(folder);
    Made().push_back(folder);
    return folder;
}

void WriteBytes(const fs::path& path, const uint8_t* data, size_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || (size && std::fwrite(data, 1, size, file) != size) || std::fclose(file) != 0) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::abort();
    }
}

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::set<std::string> ListTree(const fs::path& folder)
{
    std::set<std::string> names;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error))
        names.insert(fs::relative(it->path(), folder).string());
    return names;
}
