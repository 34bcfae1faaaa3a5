#include "CmdLineArg.h"

CCmdLineArg::CCmdLineArg(const char* name, const char* description, unsigned flags)
    : m_name(name), m_description(description), m_flags(flags), m_set(false)
{
}

CCmdLineArg::~CCmdLineArg() = default;

bool CCmdLineArg::SetValue(const char* /*text*/)
{
    m_set = true;
    return true;
}

CCmdLineArgString::CCmdLineArgString(const char* name, const char* description,
                                     const char* defaultValue, unsigned flags)
    : CCmdLineArg(name, description, flags), m_defaultValue(defaultValue)
{
}

const char* CCmdLineArgString::GetChoicesText()
{
    m_choicesText = "";
    if (m_allowedValues.empty())
        return m_choicesText;
    m_choicesText = "{";
    for (const CStr& allowed : m_allowedValues) {
        if (&allowed != &m_allowedValues.front())
            m_choicesText += "|";
        m_choicesText += allowed;
    }
    m_choicesText += "}";
    return m_choicesText;
}

bool CCmdLineArgString::Validate(const char* text) const
{
    if (m_allowedValues.empty())
        return true;
    for (const CStr& allowed : m_allowedValues)
        if (EqualNoCase(text, allowed))
            return true;
    return false;
}

// Named words reach SetValue without Validate, so the allowed values are
// checked here as well: "-mode=bogus" must not pass where only a few values
// are allowed.
bool CCmdLineArgString::SetValue(const char* text)
{
    CCmdLineArg::SetValue(text);
    if (!Validate(text))
        return false;
    m_value = text;
    return true;
}

void CCmdLineArgString::AddAllowedValue(const char* value)
{
    m_allowedValues.emplace_back(value);
}

CCmdLineArgToggle::CCmdLineArgToggle(const char* name, const char* description,
                                     bool defaultValue, bool showsSigns, unsigned flags)
    : CCmdLineArg(name, description, flags),
      m_defaultValue(defaultValue),
      m_showsSigns(showsSigns),
      m_value(false)
{
}

bool CCmdLineArgToggle::Validate(const char* text) const
{
    return text[0] == '\0' || ((text[0] == '+' || text[0] == '-') && text[1] == '\0');
}

// Only the first character counts: "-v+x" is on, "-v-x" off.
bool CCmdLineArgToggle::SetValue(const char* text)
{
    CCmdLineArg::SetValue(text);
    if (text[0] == '\0' || text[0] == '+') {
        m_value = true;
        return true;
    }
    if (text[0] == '-') {
        m_value = false;
        return true;
    }
    return false;
}
