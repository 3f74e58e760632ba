// The print spooler: the system's own calls. The logic reads the spooler's
// buffers through our record types, so these must match the system's
// records in size and in the place of every field the logic reads.

#include <cstddef>

#include "common/win32/win32-platform.h"
#include "common/win32/windows-api.h"

namespace sorvenna {
namespace {

static_assert(sizeof(PrinterInfo2) == sizeof(PRINTER_INFO_2A));
static_assert(offsetof(PrinterInfo2, pPrinterName) == offsetof(PRINTER_INFO_2A, pPrinterName));
static_assert(offsetof(PrinterInfo2, Status) == offsetof(PRINTER_INFO_2A, Status));
static_assert(offsetof(PrinterInfo2, cJobs) == offsetof(PRINTER_INFO_2A, cJobs));

static_assert(sizeof(JobInfo1) == sizeof(JOB_INFO_1A));
static_assert(offsetof(JobInfo1, JobId) == offsetof(JOB_INFO_1A, JobId));
static_assert(offsetof(JobInfo1, pPrinterName) == offsetof(JOB_INFO_1A, pPrinterName));
static_assert(offsetof(JobInfo1, pUserName) == offsetof(JOB_INFO_1A, pUserName));
static_assert(offsetof(JobInfo1, pDocument) == offsetof(JOB_INFO_1A, pDocument));
static_assert(offsetof(JobInfo1, Status) == offsetof(JOB_INFO_1A, Status));
static_assert(offsetof(JobInfo1, Submitted) == offsetof(JOB_INFO_1A, Submitted));
static_assert(sizeof(SystemTime) == sizeof(SYSTEMTIME));

static_assert(JobStatusSpooling == JOB_STATUS_SPOOLING);
static_assert(JobStatusPrinting == JOB_STATUS_PRINTING);
// (The toolchain names no retained bit, 0x2000.)

void Report(std::uint32_t* target, DWORD value) {
    if (target != nullptr) {
        *target = value;
    }
}

}  // namespace

bool Win32Platform::OpenPrinterA(const char* printerName, PrinterHandle* printer, const void* defaults) {
    HANDLE handle = nullptr;
    // The spooler takes the name and defaults as writable but only reads them.
    const bool opened = ::OpenPrinterA(const_cast<char*>(printerName), &handle,
                                       static_cast<LPPRINTER_DEFAULTSA>(const_cast<void*>(defaults))) != FALSE;
    if (printer != nullptr) {
        *printer = opened ? handle : nullptr;
    }
    return opened;
}

bool Win32Platform::GetPrinterA(PrinterHandle printer, std::uint32_t level, std::byte* buffer, std::uint32_t size,
                                std::uint32_t* needed) {
    DWORD bytesNeeded = 0;
    const bool got = ::GetPrinterA(printer, level, reinterpret_cast<LPBYTE>(buffer), size, &bytesNeeded) != FALSE;
    Report(needed, bytesNeeded);
    return got;
}

bool Win32Platform::EnumJobsA(PrinterHandle printer, std::uint32_t firstJob, std::uint32_t jobCount,
                              std::uint32_t level, std::byte* buffer, std::uint32_t size, std::uint32_t* needed,
                              std::uint32_t* returned) {
    DWORD bytesNeeded = 0;
    DWORD records = 0;
    const bool got = ::EnumJobsA(printer, firstJob, jobCount, level, reinterpret_cast<LPBYTE>(buffer), size,
                                 &bytesNeeded, &records) != FALSE;
    Report(needed, bytesNeeded);
    Report(returned, records);
    return got;
}

bool Win32Platform::ClosePrinter(PrinterHandle printer) { return ::ClosePrinter(printer) != FALSE; }

}  // namespace sorvenna
