// The size entry's logic without windows: unit table, keystroke checks, the
// edit's two texts, conversions between units and limits.
#include "NumText.h"
#include "UnitTable.h"
#include "UnitValue.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <string>
#include <vector>

namespace {

// What the edit's window does for its CNumText: the formatter writes every
// setting it was given, so a test sees what the locale's formatter would get,
// and showing a text notifies the change as the edit control does.
class CFakeEdit : public INumTextHost {
public:
    bool FormatNumber(const char* number, int decimals, const CNumberLocale& locale,
        CStr& formatted) override
    {
        if (m_formatFails)
            return false;
        std::string text = std::string("<") + number + "|" + std::to_string(decimals) + "|" +
            locale.m_decimalSeparator.Get() + "|" + locale.m_thousandSeparator.Get() + "|" +
            std::to_string(locale.m_leadingZero) + "|" + std::to_string(locale.m_grouping) + "|" +
            std::to_string(locale.m_negativeOrder) + ">";
        formatted = m_formatEmpty ? "" : text.c_str();
        return true;
    }

    void ShowText(const char* text) override
    {
        m_shown.push_back(text);
        if (m_number)
            m_number->OnTextChanged(text);
    }

    CNumText* m_number = nullptr;
    bool m_formatFails = false;
    bool m_formatEmpty = false;
    std::vector<std::string> m_shown;
};

CNumberLocale EnglishUs()
{
    return CNumberLocale::FromLocaleTexts(".", ",", "1", "1", "3;0");
}

CNumberLocale German()
{
    return CNumberLocale::FromLocaleTexts(",", ".", "1", "1", "3;0");
}

TEST(UnitTable, ByteUnitsInOrderWithBytesAsBase)
{
    CUnitTable table;
    AddByteUnits(table);
    const struct {
        const char* name;
        const char* abbreviation;
        double factor;
    } expected[] = {
        {"byte", "B", 1.0},
        {"kilobyte", "kB", 1024.0},
        {"megabyte", "MB", 1048576.0},
        {"gigabyte", "GB", 1073741824.0},
    };
    ASSERT_EQ(table.GetCount(), 4u);
    for (unsigned i = 0; i < 4; ++i) {
        EXPECT_STREQ(table[i].m_name, expected[i].name);
        EXPECT_STREQ(table[i].m_abbreviation, expected[i].abbreviation);
        EXPECT_EQ(table[i].m_factor, expected[i].factor);
    }
    EXPECT_EQ(table.GetBaseFactor(), 1.0);

    // A copy is a table of its own.
    CUnitTable copy = table;
    copy.AddUnit("terabyte", "TB", 1099511627776.0, false);
    EXPECT_EQ(table.GetCount(), 4u);
    EXPECT_EQ(copy.GetCount(), 5u);
}

TEST(UnitTable, FindUnitComparesExactly)
{
    CUnitTable table;
    table.AddUnit("unit", "u", 1.0, false);
    table.AddUnit("mega", "M", 1e6, true);
    table.AddUnit("milli", "m", 1e-3, false);
    table.AddUnit("second mega", "M", 2e6, false);
    EXPECT_EQ(table.GetBaseFactor(), 1e6);
    ASSERT_NE(table.FindUnit("M"), nullptr);
    EXPECT_STREQ(table.FindUnit("M")->m_name, "mega");
    ASSERT_NE(table.FindUnit("m"), nullptr);
    EXPECT_STREQ(table.FindUnit("m")->m_name, "milli");
    EXPECT_EQ(table.FindUnit("U"), nullptr);
    EXPECT_EQ(table.FindUnit("uu"), nullptr);
    EXPECT_EQ(table.FindUnit(""), nullptr);
}

TEST(NumberLocale, GroupingTexts)
{
    const struct {
        const char* text;
        int grouping;
    } cases[] = {
        {"3;0", 3},
        {"3;2;0", 32},
        {"3", 3},
        {"0", 0},
        {"0;0", 0},
        {"", 0},
        {"3;2", 32},
        // Nothing a number formatter could take.
        {"1;2;3;4;5;6;7;8;9;1", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseGrouping(c.text), c.grouping);
    }
}

TEST(NumberLocale, FailedQueriesTakeTheDefaults)
{
    CNumberLocale fallback = CNumberLocale::FromLocaleTexts(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_STREQ(fallback.m_decimalSeparator, ".");
    EXPECT_STREQ(fallback.m_thousandSeparator, ",");
    EXPECT_TRUE(fallback.m_leadingZero);
    EXPECT_EQ(fallback.m_negativeOrder, 1);
    EXPECT_EQ(fallback.m_grouping, 3);

    CNumberLocale indian = CNumberLocale::FromLocaleTexts(".", ",", "0", "4", "3;2;0");
    EXPECT_FALSE(indian.m_leadingZero);
    EXPECT_EQ(indian.m_negativeOrder, 4);
    EXPECT_EQ(indian.m_grouping, 32);
}

TEST(NumText, ReadsOnlyPlainDecimals)
{
    const std::string huge = "1" + std::string(400, '0');
    const struct {
        std::string text;
        double value;
    } cases[] = {
        {"12.5", 12.5},
        {"1457664.00", 1457664.0},
        {"-3", -3.0},
        {"", 0.0},
        {"-", 0.0},
        {".", 0.0},
        {"-.", 0.0},
        {".5", 0.5},
        {"7.", 7.0},
        {" 7", 7.0},
        {"1.2.3", 1.2},
        // Pasted text: no exponent, hexadecimal, infinity or NaN gets through.
        {"1e5", 1.0},
        {"0x10", 0.0},
        {"inf", 0.0},
        {"nan", 0.0},
        {"abc", 0.0},
        {huge, DBL_MAX},
        {"-" + huge, -DBL_MAX},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ReadNumber(c.text.c_str()), c.value);
    }
}

// The edit's settings a keystroke is checked against.
enum Setting {
    kChunkSize,  // bytes, 0 to 650 MB, 2 decimals, English (United States)
    kGermanSize, // the same in a German locale
    kWide,       // 0 to 1e18: only the digit count limits the integer part
    kSigned,     // -1e18 to 1e18
    kWhole,      // 0 decimals
    kAtLeastOne, // minimum 1
};

void Configure(CNumText& number, Setting setting)
{
    number.SetLocale(setting == kGermanSize ? German() : EnglishUs());
    number.SetMinimum(setting == kSigned ? -1e18 : setting == kAtLeastOne ? 1.0 : 0.0);
    number.SetMaximum(setting == kWide || setting == kSigned ? 1e18 : 681574400.0);
    number.m_nDecimals = setting == kWhole ? 0 : 2;
}

const char kBack = 8;

TEST(NumText, TypedKeys)
{
    const struct {
        Setting setting;
        const char* text;
        unsigned start, end;
        char typed;
        char entered;          // 0: refused with a beep
        const char* candidate; // the text the key would leave
    } cases[] = {
        // Digits replace the selection.
        {kChunkSize, "", 0, 0, '5', '5', "5"},
        {kChunkSize, "1457664.00", 0, 10, '7', '7', "7"},
        {kChunkSize, "12", 1, 1, '3', '3', "132"},
        {kChunkSize, "12", 7, 9, '3', '3', "123"},
        // Nothing but digits, the decimal point, "-" and backspace.
        {kChunkSize, "12", 2, 2, 'a', 0, ""},
        {kChunkSize, "12", 2, 2, ' ', 0, ""},
        {kChunkSize, "12", 2, 2, '+', 0, ""},
        {kChunkSize, "12", 2, 2, ',', 0, ""},
        // A minus only where the minimum is negative, and only in front.
        {kChunkSize, "", 0, 0, '-', 0, "-"},
        {kChunkSize, "5", 0, 0, '-', 0, "-5"},
        {kSigned, "5", 0, 0, '-', '-', "-5"},
        {kSigned, "5", 1, 1, '-', 0, "5-"},
        {kSigned, "-5", 0, 0, '-', 0, "--5"},
        // Two decimals at most, one decimal point.
        {kChunkSize, "1.2", 3, 3, '3', '3', "1.23"},
        {kChunkSize, "1.23", 4, 4, '4', 0, "1.234"},
        {kChunkSize, "1.23", 0, 0, '4', '4', "41.23"},
        {kChunkSize, "15", 1, 1, '.', '.', "1.5"},
        {kChunkSize, "1.5", 3, 3, '.', 0, "1.5."},
        {kChunkSize, "", 0, 0, '.', '.', "."},
        {kWhole, "15", 2, 2, '.', 0, "15."},
        {kWhole, "15", 2, 2, '0', '0', "150"},
        // Fifteen integer digits, a leading minus not counted.
        {kWide, "12345678901234", 14, 14, '5', '5', "123456789012345"},
        {kWide, "123456789012345", 15, 15, '6', 0, "1234567890123456"},
        {kWide, "123456789012345", 15, 15, '.', '.', "123456789012345."},
        {kSigned, "-12345678901234", 15, 15, '5', '5', "-123456789012345"},
        {kSigned, "-123456789012345", 16, 16, '6', 0, "-1234567890123456"},
        // Within the limits: 650 MB is 681574400 bytes.
        {kChunkSize, "68157440", 8, 8, '0', '0', "681574400"},
        {kChunkSize, "68157440", 8, 8, '1', 0, "681574401"},
        {kChunkSize, "681574400", 9, 9, '.', '.', "681574400."},
        {kChunkSize, "681574400.", 10, 10, '1', 0, "681574400.1"},
        {kAtLeastOne, "", 0, 0, '0', 0, "0"},
        // Backspace: the selection, else the character before the caret.
        {kChunkSize, "123", 0, 0, kBack, kBack, "123"},
        {kChunkSize, "", 0, 0, kBack, kBack, ""},
        {kChunkSize, "123", 2, 2, kBack, kBack, "13"},
        {kChunkSize, "12345", 1, 3, kBack, kBack, "145"},
        {kChunkSize, "12345", 3, 1, kBack, kBack, "145"},
        {kAtLeastOne, "1.5", 1, 1, kBack, 0, ".5"},
        {kSigned, "1-", 0, 0, kBack, 0, "1-"},
        // The locale's decimal separator enters the edit's decimal point.
        {kGermanSize, "1", 1, 1, ',', '.', "1."},
        {kGermanSize, "1", 1, 1, '.', '.', "1."},
        {kGermanSize, "1.5", 3, 3, ',', 0, "1.5."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\" " + std::to_string(c.start) + "-" +
            std::to_string(c.end) + " key " + std::to_string(c.typed) + " setting " +
            std::to_string(c.setting));
        CNumText number(2, nullptr);
        Configure(number, c.setting);
        EXPECT_EQ(number.CheckTypedChar(c.text, c.start, c.end, c.typed), c.entered);
        if (c.entered) {
            EXPECT_STREQ(TypedCandidate(c.text, c.start, c.end, c.entered), c.candidate);
        }
    }
}

TEST(NumText, DeleteKey)
{
    const struct {
        Setting setting;
        const char* text;
        unsigned start, end;
        bool allowed;
        const char* candidate;
    } cases[] = {
        {kChunkSize, "123", 3, 3, true, "123"},
        {kChunkSize, "", 0, 0, true, ""},
        {kChunkSize, "123", 0, 0, true, "23"},
        {kChunkSize, "123", 1, 3, true, "1"},
        {kChunkSize, "123", 0, 3, true, ""},
        {kChunkSize, "6815744.01", 7, 7, false, "681574401"},
        {kAtLeastOne, "1.5", 0, 0, false, ".5"},
        {kSigned, "-5", 1, 1, true, "-"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\" " + std::to_string(c.start) + "-" +
            std::to_string(c.end));
        CNumText number(2, nullptr);
        Configure(number, c.setting);
        EXPECT_EQ(number.CheckDeleteKey(c.text, c.start, c.end), c.allowed);
        EXPECT_STREQ(DeleteCandidate(c.text, c.start, c.end), c.candidate);
    }
}

TEST(NumText, PlainText)
{
    const struct {
        double value;
        int decimals;
        const char* plain;
    } cases[] = {
        {1457664.0, 2, "1457664.00"},
        {1.39013671875, 2, "1.39"},
        {0.634765625, 2, "0.63"},
        {0.05, 2, "0.05"},
        {1423.5, 0, "1424"},
        {-2.5, 1, "-2.5"},
        {999999999999999.0, 2, "999999999999999.00"},
        {1.0, -3, "1"},
        {1.0, 12, "1.000000000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.plain);
        EXPECT_STREQ(FormatPlain(c.value, c.decimals), c.plain);
    }
    // The largest number a pasted text can leave still fits.
    EXPECT_EQ(FormatPlain(-DBL_MAX, 9).Length(), 1 + 309 + 1 + 9u);
}

// A CNumText in its edit window.
class NumTextTest : public ::testing::Test {
protected:
    NumTextTest() : number(2, &edit)
    {
        edit.m_number = &number;
        number.SetMaximum(681574400.0);
        number.SetMinimum(0.0);
    }

    CFakeEdit edit;
    CNumText number;
};

TEST_F(NumTextTest, DisplayTextIsTheNumberInTheLocaleFormat)
{
    EXPECT_STREQ(number.GetPlainText(), "0.00");
    EXPECT_STREQ(number.GetDisplayText(), "0.00"); // no locale yet
    EXPECT_TRUE(edit.m_shown.empty());

    number.SetLocale(EnglishUs());
    number.SetValue(1457664.0);
    EXPECT_STREQ(number.GetPlainText(), "1457664.00");
    EXPECT_STREQ(number.GetDisplayText(), "<1457664.00|2|.|,|1|3|1>");
    ASSERT_FALSE(edit.m_shown.empty());
    EXPECT_EQ(edit.m_shown.back(), "<1457664.00|2|.|,|1|3|1>");

    number.SetLocale(German());
    EXPECT_EQ(edit.m_shown.back(), "<1457664.00|2|,|.|1|3|1>");

    number.m_nDecimals = 0;
    number.SetValue(1423.5);
    EXPECT_STREQ(number.GetPlainText(), "1424");
    EXPECT_STREQ(number.GetDisplayText(), "<1424|0|,|.|1|3|1>");
}

TEST_F(NumTextTest, DisplayTextFallsBackToThePlainNumber)
{
    number.SetLocale(EnglishUs());
    edit.m_formatFails = true;
    number.SetValue(0.05);
    EXPECT_STREQ(number.GetDisplayText(), "0.05");
    edit.m_formatFails = false;
    edit.m_formatEmpty = true;
    number.SetValue(12.0);
    EXPECT_STREQ(number.GetDisplayText(), "12.00");
    EXPECT_EQ(edit.m_shown.back(), "12.00");
}

TEST_F(NumTextTest, ZeroShowsNoSign)
{
    number.SetMinimum(-10.0);
    number.SetLocale(EnglishUs());
    number.SetValue(-0.001);
    EXPECT_STREQ(number.GetPlainText(), "-0.00");
    EXPECT_STREQ(number.GetDisplayText(), "<0.00|2|.|,|1|3|1>");
    number.SetValue(-0.01);
    EXPECT_STREQ(number.GetDisplayText(), "<-0.01|2|.|,|1|3|1>");
}

TEST_F(NumTextTest, FocusShowsThePlainTextAndLeavingShowsTheDisplayText)
{
    number.SetLocale(EnglishUs());
    number.SetValue(1457664.0);
    edit.m_shown.clear();

    number.OnFocusGained();
    ASSERT_EQ(edit.m_shown.size(), 1u);
    EXPECT_EQ(edit.m_shown[0], "1457664.00");

    // Typing: the value follows the text, the window keeps what was typed.
    number.OnTextChanged("2");
    EXPECT_EQ(number.GetValue(), 2.0);
    EXPECT_STREQ(number.GetPlainText(), "2.00");
    EXPECT_EQ(edit.m_shown.size(), 1u);

    number.OnFocusLost("2.5");
    EXPECT_EQ(number.GetValue(), 2.5);
    EXPECT_EQ(edit.m_shown.back(), "<2.50|2|.|,|1|3|1>");
}

TEST_F(NumTextTest, LeavingAnUntouchedEditKeepsTheExactValue)
{
    // 1457664 bytes in megabytes: the edit shows "1.39".
    number.SetValue(1.39013671875);
    number.OnFocusGained();
    EXPECT_EQ(edit.m_shown.back(), "1.39");
    number.OnFocusLost("1.39");
    EXPECT_EQ(number.GetValue(), 1.39013671875);

    // Typed over with the same digits, the typed number counts.
    number.OnFocusGained();
    number.OnTextChanged("1.3");
    number.OnTextChanged("1.39");
    number.OnFocusLost("1.39");
    EXPECT_EQ(number.GetValue(), 1.39);
}

TEST_F(NumTextTest, LeavingClampsToTheLimits)
{
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"681574400", 681574400.0},
        {"99999999999", 681574400.0}, // pasted: the checks let it in
        {"1e300", 1.0},
        {"-5", 0.0},
        {"nan", 0.0},
        {"", 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        number.OnFocusGained();
        number.OnTextChanged(c.text);
        number.OnFocusLost(c.text);
        EXPECT_EQ(number.GetValue(), c.value);
    }
}

// The size control's value over an edit with the byte units, 0 B to 650 MB,
// 2 decimals, English (United States).
class UnitValueTest : public ::testing::Test {
protected:
    UnitValueTest() : number(2, &edit), size(number)
    {
        edit.m_number = &number;
        number.SetLocale(EnglishUs());
        AddByteUnits(units);
        size.SetUnits(units);
        size.SetMinimum(0, Unit("B"));
        size.SetMaximum(650, Unit("MB"));
    }

    const CUnitInfo& Unit(const char* abbreviation) { return *units.FindUnit(abbreviation); }

    std::vector<std::string> MenuLines() const
    {
        std::vector<std::string> lines;
        for (unsigned i = 0; i < size.GetUnits().GetCount(); ++i)
            lines.push_back(size.GetMenuItemText(i).Get());
        return lines;
    }

    CFakeEdit edit;
    CNumText number;
    CUnitValue size;
    CUnitTable units;
};

TEST_F(UnitValueTest, MenuConvertsWithoutLosingBytes)
{
    size.SetValue(1457664, Unit("B"));
    EXPECT_STREQ(number.GetPlainText(), "1457664.00");
    EXPECT_EQ(size.GetValue(Unit("B")), 1457664.0);
    EXPECT_EQ(MenuLines(),
        (std::vector<std::string>{"1457664.00 B", "1423.50 kB", "1.39 MB", "0.00 GB"}));

    size.OnMenuCommand(CUnitValue::MenuCommand(2));
    EXPECT_EQ(size.GetCurrentUnit(), 2);
    EXPECT_STREQ(number.GetPlainText(), "1.39");
    EXPECT_EQ(size.GetValue(Unit("B")), 1457664.0);
    EXPECT_EQ(MenuLines(),
        (std::vector<std::string>{"1457664.00 B", "1423.50 kB", "1.39 MB", "0.00 GB"}));

    // Focusing the edit and leaving it untouched keeps every byte.
    number.OnFocusGained();
    number.OnFocusLost(number.GetPlainText());
    EXPECT_EQ(size.GetValue(Unit("B")), 1457664.0);

    // The first unit is a menu item like the others.
    size.OnMenuCommand(CUnitValue::MenuCommand(0));
    EXPECT_EQ(size.GetCurrentUnit(), 0);
    EXPECT_EQ(number.GetValue(), 1457664.0);
}

TEST_F(UnitValueTest, DismissedMenuChangesNothing)
{
    size.SetValue(1457664, Unit("B"));
    edit.m_shown.clear();
    size.OnMenuCommand(0);
    size.OnMenuCommand(CUnitValue::MenuCommand(4));
    EXPECT_EQ(size.GetCurrentUnit(), 0);
    EXPECT_EQ(number.GetValue(), 1457664.0);
    EXPECT_TRUE(edit.m_shown.empty());
}

TEST_F(UnitValueTest, SelectingAUnitKeepsTheNumberWithinTheLimits)
{
    size.SetValue(1457664, Unit("B"));
    // The number now means gigabytes: the maximum, 0.634765625 GB, clamps it.
    size.SelectUnit(3);
    EXPECT_EQ(number.GetMaximum(), 0.634765625);
    EXPECT_EQ(number.GetValue(), 0.634765625);
    EXPECT_STREQ(number.GetPlainText(), "0.63");
    EXPECT_EQ(size.GetValue(Unit("B")), 681574400.0);

    // In kilobytes the number stays and the typed digits are held to 665600 kB.
    size.SelectUnit(1);
    EXPECT_EQ(number.GetValue(), 0.634765625);
    EXPECT_EQ(number.GetMaximum(), 665600.0);
    EXPECT_EQ(number.CheckTypedChar("665600", 6, 6, '1'), 0);
    EXPECT_EQ(number.CheckTypedChar("66560", 5, 5, '0'), '0');
}

TEST_F(UnitValueTest, LimitsInUnitsOfTheirOwn)
{
    size.SetValue(100, Unit("B"));
    size.SetMinimum(1, Unit("kB"));
    EXPECT_EQ(size.GetValue(Unit("B")), 1024.0);
    EXPECT_STREQ(number.GetPlainText(), "1024.00");

    // A unit the table lacks leaves the edit's limit as it was.
    CUnitInfo terabyte{"terabyte", "TB", 1099511627776.0};
    size.SetMaximum(1, terabyte);
    EXPECT_EQ(number.GetMaximum(), 681574400.0);
    size.SelectUnit(2);
    EXPECT_EQ(number.GetMaximum(), 681574400.0);
    EXPECT_EQ(number.GetMinimum(), 1.0 / 1024);

    // The limits are the table's own: a new table keeps them working.
    size.SetMaximum(650, Unit("MB"));
    CUnitTable other;
    AddByteUnits(other);
    size.SetUnits(other);
    EXPECT_EQ(number.GetMaximum(), 681574400.0);
}

TEST(UnitValue, WithoutUnitsNumbersMeanBaseUnits)
{
    CNumText number(2, nullptr);
    CUnitValue size(number);
    CUnitInfo kilobyte{"kilobyte", "kB", 1024.0};
    EXPECT_EQ(size.GetCurrentUnit(), -1);
    size.SetMaximum(1, kilobyte);
    size.SetValue(2, kilobyte);
    EXPECT_EQ(number.GetValue(), 2048.0);
    EXPECT_EQ(size.GetValue(kilobyte), 2.0);
    size.OnMenuCommand(CUnitValue::MenuCommand(0));
    EXPECT_EQ(number.GetValue(), 2048.0);
}

} // namespace
