// The print spooler on Linux is CUPS. A printer handle is a connection to
// the server and the queue of the printer's name; every GetPrinterA and
// EnumJobsA asks the server afresh, so the queue may change between the two
// calls of a pair, as on Windows.

#include <algorithm>
#include <cerrno>
#include <memory>
#include <span>

#include "common/posix/cups-queue.h"
#include "common/posix/posix-platform.h"

namespace sorvenna {
namespace {

constexpr std::uint32_t PrinterLevel = 2;
constexpr std::uint32_t JobLevel = 1;

struct CupsPrinter {
    std::string printerName;  // as opened
    std::string queue;
    CupsConnection connection;
};

CupsPrinter* PrinterOf(PrinterHandle handle) { return static_cast<CupsPrinter*>(handle); }

}  // namespace

bool PosixPlatform::OpenPrinterA(const char* printerName, PrinterHandle* printer, const void* /*defaults*/) {
    if (printer == nullptr) {
        errno = EINVAL;
        return false;
    }
    *printer = nullptr;
    if (printerName == nullptr || printerName[0] == '\0') {
        errno = EINVAL;  // the print server itself is not offered
        return false;
    }
    auto opened = std::make_unique<CupsPrinter>();
    opened->printerName = printerName;
    opened->queue = CupsQueueNameOf(printerName);
    opened->connection = ConnectToCups();
    if (!opened->connection) {
        errno = ECONNREFUSED;
        return false;
    }
    if (!AskCupsQueue(opened->connection.get(), opened->queue)) {
        errno = ENOENT;
        return false;
    }
    *printer = opened.release();
    return true;
}

bool PosixPlatform::GetPrinterA(PrinterHandle printer, std::uint32_t level, std::byte* buffer, std::uint32_t size,
                                std::uint32_t* needed) {
    if (needed == nullptr || printer == nullptr || level != PrinterLevel) {
        errno = EINVAL;
        return false;
    }
    *needed = 0;
    CupsPrinter& opened = *PrinterOf(printer);
    const std::optional<CupsQueueFacts> queue = AskCupsQueue(opened.connection.get(), opened.queue);
    const std::optional<std::vector<JobFacts>> jobs = AskCupsJobs(opened.connection.get(), opened.queue);
    if (!queue || !jobs) {
        errno = EIO;
        return false;
    }
    PrinterFacts facts;
    facts.printerName = opened.printerName;
    facts.comment = queue->info;
    facts.location = queue->location;
    facts.status = PrinterStatusOfCupsQueue(queue->state);
    facts.jobCount = static_cast<std::uint32_t>(jobs->size());
    if (!PackPrinterInfo2(facts, buffer, size, needed)) {
        errno = ENOBUFS;
        return false;
    }
    return true;
}

bool PosixPlatform::EnumJobsA(PrinterHandle printer, std::uint32_t firstJob, std::uint32_t jobCount,
                              std::uint32_t level, std::byte* buffer, std::uint32_t size, std::uint32_t* needed,
                              std::uint32_t* returned) {
    if (needed == nullptr || returned == nullptr || printer == nullptr || level != JobLevel) {
        errno = EINVAL;
        return false;
    }
    *needed = 0;
    *returned = 0;
    CupsPrinter& opened = *PrinterOf(printer);
    const std::optional<std::vector<JobFacts>> jobs = AskCupsJobs(opened.connection.get(), opened.queue);
    if (!jobs) {
        errno = EIO;
        return false;
    }
    // Records firstJob (counted from 0 in queue order) onwards, at most jobCount.
    std::span<const JobFacts> wanted(*jobs);
    wanted = wanted.subspan(std::min<std::size_t>(firstJob, wanted.size()));
    wanted = wanted.first(std::min<std::size_t>(jobCount, wanted.size()));
    if (!PackJobInfo1(opened.printerName, wanted, firstJob + 1, buffer, size, needed, returned)) {
        errno = ENOBUFS;
        return false;
    }
    return true;
}

bool PosixPlatform::ClosePrinter(PrinterHandle printer) {
    if (printer == nullptr) {
        errno = EBADF;
        return false;
    }
    const std::unique_ptr<CupsPrinter> closed(PrinterOf(printer));
    return true;
}

}  // namespace sorvenna
