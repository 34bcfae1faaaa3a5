// The few operating-system calls the portable code needs. One header, one
// implementation per system (PlatformPosix.cpp, PlatformWin32.cpp), chosen at
// build time. Nothing outside this folder includes an OS header.
#pragma once

#include <cstdint>
#include <cstdio>

// Path rules of the running system: Windows knows drive letters and takes
// both separators; POSIX has only '/'.
bool PlatformHasDrives();

// What a shared open denies the file's other opens while it is open.
enum ShareMode : int {
    kShareDenyNone = 0,
    kShareDenyRead = 1,
    kShareDenyWrite = 2,
    kShareDenyReadWrite = 3,
};

// Opens `path` with the C library `mode`, denying others access as `share`
// says (any other value denies nothing). POSIX has no mandatory locks, so
// there the share mode is ignored.
FILE* PlatformOpenShared(const char* path, const char* mode, ShareMode share);

// A second C stream on a duplicate of `file`'s descriptor. The two share the
// operating-system file position, as a duplicated handle does on Windows.
FILE* PlatformDupStream(FILE* file, const char* mode);

// 64-bit positioning; origin is SEEK_SET, SEEK_CUR or SEEK_END.
// PlatformSeek returns 0 on success; PlatformTell returns -1 on failure.
int PlatformSeek(FILE* file, int64_t offset, int origin);
int64_t PlatformTell(FILE* file);

// True when `path` names an existing entry that is not a directory.
bool PlatformIsFile(const char* path);

// True when `path`, after following links, names a regular file: not a
// folder, device, pipe or socket. Such a file has a size and ends; opening
// a pipe for reading waits for a writer, and a device may never end.
bool PlatformIsRegularFile(const char* path);

// True when both paths name one existing file (also through another
// spelling, a link or another folder name).
bool PlatformSameFile(const char* a, const char* b);

// Creates `path` for reading and writing ("wb+") only when no file of that
// name exists; null when one does or the creation fails.
FILE* PlatformCreateNew(const char* path);

// Renames `from` to `to`, replacing a file `to` that exists. False when it
// fails (a folder named `to`, another volume, no rights).
bool PlatformReplaceFile(const char* from, const char* to);

// Free bytes on the file system that holds `where`: a drive root on Windows,
// a directory on POSIX; empty or null means the current one. On Windows the
// bytes available to this user (quotas count), not the whole drive's.
// kFreeSpaceUnknown when the query fails (the folder does not exist yet) or
// the file system tells no size at all (zero total blocks: some network
// file systems, an unlimited tmpfs).
constexpr uint64_t kFreeSpaceUnknown = UINT64_MAX;
uint64_t PlatformFreeSpace(const char* where);

// Bytes that overwriting `path` gives back: the size of a regular file that
// has no other link; 0 for anything else.
uint64_t PlatformReclaimableSize(const char* path);

// Full path of the running program's executable into `buffer` (NUL-terminated,
// at most size - 1 characters). False, with an empty buffer, when it fails or
// does not fit.
bool PlatformModulePath(char* buffer, unsigned size);

// The path under which a program named `path` is opened: Windows adds ".exe"
// when the name has no extension; POSIX programs have none, so it keeps it.
bool PlatformAddsExeExtension();

// One key press from the console or terminal, without echo and without
// waiting for Enter. A key that sends several codes (an arrow, a function
// key: an escape sequence on a terminal, a 0 or 0xE0 prefix on the Windows
// console) comes as one code above 255, so it never reads as ESC or as a
// letter. -1 when there is no console or terminal to read from.
int PlatformReadKey();

// One character straight to the console or terminal, bypassing stdout.
void PlatformPutChar(int c);

// A text straight to the console or terminal, bypassing stdout; nothing
// when the process has none.
void PlatformPutText(const char* text);

// True when the process has a console or terminal that keys can be read
// from (whatever its standard streams are redirected to).
bool PlatformHasTerminal();

// snprintf through the system C library's own formatter (on Windows
// msvcrt's: mingw's C99 printf would add some 25 KB to the stub). The result
// is always NUL-terminated, cut to size - 1 characters.
void PlatformFormat(char* buffer, unsigned size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// True when `stream` is attached to a console or terminal.
bool PlatformIsTerminal(FILE* stream);

// Gives `to` the permission bits of `from` (who may read, write and run it).
// Windows files have none of these: there it does nothing.
void PlatformCopyMode(const char* from, const char* to);

// Copies up to `count` bytes from `from`'s position to `to`'s position inside
// the operating system, without passing them through this process; both
// streams end past the bytes copied. `to` must hold no unwritten bytes
// (flush it first). Returns the bytes copied (fewer when `from` ends first),
// -1 when the copy failed (errno says why), or kCopyNotOffered, with nothing
// copied, when the system copies no such files itself (Windows, two file
// systems): copy through a buffer then.
constexpr int64_t kCopyNotOffered = -2;
int64_t PlatformCopyRange(FILE* from, FILE* to, uint64_t count);

// A read-only view of `length` bytes of an open file from `offset`, mapped
// from the system's file cache: reading it copies nothing. Data() is null
// when the system maps no such view (Windows: read through a stream then).
class CPlatformFileView {
public:
    CPlatformFileView(FILE* file, uint64_t offset, uint64_t length);
    CPlatformFileView(const CPlatformFileView&) = delete;
    CPlatformFileView& operator=(const CPlatformFileView&) = delete;
    ~CPlatformFileView();
    const unsigned char* Data() const { return m_data; }

private:
    void* m_base;
    uint64_t m_size;
    const unsigned char* m_data;
};

// `path` made absolute from the current folder, into `buffer`
// (NUL-terminated); links are not followed. False when it does not fit.
bool PlatformFullPath(const char* path, char* buffer, unsigned size);

// Makes `path` the process's current folder; false when it is none.
bool PlatformSetCurrentFolder(const char* path);
