// Splitting a path into drive, directory, name and extension and joining the
// parts again, by the rules of Windows (drive letters, '\' and '/') or of
// POSIX ('/' only, never a drive). The directory keeps its final separator;
// the extension keeps its dot. By POSIX rules the leading dots of a name
// belong to it (".config" is a name without extension).
#pragma once

#include "Str.h"

struct CPathParts {
    CStr drive; // "C:" or empty
    CStr dir;   // "\data\" or empty
    CStr name;  // "big"
    CStr ext;   // ".zip" or empty
};

CPathParts SplitPath(const char* path, bool windowsRules);
// Puts a separator after a directory that lacks one and a dot before an
// extension that lacks one.
CStr MakePath(const CPathParts& parts, bool windowsRules);

// The same by the rules of the system the program runs on.
CPathParts SplitPath(const char* path);
CStr MakePath(const CPathParts& parts);
