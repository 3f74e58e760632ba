#include "common/text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include "common/framework/exceptions.h"
#include "common/platform.h"

namespace {

std::size_t LengthOf(const char* text) { return text == nullptr ? 0 : std::strlen(text); }

void CheckLength(std::size_t length) {
    if (length > static_cast<std::size_t>(CString::MaxLength)) {
        throw CInvalidArgException("text longer than 2147483647 bytes");
    }
}

// Runs a change of the byte string, turning the library's allocation
// failure into the agent's own out-of-memory error.
template <typename Change>
void Guarded(Change change) {
    try {
        change();
    } catch (const std::bad_alloc&) {
        throw CMemoryException();
    } catch (const std::length_error&) {
        throw CMemoryException();
    }
}

}  // namespace

CString::CString(const char* text) { *this = text; }

CString::CString(const char* bytes, int length) {
    if (length > 0) {
        Guarded([&] { bytes_.assign(bytes, static_cast<std::size_t>(length)); });
    }
}

CString::CString(std::string bytes) : bytes_(std::move(bytes)) {}

CString& CString::operator=(const char* text) {
    const std::size_t length = LengthOf(text);
    CheckLength(length);
    Guarded([&] { bytes_.assign(text == nullptr ? "" : text, length); });
    return *this;
}

CString& CString::operator+=(const CString& text) {
    CheckLength(bytes_.size() + text.bytes_.size());
    Guarded([&] { bytes_ += text.bytes_; });
    return *this;
}

CString& CString::operator+=(const char* text) {
    const std::size_t length = LengthOf(text);
    CheckLength(bytes_.size() + length);
    if (length > 0) {
        Guarded([&] { bytes_.append(text, length); });
    }
    return *this;
}

CString operator+(const CString& left, const CString& right) {
    CString result(left);
    result += right;
    return result;
}

CString operator+(const CString& left, const char* right) {
    CString result(left);
    result += right;
    return result;
}

CString operator+(const char* left, const CString& right) {
    CString result(left);
    result += right;
    return result;
}

void CString::Format(const char* pattern, ...) {
    if (pattern == nullptr) {
        throw CInvalidArgException("null format pattern");
    }
    std::va_list arguments;
    va_start(arguments, pattern);
    std::va_list again;
    va_copy(again, arguments);
    const int length = std::vsnprintf(nullptr, 0, pattern, arguments);
    va_end(arguments);
    if (length < 0) {
        va_end(again);
        throw CInvalidArgException("format pattern cannot be rendered");
    }
    std::string output;
    try {
        output.resize(static_cast<std::size_t>(length));
    } catch (const std::bad_alloc&) {
        va_end(again);
        throw CMemoryException();
    }
    // The second pass writes exactly the length measured by the first, and its NUL lands
    // in the string's own terminator slot.
    std::vsnprintf(output.data(), output.size() + 1, pattern, again);
    va_end(again);
    bytes_ = std::move(output);
}

int CString::Replace(const char* search, const char* replacement) {
    const std::size_t searchLength = LengthOf(search);
    if (searchLength == 0) {
        return 0;
    }
    const std::size_t replacementLength = LengthOf(replacement);
    sorvenna::Platform& platform = sorvenna::Sys();

    // One left-to-right scan, stepping character by character so that an
    // occurrence can only begin where a character begins.
    std::string result;
    int count = 0;
    std::size_t copiedUpTo = 0;
    std::size_t position = 0;
    while (position + searchLength <= bytes_.size()) {
        if (std::memcmp(bytes_.data() + position, search, searchLength) == 0) {
            if (count == 0) {
                // Sized once, for the final length, before anything is replaced.
                std::size_t occurrences = 1;
                for (std::size_t scan = position + searchLength; scan + searchLength <= bytes_.size();) {
                    if (std::memcmp(bytes_.data() + scan, search, searchLength) == 0) {
                        ++occurrences;
                        scan += searchLength;
                    } else {
                        scan += (platform.IsLeadByte(static_cast<unsigned char>(bytes_[scan])) ? 2U : 1U);
                    }
                }
                const std::size_t newLength =
                    bytes_.size() - occurrences * searchLength + occurrences * replacementLength;
                CheckLength(newLength);
                Guarded([&] { result.reserve(newLength); });
            }
            result.append(bytes_, copiedUpTo, position - copiedUpTo);
            result.append(replacement == nullptr ? "" : replacement, replacementLength);
            ++count;
            position += searchLength;
            copiedUpTo = position;
        } else {
            position += (platform.IsLeadByte(static_cast<unsigned char>(bytes_[position])) ? 2U : 1U);
        }
    }
    if (count == 0) {
        return 0;
    }
    result.append(bytes_, copiedUpTo, std::string::npos);
    bytes_ = std::move(result);
    return count;
}

void CString::MakeLower() {
    sorvenna::Platform& platform = sorvenna::Sys();
    auto* bytes = reinterpret_cast<unsigned char*>(bytes_.data());
    const std::size_t length = bytes_.size();
    for (std::size_t position = 0; position < length;) {
        const std::size_t width = platform.IsLeadByte(bytes[position]) && position + 1 < length ? 2 : 1;
        platform.LowerCharacter(bytes + position, width);
        position += width;
    }
}

bool CString::operator==(const char* text) const {
    if (text == nullptr) {
        throw CException("comparison with a null C string");
    }
    return bytes_ == text;
}
