#include "NumText.h"

#include "Platform.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr char kBackspace = 8;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The locale's integer setting, or `fallback` when its query failed.
int LocaleInteger(const char* text, int fallback)
{
    return text ? std::atoi(text) : fallback;
}

} // namespace

CNumberLocale CNumberLocale::FromLocaleTexts(const char* decimalSeparator,
    const char* thousandSeparator, const char* leadingZero, const char* negativeOrder,
    const char* grouping)
{
    CNumberLocale locale;
    locale.m_decimalSeparator = decimalSeparator ? decimalSeparator : ".";
    locale.m_thousandSeparator = thousandSeparator ? thousandSeparator : ",";
    locale.m_leadingZero = LocaleInteger(leadingZero, 1) != 0;
    locale.m_negativeOrder = LocaleInteger(negativeOrder, 1);
    locale.m_grouping = ParseGrouping(grouping ? grouping : "3;0");
    return locale;
}

int ParseGrouping(const char* grouping)
{
    // A locale's grouping text holds at most ten characters; nine digits
    // still fit an int.
    const unsigned kMaxDigits = 9;
    unsigned digits = 0;
    int value = 0;
    for (const char* p = grouping; *p; ++p) {
        if (p[0] == ';' && p[1] == '0') {
            ++p;
            continue;
        }
        if (*p == ';')
            continue;
        if (!IsDigit(*p))
            break;
        if (++digits > kMaxDigits)
            return 3;
        value = value * 10 + (*p - '0');
    }
    return value;
}

CStr ReplaceSelection(const char* text, unsigned start, unsigned end, const char* insert)
{
    unsigned length = static_cast<unsigned>(std::strlen(text));
    if (start > end) {
        unsigned swap = start;
        start = end;
        end = swap;
    }
    if (end > length)
        end = length;
    if (start > end)
        start = end;
    unsigned added = static_cast<unsigned>(std::strlen(insert));
    CStr result;
    char* out = result.PrepareBuffer(length - (end - start) + added);
    std::memcpy(out, text, start);
    std::memcpy(out + start, insert, added);
    std::memcpy(out + start + added, text + end, length - end);
    return result;
}

CStr TypedCandidate(const char* text, unsigned start, unsigned end, char typed)
{
    if (typed != kBackspace) {
        const char insert[2] = {typed, '\0'};
        return ReplaceSelection(text, start, end, insert);
    }
    if (start == end && start > 0)
        --start;
    return ReplaceSelection(text, start, end, "");
}

CStr DeleteCandidate(const char* text, unsigned start, unsigned end)
{
    if (start == end && start < std::strlen(text))
        ++end;
    return ReplaceSelection(text, start, end, "");
}

double ReadNumber(const char* text)
{
    const char* p = text;
    while (*p == ' ' || *p == '\t')
        ++p;
    const char* number = p;
    if (*p == '-' || *p == '+')
        ++p;
    bool anyDigit = false;
    for (; IsDigit(*p); ++p)
        anyDigit = true;
    if (*p == kEditDecimal)
        for (++p; IsDigit(*p); ++p)
            anyDigit = true;
    if (!anyDigit)
        return 0.0;
    // strtod alone would also read an exponent, "inf" or "nan": it gets only
    // the plain decimal part.
    CStr plain;
    unsigned length = static_cast<unsigned>(p - number);
    std::memcpy(plain.PrepareBuffer(length), number, length);
    double value = std::strtod(plain, nullptr);
    if (std::isinf(value))
        return value < 0 ? -DBL_MAX : DBL_MAX;
    return value;
}

CStr FormatPlain(double value, int decimals)
{
    if (decimals < 0)
        decimals = 0;
    if (decimals > kMaxDecimals)
        decimals = kMaxDecimals;
    // The largest double has 309 integer digits.
    char buffer[DBL_MAX_10_EXP + 1 + 3 + kMaxDecimals + 1];
    PlatformFormat(buffer, sizeof buffer, "%.*f", decimals, value);
    return CStr(buffer);
}

CNumText::CNumText(int decimals, INumTextHost* host)
    : m_nDecimals(decimals), m_host(host), m_plainText(FormatPlain(0.0, decimals)),
      m_displayText(DisplayNumber())
{
}

int CNumText::Decimals() const
{
    if (m_nDecimals < 0)
        return 0;
    return m_nDecimals > kMaxDecimals ? kMaxDecimals : m_nDecimals;
}

void CNumText::SetLocale(const CNumberLocale& locale)
{
    m_locale = locale;
    Reformat();
}

void CNumText::SetValue(double value)
{
    m_value = value;
    Reformat();
}

bool CNumText::IsValidText(const char* text) const
{
    if (!*text)
        return true;
    if (std::strchr(text + 1, '-'))
        return false;
    const char* point = std::strchr(text, kEditDecimal);
    unsigned integerLength = static_cast<unsigned>(point ? point - text : std::strlen(text));
    if (text[0] == '-')
        --integerLength;
    if (integerLength > kIntegerDigits)
        return false;
    if (point) {
        if (std::strchr(point + 1, kEditDecimal))
            return false;
        if (std::strlen(point + 1) > static_cast<size_t>(Decimals()))
            return false;
    }
    double x = ReadNumber(text);
    return m_minimum <= x && x <= m_maximum;
}

char CNumText::CheckTypedChar(const char* text, unsigned start, unsigned end, char typed) const
{
    const char localePoint = m_locale.m_decimalSeparator[0];
    if (typed == '.' || (localePoint && typed == localePoint))
        typed = kEditDecimal;
    if (typed != kBackspace && typed != kEditDecimal && typed != '-' && !IsDigit(typed))
        return 0;
    if (typed == '-' && m_minimum >= 0)
        return 0;
    if (typed == kEditDecimal && Decimals() == 0)
        return 0;
    return IsValidText(TypedCandidate(text, start, end, typed)) ? typed : 0;
}

bool CNumText::CheckDeleteKey(const char* text, unsigned start, unsigned end) const
{
    return IsValidText(DeleteCandidate(text, start, end));
}

void CNumText::OnFocusGained()
{
    Show(m_plainText);
}

void CNumText::OnTextChanged(const char* text)
{
    if (m_updating)
        return;
    m_value = ReadNumber(text);
    BuildTexts();
}

void CNumText::OnFocusLost(const char* text)
{
    // While the edit still holds the plain text it was given, it shows the
    // value rounded to m_nDecimals: reading it back would change a value the
    // user never touched (1457664 bytes shown as "1.39" MB would become
    // 1457520.64 bytes).
    if (std::strcmp(text, m_plainText) != 0)
        m_value = ReadNumber(text);
    if (m_value < m_minimum)
        m_value = m_minimum;
    else if (m_value > m_maximum)
        m_value = m_maximum;
    Reformat();
}

void CNumText::Reformat()
{
    BuildTexts();
    Show(m_displayText);
}

void CNumText::BuildTexts()
{
    m_plainText = FormatPlain(m_value, Decimals());
    CStr number = DisplayNumber();
    if (!m_host || !m_host->FormatNumber(number, Decimals(), m_locale, m_displayText) ||
        m_displayText.IsEmpty())
        m_displayText = number;
}

// The value rounded to the shown decimals as the number formatter takes it.
// A value that rounds to zero loses its sign: "-0.00" is no number to show.
CStr CNumText::DisplayNumber() const
{
    CStr number = FormatPlain(m_value, Decimals());
    if (number[0] == '-' && !std::strpbrk(number, "123456789"))
        return CStr(number + 1);
    return number;
}

void CNumText::Show(const char* text)
{
    if (!m_host || m_updating)
        return;
    m_updating = true;
    m_host->ShowText(text);
    m_updating = false;
}
