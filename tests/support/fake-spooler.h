#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tests/support/platform-wrapper.h"

namespace sorvenna::testing {

// One job of a scripted queue; a name left unset reaches the caller as null.
struct FakeJob {
    std::uint32_t jobId = 0;
    std::optional<std::string> owner;
    std::optional<std::string> document;
    std::uint32_t status = 0;
};

// A print spooler that serves a scripted queue and records what it was
// asked; everything else goes to the platform it wraps. Answers are laid
// out in the caller's buffer as the Windows spooler lays them out: the
// records first, then the strings they point to. A call with a buffer too
// small (the first call of each pair) fails and reports the bytes needed.
class FakeSpooler : public PlatformWrapper {
public:
    explicit FakeSpooler(Platform& target) : PlatformWrapper(target) {}

    // The script.
    std::vector<FakeJob> jobs;          // in queue order
    bool printerInstalled = true;       // false: OpenPrinterA fails
    bool failSecondGetPrinter = false;  // the call with the buffer fails
    bool failSecondEnumJobs = false;
    // Records the second EnumJobsA claims to have returned, whatever it laid out.
    std::optional<std::uint32_t> claimedReturned;
    // The owner and document strings point outside the caller's buffer.
    bool stringsOutsideBuffer = false;

    // What was asked, one line a call, for example
    // "EnumJobsA first 0 count 2 level 1 buffer 160".
    std::vector<std::string> calls;
    // Handles opened and not yet closed.
    std::set<PrinterHandle> openHandles;
    int opened = 0;
    int closed = 0;

    bool OpenPrinterA(const char* printerName, PrinterHandle* printer, const void* defaults) override;
    bool GetPrinterA(PrinterHandle printer, std::uint32_t level, std::byte* buffer, std::uint32_t size,
                     std::uint32_t* needed) override;
    bool EnumJobsA(PrinterHandle printer, std::uint32_t firstJob, std::uint32_t jobCount, std::uint32_t level,
                   std::byte* buffer, std::uint32_t size, std::uint32_t* needed, std::uint32_t* returned) override;
    bool ClosePrinter(PrinterHandle printer) override;

private:
    [[nodiscard]] bool IsOpen(PrinterHandle printer) const { return openHandles.count(printer) != 0; }

    std::vector<int> handleTokens_ = std::vector<int>(64);
    std::string elsewhere_ = "not in the answer";
};

}  // namespace sorvenna::testing
