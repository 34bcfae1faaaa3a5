// The argument objects of the command-line framework. A program declares
// each argument it takes as one of these and registers it with its parser
// (CmdLineParser.h). Named arguments are written as a prefix character, the
// name and the value ("-oChunky", "-o=Chunky", "/y+"); positional ones are
// bare words taken in registration order.
#pragma once

#include "Str.h"

#include <vector>

class CCmdLineArg {
public:
    enum : unsigned { flagPositional = 0x2, flagRequired = 0x4 };

    CCmdLineArg(const char* name, const char* description, unsigned flags);
    CCmdLineArg(const CCmdLineArg&) = delete;
    CCmdLineArg& operator=(const CCmdLineArg&) = delete;
    virtual ~CCmdLineArg();

    // Shown after "=" in the synopsis of a named argument; empty for none.
    virtual const char* GetValueLabel() const = 0;
    // "{a|b}" style list shown in the synopsis, or empty. The text belongs to
    // the argument and is valid until the next call.
    virtual const char* GetChoicesText() = 0;
    // Whether a bare word may be given to this positional argument.
    virtual bool Validate(const char* text) const = 0;
    // Stores a value. The argument counts as given from here on, even when
    // the text is then refused (false).
    virtual bool SetValue(const char* text);

    bool IsRequired() const { return (m_flags & flagRequired) != 0; }
    bool IsPositional() const { return (m_flags & flagPositional) != 0; }
    bool IsNamed() const { return !IsPositional(); }
    bool IsSet() const { return m_set; }
    const char* GetName() const { return m_name; }
    const char* GetDescription() const { return m_description; }

private:
    CStr m_name;
    CStr m_description;
    unsigned m_flags;
    bool m_set;
};

// A text argument, optionally limited to a list of allowed values that are
// matched ignoring case (the value keeps the case it was typed in).
class CCmdLineArgString : public CCmdLineArg {
public:
    CCmdLineArgString(const char* name, const char* description,
                      const char* defaultValue, unsigned flags);

    const char* GetValueLabel() const override { return "<string>"; }
    const char* GetChoicesText() override;
    bool Validate(const char* text) const override;
    bool SetValue(const char* text) override;

    void AddAllowedValue(const char* value);
    // The value given on the command line, or the default when none was.
    const char* GetValue() const { return IsSet() ? m_value : m_defaultValue; }

private:
    CStr m_defaultValue;
    CStr m_value;
    std::vector<CStr> m_allowedValues;
    CStr m_choicesText;
};

// An on/off argument: "-y" or "-y+" turns it on, "-y-" off.
class CCmdLineArgToggle : public CCmdLineArg {
public:
    CCmdLineArgToggle(const char* name, const char* description, bool defaultValue,
                      bool showsSigns, unsigned flags);

    const char* GetValueLabel() const override { return ""; }
    const char* GetChoicesText() override { return m_showsSigns ? "{+|-}" : ""; }
    bool Validate(const char* text) const override;
    bool SetValue(const char* text) override;

    bool GetValue() const { return IsSet() ? m_value : m_defaultValue; }

private:
    bool m_defaultValue;
    bool m_showsSigns;
    bool m_value;
};
