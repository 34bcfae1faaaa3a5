#include "ScratchFolder.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace {

fs::path g_made;

void RemoveMade()
{
    std::error_code ignored;
    if (!g_made.empty())
        fs::remove_all(g_made, ignored);
}

} // namespace

fs::path FuzzScratchFolder(const char* target)
{
    fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    fs::path folder = base / ("dravik-fuzz-" + std::string(target) + "-" + std::to_string(getpid()));
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    fs::create_directories(folder);
    if (g_made.empty()) {
        g_made = folder;
        std::atexit(RemoveMade);
    }
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
