// The windowed splitter's split pieces that need no window: where the chunks
// go, and the texts of its string table (under Wine, from the resources
// linked into this program).
#include "SplitterListener.h"
#include "SplitterThread.h"
#include "StringIds.h"
#include "StringTable.h"

#include <gtest/gtest.h>

#include <string>
#include <windows.h>

namespace {

std::wstring LoadWide(unsigned id)
{
    const wchar_t* text = nullptr;
    int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&text), 0);
    return std::wstring(text, static_cast<size_t>(length > 0 ? length : 0));
}

TEST(WindowedSplit, ChunksGoBesideTheInputUnderItsNameWithParts)
{
    struct {
        const char* input;
        const char* base;
    } cases[] = {
        {"C:\\data\\big.zip", "C:\\data\\big_parts.zip"},
        {"C:\\data\\README", "C:\\data\\README_parts"},
        {"D:\\v1.2\\movie.part1.avi", "D:\\v1.2\\movie.part1_parts.avi"},
        {"big.zip", "big_parts.zip"},
        {"\\\\server\\share\\big.zip", "\\\\server\\share\\big_parts.zip"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(GetSplitOutputBase(c.input), c.base) << c.input;
    EXPECT_STREQ(GetChunkName(GetSplitOutputBase("C:\\data\\big.zip"), 1),
                 "C:\\data\\big_parts.000");
}

// Each engine code has its own text; the codes the engine gained after its
// first four use the console's words.
TEST(WindowedSplit, EveryEngineErrorHasItsText)
{
    struct {
        unsigned code;
        const char* text;
    } cases[] = {
        {CSplitterException::errOutputTooSmall, "Output size is too small."},
        {CSplitterException::errReadInput, "Error reading input file."},
        {CSplitterException::errAborted, "The operation has been aborted."},
        {CSplitterException::errNoSelfExtractor,
         "The application is corrupted. A part of it is missing."},
        {99, "Unknown error."},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(LoadResString(GetSplitErrorStringId(c.code)), c.text) << c.code;
    for (unsigned code :
         {CSplitterException::errInputTooLarge, CSplitterException::errChunkIsInput,
          CSplitterException::errBadFileName, CSplitterException::errNameTooLong})
        EXPECT_STREQ(LoadResString(GetSplitErrorStringId(code)),
                     CSplitterException::GetErrorMessage(code))
            << code;
}

// The resource compiler reads the string table as UTF-8: a fraction or an
// inch mark read in another code page would come out as other characters.
TEST(WindowedSplit, MediaNamesKeepTheirFractionsAndInchMarks)
{
    EXPECT_EQ(LoadWide(IDS_MEDIA_35_1440K), L"3\u00BD\" floppy 1.44 MB");
    EXPECT_EQ(LoadWide(IDS_MEDIA_525_160K), L"5\u00BC\" floppy 160 kB");
    EXPECT_EQ(LoadWide(IDS_YES_TO_ALL), L"Yes To &All");
    EXPECT_EQ(LoadWide(IDS_PRODUCED), L"Produced %d file.");
}

} // namespace
