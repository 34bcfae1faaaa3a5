// dravik-pack PROGRAM STUB OUTPUT: writes OUTPUT as PROGRAM with STUB's bytes
// appended as its one archive entry, DATA0. A PROGRAM that already carries an
// archive keeps its head and loses its old entries, so packing again gives
// the same result. OUTPUT is written beside itself and renamed into place
// only once it is complete.
#include "AppendedArchive.h"
#include "ExceptionBase.h"
#include "Platform.h"
#include "StreamFile.h"
#include "StreamMemory.h"

#include <cstdio>

namespace {

int Fail(const char* what, const char* path)
{
    std::fprintf(stderr, "dravik-pack: %s: %s\n", what, path);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: dravik-pack PROGRAM STUB OUTPUT\n");
        return 2;
    }
    const char* program = argv[1];
    const char* stubPath = argv[2];
    const char* output = argv[3];
    if (!FileExists(program))
        return Fail("cannot read program", program);
    if (!FileExists(stubPath))
        return Fail("cannot read stub", stubPath);

    CStr temporary(output);
    temporary += ".packing";
    try {
        CStreamFile stubFile(stubPath, kStreamRead, kShareDenyNone);
        CStreamMemory stub;
        CopyStream(stubFile, stub, 0);

        CAppendedArchive archive(program);
        if (!archive.HasHead())
            return Fail("cannot read program", program);
        while (archive.GetEntryCount() > 0)
            archive.RemoveEntry(0);
        archive.AddBuffer(stub.GetBuffer(), stub.GetLength());

        CStreamFile target(temporary, kStreamWrite, kShareDenyNone);
        archive.Write(target);
        target.Close();
        if (target.GetLength() != archive.GetTotalSize())
            return Fail("short write", temporary);
    } catch (const CExceptionBase& e) {
        std::remove(temporary);
        std::fprintf(stderr, "dravik-pack: %s\n", e.GetText());
        return 1;
    }
    // The packed program runs like the one it came from.
    PlatformCopyMode(program, temporary);
    std::remove(output);
    if (std::rename(temporary, output) != 0) {
        std::remove(temporary);
        return Fail("cannot write", output);
    }
    return 0;
}
