// ParseSize on arbitrary text (the input up to its first NUL). Beside
// sanitizer findings it checks what any size text must give: 0 without a
// digit, the same result after leading blanks, and the plain number for a
// plain decimal that is no media size.
#include "FuzzTarget.h"

#include "ParseSize.h"

#include <cstdlib>
#include <string>

namespace {

bool HasDigit(const std::string& text)
{
    return text.find_first_of("0123456789") != std::string::npos;
}

bool AllDigits(const std::string& text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.c_str();
    unsigned bytes = ParseSize(text.c_str());
    if (!HasDigit(text) && bytes != 0)
        FuzzFailure("a size without a digit:", text.c_str());
    if (ParseSize((" \t" + text).c_str()) != bytes)
        FuzzFailure("leading blanks changed the size:", text.c_str());
    if (AllDigits(text) && text.size() <= 9) {
        unsigned long value = std::strtoul(text.c_str(), nullptr, 10);
        bool media = value == 180 || value == 360 || value == 720;
        if (!media && bytes != value)
            FuzzFailure("a plain number changed:", text.c_str());
    }
    return 0;
}
