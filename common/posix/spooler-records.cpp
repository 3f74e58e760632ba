#include "common/posix/spooler-records.h"

#include <cstring>
#include <ctime>
#include <limits>

namespace sorvenna {
namespace {

constexpr std::uint32_t JobStatusPaused = 0x1;
constexpr std::uint32_t JobStatusError = 0x2;
constexpr std::uint32_t JobStatusPrinted = 0x80;
constexpr std::uint32_t JobStatusDeleted = 0x100;
constexpr std::uint32_t JobStatusUserIntervention = 0x400;

constexpr std::uint32_t PrinterStatusPaused = 0x1;
constexpr std::uint32_t PrinterStatusPrinting = 0x400;

std::uint64_t StringBytes(const std::optional<std::string>& text) { return text ? text->size() + 1 : 0; }

// Writes strings one after the other from a place in the buffer on.
class StringArea {
public:
    StringArea(std::byte* buffer, std::size_t start) : next_(buffer + start) {}

    // The copy of text in the buffer; null for no text.
    char* Put(const std::optional<std::string>& text) {
        if (!text) {
            return nullptr;
        }
        char* copy = reinterpret_cast<char*>(next_);
        std::memcpy(copy, text->c_str(), text->size() + 1);
        next_ += text->size() + 1;
        return copy;
    }

private:
    std::byte* next_;
};

// The bytes wanted, or false when they pass what a 32-bit size can say.
bool Fits(std::uint64_t wanted, std::byte* buffer, std::uint32_t size, std::uint32_t* needed) {
    if (wanted > std::numeric_limits<std::uint32_t>::max()) {
        *needed = std::numeric_limits<std::uint32_t>::max();
        return false;
    }
    *needed = static_cast<std::uint32_t>(wanted);
    return wanted == 0 || (buffer != nullptr && size >= wanted);
}

SystemTime SystemTimeOf(std::int64_t seconds) {
    SystemTime time{};
    const auto value = static_cast<std::time_t>(seconds);
    std::tm utc{};
    if (seconds <= 0 || gmtime_r(&value, &utc) == nullptr) {
        return time;
    }
    time.wYear = static_cast<std::uint16_t>(utc.tm_year + 1900);
    time.wMonth = static_cast<std::uint16_t>(utc.tm_mon + 1);
    time.wDayOfWeek = static_cast<std::uint16_t>(utc.tm_wday);
    time.wDay = static_cast<std::uint16_t>(utc.tm_mday);
    time.wHour = static_cast<std::uint16_t>(utc.tm_hour);
    time.wMinute = static_cast<std::uint16_t>(utc.tm_min);
    time.wSecond = static_cast<std::uint16_t>(utc.tm_sec);
    return time;
}

}  // namespace

std::uint32_t JobStatusOfCupsJob(int jobState, bool documentIncoming) {
    std::uint32_t status = 0;
    switch (static_cast<CupsJobState>(jobState)) {
        case CupsJobState::Pending: status = 0; break;
        case CupsJobState::Held: status = JobStatusPaused; break;
        case CupsJobState::Processing: status = JobStatusPrinting; break;
        case CupsJobState::Stopped: status = JobStatusPaused | JobStatusUserIntervention; break;
        case CupsJobState::Canceled: status = JobStatusDeleted; break;
        case CupsJobState::Aborted: status = JobStatusError; break;
        case CupsJobState::Completed: status = JobStatusPrinted; break;
        default: status = JobStatusError; break;
    }
    return documentIncoming ? status | JobStatusSpooling : status;
}

std::uint32_t PrinterStatusOfCupsQueue(int printerState) {
    switch (static_cast<CupsPrinterState>(printerState)) {
        case CupsPrinterState::Processing: return PrinterStatusPrinting;
        case CupsPrinterState::Stopped: return PrinterStatusPaused;
        case CupsPrinterState::Idle: break;
    }
    return 0;
}

bool PackPrinterInfo2(const PrinterFacts& printer, std::byte* buffer, std::uint32_t size, std::uint32_t* needed) {
    if (needed == nullptr) {
        return false;
    }
    const std::optional<std::string> name = printer.printerName;
    const std::optional<std::string> comment = printer.comment;
    const std::optional<std::string> location = printer.location;
    const std::optional<std::string> datatype = std::string("RAW");
    const std::uint64_t wanted =
        sizeof(PrinterInfo2) + StringBytes(name) + StringBytes(comment) + StringBytes(location) + StringBytes(datatype);
    if (!Fits(wanted, buffer, size, needed)) {
        return false;
    }
    StringArea strings(buffer, sizeof(PrinterInfo2));
    PrinterInfo2 record{};
    record.pPrinterName = strings.Put(name);
    record.pComment = strings.Put(comment);
    record.pLocation = strings.Put(location);
    record.pDatatype = strings.Put(datatype);
    record.Priority = 1;
    record.Status = printer.status;
    record.cJobs = printer.jobCount;
    std::memcpy(buffer, &record, sizeof record);
    return true;
}

bool PackJobInfo1(const std::string& printerName, std::span<const JobFacts> jobs, std::uint32_t firstPosition,
                  std::byte* buffer, std::uint32_t size, std::uint32_t* needed, std::uint32_t* returned) {
    if (needed == nullptr || returned == nullptr) {
        return false;
    }
    *returned = 0;
    const std::optional<std::string> printer = printerName;
    const std::optional<std::string> datatype = std::string("RAW");
    std::uint64_t wanted = 0;
    for (const JobFacts& job : jobs) {
        wanted += sizeof(JobInfo1) + StringBytes(printer) + StringBytes(job.userName) + StringBytes(job.documentName) +
                  StringBytes(datatype);
    }
    if (!Fits(wanted, buffer, size, needed)) {
        return false;
    }
    StringArea strings(buffer, jobs.size() * sizeof(JobInfo1));
    std::uint32_t position = firstPosition;
    for (std::size_t index = 0; index < jobs.size(); ++index) {
        const JobFacts& job = jobs[index];
        JobInfo1 record{};
        record.JobId = job.id;
        record.pPrinterName = strings.Put(printer);
        record.pUserName = strings.Put(job.userName);
        record.pDocument = strings.Put(job.documentName);
        record.pDatatype = strings.Put(datatype);
        record.Status = job.status;
        record.Priority = job.priority;
        record.Position = position++;
        record.Submitted = SystemTimeOf(job.submitted);
        std::memcpy(buffer + index * sizeof(JobInfo1), &record, sizeof record);
    }
    *returned = static_cast<std::uint32_t>(jobs.size());
    return true;
}

}  // namespace sorvenna
