#include "TestSupport.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

CScratchDir::CScratchDir()
{
    static unsigned counter = 0;
    std::random_device entropy;
    fs::path base = fs::temp_directory_path();
    do {
        m_path = base / ("dravik-test-" + std::to_string(entropy()) + "-" + std::to_string(++counter));
    } while (fs::exists(m_path));
    fs::create_directories(m_path);
}

CScratchDir::~CScratchDir()
{
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

std::string ReadFileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFileBytes(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string RandomBytes(size_t count, uint32_t seed)
{
    std::mt19937 generator(seed);
    std::string bytes(count, '\0');
    for (char& c : bytes)
        c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

CSmallDisk::CSmallDisk(unsigned kibibytes) : m_mounted(false)
{
#ifndef _WIN32
    std::string command = "mount -t tmpfs -o size=" + std::to_string(kibibytes) + "k tmpfs '" +
                          m_dir.Path().string() + "' 2>/dev/null";
    m_mounted = std::system(command.c_str()) == 0;
#else
    (void)kibibytes;
#endif
}

CSmallDisk::~CSmallDisk()
{
#ifndef _WIN32
    if (m_mounted) {
        std::string command = "umount '" + m_dir.Path().string() + "'";
        if (std::system(command.c_str()) != 0)
            std::system(("umount -l '" + m_dir.Path().string() + "'").c_str());
    }
#endif
}
