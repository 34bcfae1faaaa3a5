// CDravikApp: the program dravikon.exe. It shows the main dialog, pre-filled
// with the file named on its command line, and ends when the dialog closes.
#pragma once

#include "Str.h"

#include <windows.h>

class CDravikApp {
public:
    // Runs the dialog until it closes.
    int Run(int argc, char** argv);

    // The file of a command line: its first word that is not a switch (one
    // starting with "/" or "-"); empty when there is none.
    static CStr GetCommandLinePath(int argc, char** argv);
};
