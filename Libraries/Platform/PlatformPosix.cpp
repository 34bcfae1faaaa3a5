#include "Platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

bool PlatformHasDrives() { return false; }

bool PlatformAddsExeExtension() { return false; }

FILE* PlatformOpenShared(const char* path, const char* mode, int /*share*/)
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

uint64_t PlatformFreeSpace(const char* where)
{
    struct statvfs info;
    if (statvfs(where && *where ? where : ".", &info) != 0)
        return 0;
    return static_cast<uint64_t>(info.f_bavail) * info.f_frsize;
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
    if (tcsetattr(fd, TCSANOW, &raw) != 0)
        return -1;
    unsigned char key = 0;
    ssize_t n;
    do {
        n = read(fd, &key, 1);
    } while (n < 0 && errno == EINTR);
    tcsetattr(fd, TCSANOW, &saved);
    return n == 1 ? key : -1;
}

void PlatformPutChar(int c)
{
    int fd = Terminal();
    if (fd < 0)
        return;
    char ch = static_cast<char>(c);
    ssize_t ignored = write(fd, &ch, 1);
    (void)ignored;
}

bool PlatformIsTerminal(FILE* stream)
{
    return stream && isatty(fileno(stream));
}
