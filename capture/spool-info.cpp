// The print-queue inquiry: which job is printing on "Print to Sorvenna".

#include "capture/spool-info.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <new>
#include <optional>
#include <vector>

#include "common/job-context.h"
#include "common/platform.h"
#include "diag/log-file.h"

namespace {

using sorvenna::JobInfo1;
using sorvenna::Platform;
using sorvenna::PrinterHandle;
using sorvenna::PrinterInfo2;

constexpr const char* PrinterName = "Print to Sorvenna";
constexpr std::uint32_t PrinterInfoLevel = 2;
constexpr std::uint32_t JobInfoLevel = 1;
constexpr std::uint32_t FirstJob = 0;

// The whole status word decides: a printing job with any further bit set
// (still spooling, say) is not the one.
bool IsPrintingJob(std::uint32_t status) {
    return status == sorvenna::JobStatusPrinting ||
           status == (sorvenna::JobStatusPrinting | sorvenna::JobStatusRetained);
}

// The printer handle, closed when the inquiry ends, however it ends.
class OpenPrinter {
public:
    OpenPrinter(Platform& platform, PrinterHandle handle) : platform_(platform), handle_(handle) {}
    OpenPrinter(const OpenPrinter&) = delete;
    OpenPrinter& operator=(const OpenPrinter&) = delete;
    ~OpenPrinter() { platform_.ClosePrinter(handle_); }

    [[nodiscard]] PrinterHandle Handle() const noexcept { return handle_; }

private:
    Platform& platform_;
    PrinterHandle handle_;
};

// A spooler buffer of exactly the size the spooler asked for; empty when
// that much memory cannot be had (the queue then reads as empty).
std::vector<std::byte> SpoolerBuffer(std::uint32_t size) {
    try {
        return std::vector<std::byte>(size);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

// The number of jobs queued; nothing when the printer information cannot be had.
std::optional<std::uint32_t> QueuedJobCount(Platform& platform, PrinterHandle printer) {
    std::uint32_t needed = 0;
    // Learns the size only; fails by design.
    platform.GetPrinterA(printer, PrinterInfoLevel, nullptr, 0, &needed);
    if (needed < sizeof(PrinterInfo2)) {
        return std::nullopt;
    }
    std::vector<std::byte> buffer = SpoolerBuffer(needed);
    if (buffer.empty() || !platform.GetPrinterA(printer, PrinterInfoLevel, buffer.data(), needed, &needed)) {
        return std::nullopt;
    }
    PrinterInfo2 information{};
    std::memcpy(&information, buffer.data(), sizeof information);
    return information.cJobs;
}

// The job list as the spooler returned it: the records and the strings they
// point to, all in one buffer.
struct JobList {
    std::vector<std::byte> buffer;
    std::uint32_t returned = 0;

    [[nodiscard]] JobInfo1 Record(std::uint32_t index) const {
        JobInfo1 record{};
        std::memcpy(&record, buffer.data() + std::size_t{index} * sizeof(JobInfo1), sizeof record);
        return record;
    }

    // A string of a record as text: empty when null, and empty when it does
    // not end inside the buffer, which the spooler never hands out.
    [[nodiscard]] CString Text(const char* text) const {
        if (text == nullptr) {
            return {};
        }
        const auto* first = reinterpret_cast<const char*>(buffer.data());
        const char* end = first + buffer.size();
        const std::less<> before;  // a total order, also for pointers elsewhere
        if (before(text, first) || !before(text, end)) {
            return {};
        }
        const auto available = static_cast<std::size_t>(end - text);
        if (std::memchr(text, '\0', available) == nullptr) {
            return {};
        }
        return text;
    }
};

// The jobs of the queue; no records when the list cannot be had or the
// spooler reports more records than its answer holds.
JobList QueuedJobs(Platform& platform, PrinterHandle printer, std::uint32_t jobCount) {
    JobList jobs;
    std::uint32_t needed = 0;
    std::uint32_t returned = 0;
    // Learns the size only; with nothing queued it needs no bytes.
    platform.EnumJobsA(printer, FirstJob, jobCount, JobInfoLevel, nullptr, 0, &needed, &returned);
    if (needed == 0) {
        return jobs;
    }
    jobs.buffer = SpoolerBuffer(needed);
    returned = 0;
    if (jobs.buffer.empty() ||
        !platform.EnumJobsA(printer, FirstJob, jobCount, JobInfoLevel, jobs.buffer.data(), needed, &needed,
                            &returned) ||
        std::size_t{returned} > jobs.buffer.size() / sizeof(JobInfo1)) {
        return {};
    }
    jobs.returned = returned;
    return jobs;
}

}  // namespace

CString GetSpoolInfo() {
    Platform& platform = sorvenna::Sys();
    PrinterHandle handle = nullptr;
    if (!platform.OpenPrinterA(PrinterName, &handle, nullptr)) {
        return {};
    }
    const OpenPrinter printer(platform, handle);

    const std::optional<std::uint32_t> jobCount = QueuedJobCount(platform, printer.Handle());
    if (!jobCount) {
        return {};
    }
    const JobList jobs = QueuedJobs(platform, printer.Handle(), *jobCount);
    CString owner;
    // Every record the spooler returned, however many (no 16-bit counter).
    for (std::uint32_t index = 0; index < jobs.returned; ++index) {
        const JobInfo1 record = jobs.Record(index);
        if (!IsPrintingJob(record.Status)) {
            continue;
        }
        // A later printing job replaces every field: they never mix.
        documentName = jobs.Text(record.pDocument);
        owner = jobs.Text(record.pUserName);
        jobId = static_cast<std::int32_t>(record.JobId);
        jobIdText.Format("%d", jobId);
        const CString logFilePath = MakeLogFilePath();
        if (debugLevel == "2") {
            activityLog.SetLogContext(logFilePath.GetString(), "Spool", "GetSpoolInfo");
            activityLog.WriteLog(("Printed File username :" + owner).GetString());
            activityLog.WriteLog(("Job ID :" + jobIdText).GetString());
        }
    }
    return owner;
}
