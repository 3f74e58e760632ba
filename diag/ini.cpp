#include "diag/ini.h"

#include <cstring>
#include <limits>
#include <new>

#include "common/framework/exceptions.h"
#include "common/platform.h"

namespace {

constexpr std::uint32_t BufferStep = 512;

}  // namespace

void CIni::SetPath(const char* path) {
    if (path == nullptr) {
        if (iniPath) {
            iniPath.get()[0] = '\0';
        }
        return;
    }
    // The copy is made before the held path is let go, so that a failure
    // leaves the old path in place (and path may be the held one).
    const std::size_t length = std::strlen(path);
    // NOLINTNEXTLINE(cppcoreguidelines-no-malloc,cppcoreguidelines-owning-memory)
    auto* copy = static_cast<char*>(std::malloc(length + 1));
    if (copy == nullptr) {
        throw CMemoryException();
    }
    std::memcpy(copy, path, length + 1);
    iniPath.reset(copy);
}

CString CIni::GetDebugLevel() {
    if (!iniPath) {
        return "0";  // no settings file named: the default, without asking the reader
    }
    std::uint32_t size = BufferStep;
    for (;;) {
        // One byte more than the reader is told of.
        std::unique_ptr<char[]> buffer;  // NOLINT(cppcoreguidelines-avoid-c-arrays)
        try {
            buffer = std::make_unique<char[]>(std::size_t{size} + 1);  // NOLINT(cppcoreguidelines-avoid-c-arrays)
        } catch (const std::bad_alloc&) {
            throw CMemoryException();
        }
        const std::uint32_t copied =
            sorvenna::Sys().GetPrivateProfileStringA("Settings", "DEBUG", "0", buffer.get(), size, iniPath.get());
        // The reader returns size - 1 when it cut the value: read again, larger.
        if (copied + 1U < size) {
            return buffer.get();
        }
        if (size > std::numeric_limits<std::uint32_t>::max() - BufferStep - 1U) {
            throw CMemoryException();
        }
        size += BufferStep;
    }
}
