#include "Platform.h"

#include <windows.h>

#include <stdarg.h>

#include <conio.h>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

bool PlatformHasDrives() { return true; }

bool PlatformAddsExeExtension() { return true; }

FILE* PlatformOpenShared(const char* path, const char* mode, ShareMode share)
{
    int flag = _SH_DENYNO;
    switch (share) {
    case kShareDenyRead: flag = _SH_DENYRD; break;
    case kShareDenyWrite: flag = _SH_DENYWR; break;
    case kShareDenyReadWrite: flag = _SH_DENYRW; break;
    default: break;
    }
    return _fsopen(path, mode, flag);
}

FILE* PlatformDupStream(FILE* file, const char* mode)
{
    if (!file)
        return nullptr;
    int fd = _dup(_fileno(file));
    if (fd < 0)
        return nullptr;
    FILE* copy = _fdopen(fd, mode);
    if (!copy)
        _close(fd);
    return copy;
}

int PlatformSeek(FILE* file, int64_t offset, int origin)
{
    return _fseeki64(file, offset, origin);
}

int64_t PlatformTell(FILE* file)
{
    return _ftelli64(file);
}

bool PlatformIsFile(const char* path)
{
    if (!path || !*path)
        return false;
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool PlatformIsRegularFile(const char* path)
{
    if (!PlatformIsFile(path))
        return false;
    // Device names (NUL, CON, COM1, a pipe) pass the attribute test: ask the
    // opened handle what it is.
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool disk = GetFileType(file) == FILE_TYPE_DISK;
    CloseHandle(file);
    return disk;
}

namespace {

// The volume and index that identify a file, whatever its path says.
bool FileIdentity(const char* path, BY_HANDLE_FILE_INFORMATION& info)
{
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    return ok;
}

} // namespace

bool PlatformSameFile(const char* a, const char* b)
{
    BY_HANDLE_FILE_INFORMATION first, second;
    return FileIdentity(a, first) && FileIdentity(b, second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}

FILE* PlatformCreateNew(const char* path)
{
    int fd = _open(path, _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0)
        return nullptr;
    FILE* file = _fdopen(fd, "w+b");
    if (!file)
        _close(fd);
    return file;
}

// rename() on Windows refuses to replace an existing file.
bool PlatformReplaceFile(const char* from, const char* to)
{
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

uint64_t PlatformFreeSpace(const char* where)
{
    // A null root asks for the drive of the current folder. The figure is
    // what this user may still write (quotas count), not the drive's free
    // space.
    ULARGE_INTEGER available, total;
    if (!GetDiskFreeSpaceExA(where && *where ? where : nullptr, &available, &total, nullptr) ||
        total.QuadPart == 0)
        return kFreeSpaceUnknown;
    return available.QuadPart;
}

uint64_t PlatformReclaimableSize(const char* path)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!path || !*path || !FileIdentity(path, info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || info.nNumberOfLinks != 1)
        return 0;
    return static_cast<uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
}

bool PlatformModulePath(char* buffer, unsigned size)
{
    if (size == 0)
        return false;
    DWORD n = GetModuleFileNameA(GetModuleHandleA(nullptr), buffer, size);
    // A path that does not fit comes back cut at size - 1 characters.
    if (n == 0 || n >= size) {
        buffer[0] = '\0';
        return false;
    }
    return true;
}

namespace {

// True when the process has a console to read keys from. _getch reads the
// console itself (CONIN$), not standard input, so a redirected input still
// leaves the user a keyboard. Started from a GUI parent or detached, the
// process has no console at all, and _getch would wait forever.
bool HasConsoleInput()
{
    HANDLE input = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                               nullptr);
    if (input == INVALID_HANDLE_VALUE)
        return false;
    DWORD mode;
    bool console = GetConsoleMode(input, &mode) != 0;
    CloseHandle(input);
    return console;
}

} // namespace

int PlatformReadKey()
{
    if (!HasConsoleInput())
        return -1;
    int key = _getch();
    // Function and arrow keys arrive as a prefix (0 or 0xE0) and a second
    // code that may look like a letter (F7 gives 'A'): the pair reads as one
    // code above 255. 0xE0 is also a plain character in some code pages;
    // only a pair has its second code waiting already.
    if (key == 0 || (key == 0xE0 && _kbhit()))
        return 0x100 | _getch();
    return key;
}

void PlatformPutChar(int c)
{
    _putch(c);
}

void PlatformPutText(const char* text)
{
    if (text && HasConsoleInput())
        _cputs(text);
}

bool PlatformHasTerminal()
{
    return HasConsoleInput();
}

bool PlatformIsTerminal(FILE* stream)
{
    return stream && _isatty(_fileno(stream));
}

// msvcrt's _vsnprintf: it leaves the buffer unterminated when the text does
// not fit, hence the last byte.
void PlatformFormat(char* buffer, unsigned size, const char* format, ...)
{
    if (size == 0)
        return;
    va_list args;
    va_start(args, format);
    _vsnprintf(buffer, size, format, args);
    va_end(args);
    buffer[size - 1] = '\0';
}

void PlatformCopyMode(const char*, const char*)
{
}
