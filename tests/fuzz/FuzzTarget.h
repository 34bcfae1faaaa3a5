// The one entry point every fuzz target defines. libFuzzer calls it in fuzz
// builds; RunInputs.cpp calls it on saved inputs in ordinary builds, so the
// seeds and every past finding run with the unit tests.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// Stops the run loudly: a broken promise of the code under test. Under
// libFuzzer the abort is reported as a crash and the input saved.
[[noreturn]] void FuzzFailure(const char* what, const char* detail = "");
