// Texts from the program's string table, loaded and formatted by ID.
#pragma once

#include "Str.h"

// The string with this ID; empty when the table has none.
CStr LoadResString(unsigned id);

// The string with this ID as a printf format, filled in with the arguments.
CStr FormatResString(unsigned id, ...);
