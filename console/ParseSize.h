// The chunk size typed on the command line, in bytes.
#pragma once

// A decimal number with an optional unit: "k" (1024) or "m" (1048576), any
// other letter or none meaning bytes ("10M", "10 MB", "2.5k", "720000").
// The floppy sizes people type (180k, 360k, 720k, 1.2M, 1.44M, 95M for a zip
// disk) give the media's real capacity instead of the arithmetic. Text
// without a number is 0. Sizes beyond 32 bits give the largest 32-bit size
// rather than wrapping around to a small one.
unsigned ParseSize(const char* text);
