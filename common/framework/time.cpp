#include "common/framework/time.h"

#include <array>
#include <ctime>

#include "common/platform.h"

CTime CTime::Now() { return CTime(sorvenna::Sys()._time64(nullptr)); }

CString CTime::Format(const char* pattern) const {
    std::tm local{};
    if (pattern == nullptr || !sorvenna::Sys().LocalTime(seconds_, local)) {
        return {};
    }
    std::array<char, 128> text{};
    const std::size_t length = std::strftime(text.data(), text.size(), pattern, &local);
    return {text.data(), static_cast<int>(length)};
}
