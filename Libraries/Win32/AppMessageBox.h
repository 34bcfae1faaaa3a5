// The program's own message boxes: its name as the caption and the
// exclamation icon.
#pragma once

#include "Str.h"

// The running program's file name without its folder and extension.
CStr GetAppName();

// Shows `text` with the buttons of `type` (MB_OK, MB_OKCANCEL, ...) and
// returns the ID of the button chosen.
int AppMessageBox(const char* text, unsigned type);
// The same with the string table's text `id`.
int AppMessageBox(unsigned id, unsigned type);
