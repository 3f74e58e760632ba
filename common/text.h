#pragma once

#include <string>

// CString: the agent's Text string. A counted byte string in the process's
// ANSI code page with value semantics: every copy is an independent value.
// It never holds a NUL inside its length, and GetString() always has one
// after the last byte, so it can be handed to anything taking a C string.
//
// Searching and lower-casing are character-aware: in a double-byte code page
// a lead byte and the byte after it are one character.
//
// Failures are raised: CMemoryException when memory runs out,
// CInvalidArgException for a result longer than MaxLength or a null pattern.
class CString {
public:
    static constexpr int MaxLength = 2147483647;

    CString() = default;
    CString(const char* text);  // NOLINT(google-explicit-constructor): a C string is a text
    CString(const char* bytes, int length);

    CString& operator=(const char* text);

    [[nodiscard]] const char* GetString() const noexcept { return bytes_.c_str(); }
    [[nodiscard]] int GetLength() const noexcept { return static_cast<int>(bytes_.size()); }
    [[nodiscard]] bool IsEmpty() const noexcept { return bytes_.empty(); }

    CString& operator+=(const CString& text);
    CString& operator+=(const char* text);
    void Append(const CString& text) { *this += text; }
    void Append(const char* text) { *this += text; }

    // Sets the text to the printf output of the values by the pattern.
    void Format(const char* pattern, ...) __attribute__((format(printf, 2, 3)));

    // Replaces every occurrence of search, scanning left to right; inserted
    // text is never searched again. Returns the number of occurrences.
    int Replace(const char* search, const char* replacement);

    // Lower-cases the text in place by the ANSI code page's rules.
    void MakeLower();

    // Byte-exact, case-sensitive comparison; a null C string raises.
    [[nodiscard]] bool operator==(const char* text) const;
    [[nodiscard]] bool operator!=(const char* text) const { return !(*this == text); }
    [[nodiscard]] bool operator==(const CString& text) const noexcept { return bytes_ == text.bytes_; }

private:
    explicit CString(std::string bytes);
    friend CString operator+(const CString& left, const CString& right);
    friend CString operator+(const CString& left, const char* right);
    friend CString operator+(const char* left, const CString& right);

    std::string bytes_;
};

CString operator+(const CString& left, const CString& right);
CString operator+(const CString& left, const char* right);
CString operator+(const char* left, const CString& right);
