#include "Platform.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstring>

bool PlatformHasDrives() { return false; }

bool PlatformAddsExeExtension() { return false; }

FILE* PlatformOpenShared(const char* path, const char* mode, ShareMode /*share*/)
{
    return std::fopen(path, mode);
}

FILE* PlatformDupStream(FILE* file, const char* mode)
{
    if (!file)
        return nullptr;
    int fd = dup(fileno(file));
    if (fd < 0)
        return nullptr;
    FILE* copy = fdopen(fd, mode);
    if (!copy)
        close(fd);
    return copy;
}

int PlatformSeek(FILE* file, int64_t offset, int origin)
{
    return fseeko(file, static_cast<off_t>(offset), origin);
}

int64_t PlatformTell(FILE* file)
{
    return static_cast<int64_t>(ftello(file));
}

bool PlatformIsFile(const char* path)
{
    struct stat info;
    return path && stat(path, &info) == 0 && !S_ISDIR(info.st_mode);
}

bool PlatformIsRegularFile(const char* path)
{
    struct stat info;
    return path && stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

bool PlatformSameFile(const char* a, const char* b)
{
    struct stat first, second;
    return stat(a, &first) == 0 && stat(b, &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

FILE* PlatformCreateNew(const char* path)
{
    int fd = open(path, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return nullptr;
    FILE* file = fdopen(fd, "wb+");
    if (!file)
        close(fd);
    return file;
}

bool PlatformReplaceFile(const char* from, const char* to)
{
    return std::rename(from, to) == 0;
}

uint64_t PlatformFreeSpace(const char* where)
{
    struct statvfs info;
    if (statvfs(where && *where ? where : ".", &info) != 0 || info.f_blocks == 0)
        return kFreeSpaceUnknown;
    return static_cast<uint64_t>(info.f_bavail) * info.f_frsize;
}

uint64_t PlatformReclaimableSize(const char* path)
{
    struct stat info;
    if (!path || stat(path, &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink != 1)
        return 0;
    return static_cast<uint64_t>(info.st_size);
}

bool PlatformModulePath(char* buffer, unsigned size)
{
    if (size == 0)
        return false;
    ssize_t n = readlink("/proc/self/exe", buffer, size);
    if (n <= 0 || static_cast<unsigned>(n) >= size) {
        buffer[0] = '\0';
        return false;
    }
    buffer[n] = '\0';
    return true;
}

namespace {

// The controlling terminal, opened once; -1 when the process has none.
int Terminal()
{
    static int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    return fd;
}

} // namespace

namespace {

// One byte from the terminal; with a timeout (milliseconds, -1 waits) -1
// when none comes in time.
int ReadByte(int fd, int timeout)
{
    if (timeout >= 0) {
        struct pollfd ready = {fd, POLLIN, 0};
        if (poll(&ready, 1, timeout) <= 0)
            return -1;
    }
    unsigned char byte;
    ssize_t n;
    do {
        n = read(fd, &byte, 1);
    } while (n < 0 && errno == EINTR);
    return n == 1 ? byte : -1;
}

// A terminal sends an arrow or a function key as ESC followed at once by
// more bytes ("ESC [ A"); a lone ESC is the Escape key.
int ReadKeyCode(int fd)
{
    const int kSequenceWait = 30;
    int key = ReadByte(fd, -1);
    if (key != 27)
        return key;
    int next = ReadByte(fd, kSequenceWait);
    if (next < 0)
        return 27;
    if (next != '[' && next != 'O')
        return 0x100 | next; // Alt and a key
    int final = next;
    for (int i = 0; i < 16; ++i) {
        final = ReadByte(fd, kSequenceWait);
        if (final < 0 || (final >= 0x40 && final <= 0x7E))
            break;
    }
    return 0x100 | (final < 0 ? next : final);
}

} // namespace

namespace {

// While a key is read the terminal is in raw mode; a signal that ends the
// program then must not leave it so (no echo, no line editing in the shell
// that started us). These hold what the handler puts back.
const int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct termios g_savedMode;
volatile sig_atomic_t g_rawTerminal = -1;

void RestoreModeAndDie(int signal)
{
    if (g_rawTerminal >= 0)
        tcsetattr(g_rawTerminal, TCSANOW, &g_savedMode);
    struct sigaction plain = {};
    plain.sa_handler = SIG_DFL;
    sigaction(signal, &plain, nullptr);
    // Blocked while this handler runs: it ends the program with the usual
    // status of that signal as soon as the handler returns.
    raise(signal);
}

// Installs the handler for the ending signals that are not ignored (a
// program started with nohup keeps ignoring SIGHUP); `previous` keeps what
// was there.
void CatchEndingSignals(struct sigaction (&previous)[3])
{
    struct sigaction restore = {};
    restore.sa_handler = RestoreModeAndDie;
    sigemptyset(&restore.sa_mask);
    for (int i = 0; i < 3; ++i) {
        sigaction(kEndingSignals[i], nullptr, &previous[i]);
        if (previous[i].sa_handler != SIG_IGN)
            sigaction(kEndingSignals[i], &restore, nullptr);
    }
}

void ReleaseEndingSignals(const struct sigaction (&previous)[3])
{
    for (int i = 0; i < 3; ++i)
        sigaction(kEndingSignals[i], &previous[i], nullptr);
}

} // namespace

int PlatformReadKey()
{
    int fd = Terminal();
    struct termios saved;
    if (fd < 0 || tcgetattr(fd, &saved) != 0)
        return -1;
    struct termios raw = saved;
    raw.c_lflag &= ~(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    g_savedMode = saved;
    struct sigaction previous[3];
    CatchEndingSignals(previous);
    g_rawTerminal = fd;
    if (tcsetattr(fd, TCSANOW, &raw) != 0) {
        g_rawTerminal = -1;
        ReleaseEndingSignals(previous);
        return -1;
    }
    int key = ReadKeyCode(fd);
    tcsetattr(fd, TCSANOW, &saved);
    g_rawTerminal = -1;
    ReleaseEndingSignals(previous);
    return key;
}

namespace {

void WriteToTerminal(const char* data, size_t length)
{
    int fd = Terminal();
    while (fd >= 0 && length > 0) {
        ssize_t n = write(fd, data, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        data += n;
        length -= static_cast<size_t>(n);
    }
}

} // namespace

void PlatformPutChar(int c)
{
    char ch = static_cast<char>(c);
    WriteToTerminal(&ch, 1);
}

void PlatformPutText(const char* text)
{
    if (text)
        WriteToTerminal(text, std::strlen(text));
}

bool PlatformHasTerminal()
{
    return Terminal() >= 0;
}

void PlatformFormat(char* buffer, unsigned size, const char* format, ...)
{
    if (size == 0)
        return;
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, size, format, args);
    va_end(args);
}

bool PlatformIsTerminal(FILE* stream)
{
    return stream && isatty(fileno(stream));
}

void PlatformCopyMode(const char* from, const char* to)
{
    struct stat info;
    if (stat(from, &info) == 0)
        chmod(to, info.st_mode & 07777);
}

// copy_file_range: on one file system the kernel moves the pages itself
// (or shares the blocks, where the file system can). It works on the
// descriptors at explicit offsets; the streams are then placed after the
// copy, which also drops what `from` had read ahead into its buffer.
int64_t PlatformCopyRange(FILE* from, FILE* to, uint64_t count)
{
    off_t in = ftello(from), out = ftello(to);
    if (in < 0 || out < 0)
        return kCopyNotOffered;
    uint64_t done = 0;
    int error = 0;
    while (done < count) {
        size_t step = count - done > (1u << 30) ? (1u << 30) : static_cast<size_t>(count - done);
        ssize_t n = copy_file_range(fileno(from), &in, fileno(to), &out, step, 0);
        if (n < 0) {
            error = errno;
            break;
        }
        if (n == 0)
            break;
        done += static_cast<uint64_t>(n);
    }
    if (error != 0 && done == 0 &&
        (error == EXDEV || error == ENOSYS || error == EINVAL || error == EOPNOTSUPP ||
         error == EBADF))
        return kCopyNotOffered;
    if (fseeko(from, in, SEEK_SET) != 0 || fseeko(to, out, SEEK_SET) != 0) {
        if (error == 0)
            error = errno;
    }
    if (error != 0) {
        errno = error;
        return -1;
    }
    return static_cast<int64_t>(done);
}

CPlatformFileView::CPlatformFileView(FILE* file, uint64_t offset, uint64_t length)
    : m_base(nullptr), m_size(0), m_data(nullptr)
{
    // A view starts on a page boundary.
    uint64_t page = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
    uint64_t start = offset - offset % page;
    uint64_t size = offset - start + length;
    if (length == 0 || size != static_cast<size_t>(size))
        return;
    // No MAP_POPULATE: measured, mapping the cached pages as they are first
    // read (the kernel maps their neighbours with them) costs less.
    void* base = mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_SHARED, fileno(file),
                      static_cast<off_t>(start));
    if (base == MAP_FAILED)
        return;
    m_base = base;
    m_size = size;
    m_data = static_cast<const unsigned char*>(base) + (offset - start);
}

CPlatformFileView::~CPlatformFileView()
{
    if (m_base)
        munmap(m_base, static_cast<size_t>(m_size));
}

bool PlatformFullPath(const char* path, char* buffer, unsigned size)
{
    if (size == 0)
        return false;
    buffer[0] = '\0';
    size_t length = std::strlen(path);
    if (path[0] == '/') {
        if (length >= size)
            return false;
        std::memcpy(buffer, path, length + 1);
        return true;
    }
    if (!getcwd(buffer, size))
        return false;
    size_t at = std::strlen(buffer);
    if (at + 1 + length >= size) {
        buffer[0] = '\0';
        return false;
    }
    buffer[at] = '/';
    std::memcpy(buffer + at + 1, path, length + 1);
    return true;
}

bool PlatformSetCurrentFolder(const char* path)
{
    return chdir(path) == 0;
}
