// A stand-in for the Windows print spooler, for the Windows tests only: a
// winspool.drv with the four calls the agent makes, serving a scripted queue
// instead of the system's. It is never installed.
//
// SORVENNA_TEST_QUEUE names the queue file (a Windows path). While it is
// missing, no printer is installed. Each line that is not empty and does
// not start with "#" is one job, fields separated by TABs:
//     job id, status (decimal or 0x hex), owner, document
// with "(null)" for an owner or document the spooler does not report.
//
// SORVENNA_TEST_SPOOLER_REPORT names a file (a Windows path) to which every
// call appends one line: the call, its arguments and answer, and the
// windows of the calling process at that moment (how many, how many of
// them visible, how many dialogs).

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/win32/windows-api.h"

namespace {

constexpr const char* PrinterName = "Print to Sorvenna";

struct Job {
    DWORD id = 0;
    DWORD status = 0;
    std::string owner;
    std::string document;
    bool hasOwner = true;
    bool hasDocument = true;
};

std::string Environment(const char* name) {
    const char* value = std::getenv(name);  // NOLINT(concurrency-mt-unsafe)
    return value != nullptr ? value : "";
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) {
            return fields;
        }
        start = tab + 1;
    }
}

// False when there is no queue file: no printer is installed.
bool ReadQueue(std::vector<Job>& jobs) {
    const std::string path = Environment("SORVENNA_TEST_QUEUE");
    std::FILE* file = path.empty() ? nullptr : std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    std::string text;
    char chunk[4096];  // NOLINT(cppcoreguidelines-avoid-c-arrays)
    for (std::size_t got = 0; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
        text.append(chunk, got);
    }
    std::fclose(file);

    std::string::size_type start = 0;
    while (start < text.size()) {
        std::string::size_type end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const std::vector<std::string> fields = SplitTabs(line);
        if (fields.size() != 4) {
            continue;
        }
        Job job;
        job.id = static_cast<DWORD>(std::strtoul(fields[0].c_str(), nullptr, 0));
        job.status = static_cast<DWORD>(std::strtoul(fields[1].c_str(), nullptr, 0));
        job.hasOwner = fields[2] != "(null)";
        job.owner = fields[2];
        job.hasDocument = fields[3] != "(null)";
        job.document = fields[3];
        jobs.push_back(job);
    }
    return true;
}

struct WindowCount {
    int windows = 0;
    int visible = 0;
    int dialogs = 0;
};

BOOL CALLBACK CountWindow(HWND window, LPARAM parameter) {
    auto* count = reinterpret_cast<WindowCount*>(parameter);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process != ::GetCurrentProcessId()) {
        return TRUE;
    }
    ++count->windows;
    if (::IsWindowVisible(window) != FALSE) {
        ++count->visible;
    }
    char className[64] = {};  // NOLINT(cppcoreguidelines-avoid-c-arrays)
    ::GetClassNameA(window, className, sizeof className);
    if (std::strcmp(className, "#32770") == 0) {
        ++count->dialogs;
    }
    return TRUE;
}

void Report(const std::string& call) {
    const std::string path = Environment("SORVENNA_TEST_SPOOLER_REPORT");
    if (path.empty()) {
        return;
    }
    WindowCount count;
    ::EnumWindows(&CountWindow, reinterpret_cast<LPARAM>(&count));
    if (std::FILE* file = std::fopen(path.c_str(), "ab")) {
        std::fprintf(file, "%s windows=%d visible=%d dialogs=%d\n", call.c_str(), count.windows, count.visible,
                     count.dialogs);
        std::fclose(file);
    }
}

// One open printer.
struct Printer {
    DWORD magic = 0x53505246;  // tells a handle of ours from anything else
    std::vector<Job> jobs;
};

Printer* PrinterOf(HANDLE handle) {
    auto* printer = static_cast<Printer*>(handle);
    return printer != nullptr && printer->magic == 0x53505246 ? printer : nullptr;
}

// Lays records and their strings into the caller's buffer: the records
// first, the strings after them, as the spooler does.
class Layout {
public:
    Layout(LPBYTE buffer, std::size_t records) : buffer_(buffer), strings_(records) {}
    [[nodiscard]] std::size_t Size() const noexcept { return strings_; }
    char* Place(const std::string& text, bool present = true) {
        if (!present) {
            return nullptr;
        }
        char* place = buffer_ != nullptr ? reinterpret_cast<char*>(buffer_ + strings_) : nullptr;
        if (place != nullptr) {
            std::memcpy(place, text.c_str(), text.size() + 1);
        }
        strings_ += text.size() + 1;
        return place;
    }

private:
    LPBYTE buffer_;
    std::size_t strings_;
};

std::string Text(const char* text) { return text != nullptr ? std::string("\"") + text + "\"" : "null"; }

}  // namespace

extern "C" {

BOOL WINAPI OpenPrinterA(LPSTR printerName, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults) {
    std::vector<Job> jobs;
    const bool installed = ReadQueue(jobs);
    const bool opened = installed && printerName != nullptr && std::strcmp(printerName, PrinterName) == 0;
    Report("OpenPrinterA name=" + Text(printerName) + " defaults=" + (defaults == nullptr ? "null" : "set") +
           " opened=" + (opened ? "1" : "0"));
    if (!opened) {
        ::SetLastError(ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }
    auto* open = new Printer;  // NOLINT(cppcoreguidelines-owning-memory): released by ClosePrinter
    open->jobs = jobs;
    *printer = open;
    return TRUE;
}

BOOL WINAPI GetPrinterA(HANDLE handle, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) {
    Printer* printer = PrinterOf(handle);
    bool ok = false;
    DWORD bytes = 0;
    if (printer == nullptr) {
        ::SetLastError(ERROR_INVALID_HANDLE);
    } else if (level != 2) {
        ::SetLastError(ERROR_INVALID_LEVEL);
    } else {
        // Measure first, then fill when the buffer is large enough.
        Layout measure(nullptr, sizeof(PRINTER_INFO_2A));
        measure.Place(PrinterName);
        measure.Place("SORVENNA:");
        measure.Place("Sorvenna Stand-in Driver");
        measure.Place("WinPrint");
        measure.Place("RAW");
        bytes = static_cast<DWORD>(measure.Size());
        if (buffer == nullptr || size < bytes) {
            ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        } else {
            PRINTER_INFO_2A info{};
            Layout layout(buffer, sizeof(PRINTER_INFO_2A));
            info.pPrinterName = layout.Place(PrinterName);
            info.pPortName = layout.Place("SORVENNA:");
            info.pDriverName = layout.Place("Sorvenna Stand-in Driver");
            info.pPrintProcessor = layout.Place("WinPrint");
            info.pDatatype = layout.Place("RAW");
            info.cJobs = static_cast<DWORD>(printer->jobs.size());
            std::memcpy(buffer, &info, sizeof info);
            ok = true;
        }
    }
    if (needed != nullptr) {
        *needed = bytes;
    }
    Report("GetPrinterA level=" + std::to_string(level) + " size=" + std::to_string(size) +
           " needed=" + std::to_string(bytes) + " ok=" + (ok ? "1" : "0"));
    return ok ? TRUE : FALSE;
}

BOOL WINAPI EnumJobsA(HANDLE handle, DWORD firstJob, DWORD jobCount, DWORD level, LPBYTE buffer, DWORD size,
                      LPDWORD needed, LPDWORD returned) {
    Printer* printer = PrinterOf(handle);
    bool ok = false;
    DWORD bytes = 0;
    DWORD records = 0;
    if (printer == nullptr) {
        ::SetLastError(ERROR_INVALID_HANDLE);
    } else if (level != 1) {
        ::SetLastError(ERROR_INVALID_LEVEL);
    } else {
        const std::size_t total = printer->jobs.size();
        const std::size_t first = firstJob < total ? firstJob : total;
        const std::size_t count = jobCount < total - first ? jobCount : total - first;
        auto place = [&](Layout& layout, const Job& job) {
            JOB_INFO_1A info{};
            info.JobId = job.id;
            info.pPrinterName = layout.Place(PrinterName);
            info.pMachineName = layout.Place("\\\\SORVENNA");
            info.pUserName = layout.Place(job.owner, job.hasOwner);
            info.pDocument = layout.Place(job.document, job.hasDocument);
            info.pDatatype = layout.Place("RAW");
            info.Status = job.status;
            info.Priority = 1;
            return info;
        };
        Layout measure(nullptr, count * sizeof(JOB_INFO_1A));
        for (std::size_t i = 0; i < count; ++i) {
            place(measure, printer->jobs[first + i]);
        }
        bytes = static_cast<DWORD>(measure.Size());
        if (buffer == nullptr || size < bytes) {
            ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        } else {
            Layout layout(buffer, count * sizeof(JOB_INFO_1A));
            for (std::size_t i = 0; i < count; ++i) {
                JOB_INFO_1A info = place(layout, printer->jobs[first + i]);
                info.Position = static_cast<DWORD>(first + i + 1);
                std::memcpy(buffer + i * sizeof(JOB_INFO_1A), &info, sizeof info);
            }
            records = static_cast<DWORD>(count);
            ok = true;
        }
    }
    if (needed != nullptr) {
        *needed = bytes;
    }
    if (returned != nullptr) {
        *returned = records;
    }
    Report("EnumJobsA first=" + std::to_string(firstJob) + " count=" + std::to_string(jobCount) +
           " level=" + std::to_string(level) + " size=" + std::to_string(size) + " needed=" + std::to_string(bytes) +
           " returned=" + std::to_string(records) + " ok=" + (ok ? "1" : "0"));
    return ok ? TRUE : FALSE;
}

BOOL WINAPI ClosePrinter(HANDLE handle) {
    Printer* printer = PrinterOf(handle);
    Report(std::string("ClosePrinter ok=") + (printer != nullptr ? "1" : "0"));
    if (printer == nullptr) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    printer->magic = 0;
    delete printer;  // NOLINT(cppcoreguidelines-owning-memory)
    return TRUE;
}

}  // extern "C"
