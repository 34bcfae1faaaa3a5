// CNumText: what the numeric edit knows without its window. It keeps the
// number as a double, decides which keystrokes may change the text, and
// builds the two texts the edit shows: the plain number ("%.*f") while it has
// the focus and the number in the user's locale format when it has not.
// The window (CNumEdit) only passes its text, selection and notifications in
// and shows what comes back; the locale's number settings arrive as a
// CNumberLocale, so every locale can be tried without one.
#pragma once

#include "Str.h"

// How the user's locale writes numbers.
class CNumberLocale {
public:
    CStr m_decimalSeparator = ".";
    CStr m_thousandSeparator = ",";
    bool m_leadingZero = false; // "0.5" rather than ".5"
    int m_grouping = 3;         // digits per group, as the number formatter takes it
    int m_negativeOrder = 0;    // where the minus sign goes

    // Builds the settings from the locale's texts for the decimal separator,
    // thousands separator, leading zero, negative order and grouping; a null
    // text (its query failed) stands for ".", ",", "1", "1" and "3;0".
    static CNumberLocale FromLocaleTexts(const char* decimalSeparator,
        const char* thousandSeparator, const char* leadingZero, const char* negativeOrder,
        const char* grouping);
};

// The locale's grouping text as the number formatter's grouping: every ";0"
// and then every ";" removed, the rest read as an integer: "3;0" gives 3,
// "3;2;0" gives 32. Text that gives no sensible grouping gives 3.
int ParseGrouping(const char* grouping);

// The window around a CNumText: it formats numbers for the user's locale and
// shows the text the edit is to hold.
class INumTextHost {
public:
    // Writes `number` (an optional "-", digits, and a "." followed by
    // `decimals` digits when `decimals` is not 0) in the locale's format; false
    // when the formatting fails.
    virtual bool FormatNumber(const char* number, int decimals, const CNumberLocale& locale,
        CStr& formatted) = 0;
    // Sets the edit's window text, when the window exists.
    virtual void ShowText(const char* text) = 0;

protected:
    ~INumTextHost() = default;
};

// The edit writes and reads numbers with "." whatever the locale: the
// program never changes the C library's locale.
constexpr char kEditDecimal = '.';
// At most this many digits before the decimal point (a leading "-" not counted).
constexpr unsigned kIntegerDigits = 15;
// The most decimals a locale's number format can show.
constexpr int kMaxDecimals = 9;

// `text` with the characters from `start` to `end` replaced by `insert`;
// positions past the end count as the end, and the two may come in any order.
CStr ReplaceSelection(const char* text, unsigned start, unsigned end, const char* insert);

// The text a typed character would leave: backspace (8) deletes the
// selection, or else the character before the caret (nothing at the start);
// any other character replaces the selection.
CStr TypedCandidate(const char* text, unsigned start, unsigned end, char typed);

// The text the Delete key would leave: the selection deleted, or else the
// character at the caret (nothing at the end).
CStr DeleteCandidate(const char* text, unsigned start, unsigned end);

// The number at the start of `text` as the C library reads decimals, as far
// as it forms one: optional blanks, a sign, digits, "." and digits. No
// exponent, hexadecimal, infinity or NaN; 0 when there is no digit ("-",
// "." and "-." read as 0); beyond the double range the largest double.
double ReadNumber(const char* text);

// `value` written with "%.*f" and `decimals` (at most kMaxDecimals).
CStr FormatPlain(double value, int decimals);

class CNumText {
public:
    // The texts are built from the value 0 without the host's formatting: the
    // window calls SetLocale once it can answer.
    CNumText(int decimals, INumTextHost* host);

    // Digits after the decimal point in both texts and the unit menu; 0
    // forbids a decimal point. Takes effect at the next text update.
    int m_nDecimals;

    // Takes the locale's number settings and reformats.
    void SetLocale(const CNumberLocale& locale);
    const CNumberLocale& GetLocale() const { return m_locale; }

    // The limits the text checks hold typed text to; the value is clamped to
    // them when the edit loses the focus.
    void SetMinimum(double minimum) { m_minimum = minimum; }
    void SetMaximum(double maximum) { m_maximum = maximum; }
    double GetMinimum() const { return m_minimum; }
    double GetMaximum() const { return m_maximum; }

    double GetValue() const { return m_value; }
    // Takes `value` and reformats.
    void SetValue(double value);

    const char* GetPlainText() const { return m_plainText; }
    const char* GetDisplayText() const { return m_displayText; }

    // True when `text` is empty or a number the edit may hold: one decimal
    // point at most, followed by at most m_nDecimals digits; at most
    // kIntegerDigits digits before it; "-" only in front; within the limits.
    bool IsValidText(const char* text) const;

    // The character the edit is to receive for `typed` with `text` in it and
    // the selection from `start` to `end`, or 0 when the keystroke is refused
    // (the window then beeps). The locale's decimal separator arrives as
    // kEditDecimal: the window sends that instead of the typed character.
    char CheckTypedChar(const char* text, unsigned start, unsigned end, char typed) const;

    // True when the Delete key may go to the edit.
    bool CheckDeleteKey(const char* text, unsigned start, unsigned end) const;

    // The focus notifications come only while the edit is not read-only.
    // The edit got the focus: it shows the plain text (the window then selects it all).
    void OnFocusGained();
    // The user changed the edit's text: the value follows it; the window text
    // stays as typed. Ignored while the edit sets its own text.
    void OnTextChanged(const char* text);
    // The edit lost the focus with `text` in it: the value is clamped to the
    // limits and the edit shows the display text.
    void OnFocusLost(const char* text);

    // Rebuilds both texts from the value and shows the display text.
    void Reformat();

private:
    int Decimals() const;
    void BuildTexts();
    CStr DisplayNumber() const;
    void Show(const char* text);

    INumTextHost* m_host;
    CNumberLocale m_locale;
    double m_minimum = -999999999999999.0;
    double m_maximum = 999999999999999.0;
    double m_value = 0.0;
    CStr m_plainText;
    CStr m_displayText;
    bool m_updating = false; // the edit is setting its own window text
};
