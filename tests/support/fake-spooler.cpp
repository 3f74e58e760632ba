#include "tests/support/fake-spooler.h"

#include <algorithm>
#include <cstring>

namespace sorvenna::testing {
namespace {

constexpr const char* PrinterName = "Print to Sorvenna";

// Lays out records and then their strings in a caller's buffer.
class Layout {
public:
    Layout(std::byte* buffer, std::size_t recordBytes) : buffer_(buffer), strings_(recordBytes) {}

    // Copies text after the records; null for an unset text.
    char* Place(const std::optional<std::string>& text) {
        if (!text) {
            return nullptr;
        }
        char* at = reinterpret_cast<char*>(buffer_ + strings_);
        std::memcpy(at, text->c_str(), text->size() + 1);
        strings_ += text->size() + 1;
        return at;
    }

    template <typename Record>
    void PutRecord(std::size_t index, const Record& record) {
        std::memcpy(buffer_ + index * sizeof(Record), &record, sizeof(Record));
    }

private:
    std::byte* buffer_;
    std::size_t strings_;
};

std::size_t StringBytes(const std::optional<std::string>& text) { return text ? text->size() + 1 : 0; }

std::string BufferText(const std::byte* buffer, std::uint32_t size) {
    return buffer == nullptr ? "none" : std::to_string(size);
}

}  // namespace

bool FakeSpooler::OpenPrinterA(const char* printerName, PrinterHandle* printer, const void* defaults) {
    calls.push_back(std::string("OpenPrinterA ") + (printerName == nullptr ? "<null>" : printerName) +
                    (defaults == nullptr ? "" : " with defaults"));
    if (!printerInstalled || printerName == nullptr || std::strcmp(printerName, PrinterName) != 0) {
        return false;
    }
    PrinterHandle handle = &handleTokens_.at(static_cast<std::size_t>(opened));
    ++opened;
    openHandles.insert(handle);
    *printer = handle;
    return true;
}

bool FakeSpooler::GetPrinterA(PrinterHandle printer, std::uint32_t level, std::byte* buffer, std::uint32_t size,
                              std::uint32_t* needed) {
    calls.push_back("GetPrinterA level " + std::to_string(level) + " buffer " + BufferText(buffer, size));
    if (!IsOpen(printer) || level != 2) {
        return false;
    }
    const std::optional<std::string> name = PrinterName;
    const std::size_t bytes = sizeof(PrinterInfo2) + StringBytes(name);
    *needed = static_cast<std::uint32_t>(bytes);
    if (buffer == nullptr || size < bytes) {
        return false;
    }
    if (failSecondGetPrinter) {
        return false;
    }
    Layout layout(buffer, sizeof(PrinterInfo2));
    PrinterInfo2 information{};
    information.pPrinterName = layout.Place(name);
    information.cJobs = static_cast<std::uint32_t>(jobs.size());
    layout.PutRecord(0, information);
    return true;
}

bool FakeSpooler::EnumJobsA(PrinterHandle printer, std::uint32_t firstJob, std::uint32_t jobCount, std::uint32_t level,
                            std::byte* buffer, std::uint32_t size, std::uint32_t* needed, std::uint32_t* returned) {
    calls.push_back("EnumJobsA first " + std::to_string(firstJob) + " count " + std::to_string(jobCount) + " level " +
                    std::to_string(level) + " buffer " + BufferText(buffer, size));
    *returned = 0;
    if (!IsOpen(printer) || level != 1) {
        return false;
    }
    const std::size_t first = std::min<std::size_t>(firstJob, jobs.size());
    const std::size_t count = std::min<std::size_t>(jobCount, jobs.size() - first);
    const std::optional<std::string> printerName = PrinterName;
    std::size_t bytes = count * sizeof(JobInfo1);
    for (std::size_t index = first; index < first + count; ++index) {
        bytes += StringBytes(printerName) + StringBytes(jobs[index].owner) + StringBytes(jobs[index].document);
    }
    *needed = static_cast<std::uint32_t>(bytes);
    if (size < bytes || (buffer == nullptr && bytes > 0)) {
        return false;
    }
    if (failSecondEnumJobs && buffer != nullptr) {
        return false;
    }
    Layout layout(buffer, count * sizeof(JobInfo1));
    for (std::size_t index = 0; index < count; ++index) {
        const FakeJob& job = jobs[first + index];
        JobInfo1 record{};
        record.JobId = job.jobId;
        record.pPrinterName = layout.Place(printerName);
        record.pUserName = layout.Place(job.owner);
        record.pDocument = layout.Place(job.document);
        if (stringsOutsideBuffer) {
            record.pUserName = elsewhere_.data();
            record.pDocument = elsewhere_.data();
        }
        record.Status = job.status;
        record.Position = static_cast<std::uint32_t>(first + index + 1);
        layout.PutRecord(index, record);
    }
    *returned = claimedReturned.value_or(static_cast<std::uint32_t>(count));
    return true;
}

bool FakeSpooler::ClosePrinter(PrinterHandle printer) {
    calls.emplace_back("ClosePrinter");
    if (openHandles.erase(printer) == 0) {
        return false;
    }
    ++closed;
    return true;
}

}  // namespace sorvenna::testing
