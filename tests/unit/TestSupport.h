// Helpers shared by the unit tests: scratch folders, whole-file reads and
// writes, reproducible random bytes, and a small file system that fills up.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class CScratchDir {
public:
    CScratchDir();
    ~CScratchDir();
    const fs::path& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }

private:
    fs::path m_path;
};

std::string ReadFileBytes(const fs::path& path);
void WriteFileBytes(const fs::path& path, const std::string& bytes);
std::string RandomBytes(size_t count, uint32_t seed);

// A tmpfs of `kibibytes` mounted on a scratch folder, for tests that need a
// disk that really fills up. Mounted() is false where mounting is not allowed
// (not root, no tmpfs, Windows); such tests skip.
class CSmallDisk {
public:
    explicit CSmallDisk(unsigned kibibytes);
    ~CSmallDisk();
    bool Mounted() const { return m_mounted; }
    std::string operator/(const std::string& name) const { return m_dir / name; }
    const fs::path& Path() const { return m_dir.Path(); }

private:
    CScratchDir m_dir;
    bool m_mounted;
};
