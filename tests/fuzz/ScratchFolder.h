// A folder of the fuzz run's own, in memory where the system offers it
// (/dev/shm), so that a hundred thousand runs do not wear a disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>

namespace fs = std::filesystem;

// A fresh folder named after the target and the process; removed at exit.
fs::path FuzzScratchFolder(const char* target);

void WriteBytes(const fs::path& path, const uint8_t* data, size_t size);
std::string ReadBytes(const fs::path& path);

// Names of the entries of a folder, and of everything below it.
std::set<std::string> ListTree(const fs::path& folder);
