#include "AppMessageBox.h"

#include "PathName.h"
#include "Platform.h"
#include "StringTable.h"

#include <windows.h>

CStr GetAppName()
{
    char path[MAX_PATH * 4];
    if (!PlatformModulePath(path, sizeof path))
        return CStr();
    return SplitPath(path).name;
}

int AppMessageBox(const char* text, unsigned type)
{
    CStr caption = GetAppName();
    return MessageBoxA(nullptr, text, caption, type | MB_ICONEXCLAMATION);
}

int AppMessageBox(unsigned id, unsigned type)
{
    return AppMessageBox(LoadResString(id), type);
}
