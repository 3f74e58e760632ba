// STUB: replaced by the real spooler.
#include "common/posix/posix-platform.h"
namespace sorvenna {
bool PosixPlatform::OpenPrinterA(const char*, PrinterHandle*, const void*) { return false; }
bool PosixPlatform::GetPrinterA(PrinterHandle, std::uint32_t, std::byte*, std::uint32_t, std::uint32_t*) { return false; }
bool PosixPlatform::EnumJobsA(PrinterHandle, std::uint32_t, std::uint32_t, std::uint32_t, std::byte*, std::uint32_t, std::uint32_t*, std::uint32_t*) { return false; }
bool PosixPlatform::ClosePrinter(PrinterHandle) { return false; }
}
