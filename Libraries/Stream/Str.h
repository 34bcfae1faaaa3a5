// CStr: a small heap-owned text. Always points at an allocation (possibly the
// empty string); copies are deep.
#pragma once

class CStr {
public:
    CStr(const char* text = nullptr);
    CStr(const CStr& other);
    explicit CStr(int value); // decimal text, '-' for negative values
    ~CStr();

    CStr& operator=(const char* text);
    CStr& operator=(const CStr& other);
    CStr& operator+=(const char* text);

    // Frees the text and returns a writable buffer of n + 1 bytes whose bytes
    // 0 and n are NUL; the caller fills up to n bytes.
    char* PrepareBuffer(unsigned n);

    const char* Get() const { return m_text; }
    operator const char*() const { return m_text; }
    unsigned Length() const;
    bool IsEmpty() const { return m_text[0] == '\0'; }

private:
    char* m_text;
};

// Text comparison that ignores the case of ASCII letters only.
bool EqualNoCase(const char* a, const char* b);
bool EqualNoCase(const char* a, const char* b, unsigned count);
