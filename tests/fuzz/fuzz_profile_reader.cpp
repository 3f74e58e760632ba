// Fuzzes the profile reader on arbitrary file bytes: it must not crash, must
// keep within its line bound, and must find the same value however the
// file's bytes are handed over.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "common/profile-reader.h"

namespace {

sorvenna::ProfileBytes StreamOf(const std::string& text, std::size_t piece) {
    return [&text, piece, offset = std::size_t{0}](char* buffer, std::size_t size) mutable -> std::int64_t {
        const std::size_t count = std::min({piece, size, text.size() - offset});
        std::memcpy(buffer, text.data() + offset, count);
        offset += count;
        return static_cast<std::int64_t>(count);
    };
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte picks the size of the reads and the buffer, the rest is the file.
    const std::size_t piece = 1U + data[0] % 7U;
    const auto bufferSize = static_cast<std::uint32_t>(data[0] % 9U);
    const std::string file(reinterpret_cast<const char*>(data + 1), size - 1);  // NOLINT: libFuzzer's bytes

    const std::optional<std::string> whole =
        sorvenna::FindProfileValue(StreamOf(file, file.size() + 1), "Settings", "DEBUG");
    const std::optional<std::string> pieces = sorvenna::FindProfileValue(StreamOf(file, piece), " settings ", "debug");
    if (whole != pieces || (whole && whole->size() > sorvenna::MaxKeptLineBytes)) {
        std::abort();
    }
    std::array<char, 10> buffer{};
    buffer.fill('#');
    const std::uint32_t copied = sorvenna::CopyProfileString(whole, "0", buffer.data(), bufferSize);
    if (bufferSize == 0 ? (copied != 0 || buffer[0] != '#')
                        : (copied >= bufferSize || buffer[copied] != '\0' || std::strlen(buffer.data()) != copied)) {
        std::abort();
    }
    return 0;
}
