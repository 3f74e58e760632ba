#pragma once

// What the Linux spooler learns from CUPS, and the spooler records made of
// it: status words in Win32 bits, and PrinterInfo2 and JobInfo1 packed into
// a caller's buffer as the Windows spooler packs them (records first, then
// their strings in the same buffer). Nothing here talks to a server.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "common/platform.h"

namespace sorvenna {

// IPP job states (job-state) as CUPS reports them.
enum class CupsJobState : int {
    Pending = 3,
    Held = 4,
    Processing = 5,
    Stopped = 6,
    Canceled = 7,
    Aborted = 8,
    Completed = 9,
};

// IPP printer states (printer-state).
enum class CupsPrinterState : int { Idle = 3, Processing = 4, Stopped = 5 };

// The JobInfo1::Status word of a CUPS job.
//
//   job-state                  Status  Win32 bits
//   3 pending                  0x0000  none: queued, waiting its turn
//   4 pending-held             0x0001  PAUSED
//   5 processing               0x0010  PRINTING
//   6 processing-stopped       0x0401  PAUSED | USER_INTERVENTION (the queue stopped, someone must act)
//   7 canceled                 0x0100  DELETED
//   8 aborted                  0x0002  ERROR
//   9 completed                0x0080  PRINTED
//   any other value            0x0002  ERROR
//
// A job whose document is still arriving (job-state-reasons "job-incoming")
// also carries SPOOLING (0x8): a processing job then reads 0x18, not printing
// alone, as on Windows while a job is printed before it is fully spooled.
// Only a processing job that has all its data reads 0x10, the one value
// (with 0x2010) that the print-queue inquiry takes as printing.
std::uint32_t JobStatusOfCupsJob(int jobState, bool documentIncoming);

// The PrinterInfo2::Status word of a CUPS queue: idle 0, processing
// PRINTING (0x400), stopped PAUSED (0x1).
std::uint32_t PrinterStatusOfCupsQueue(int printerState);

// A printer as GetPrinterA reports it at level 2.
struct PrinterFacts {
    std::string printerName;  // the name the printer was opened with
    std::string comment;      // printer-info
    std::string location;     // printer-location
    std::uint32_t status = 0;
    std::uint32_t jobCount = 0;  // the queue's jobs that are not completed
};

// A job as EnumJobsA reports it at level 1.
struct JobFacts {
    std::uint32_t id = 0;
    std::optional<std::string> userName;      // nothing when the server gave none
    std::optional<std::string> documentName;  // nothing when the server gave none
    std::uint32_t status = 0;
    std::uint32_t priority = 1;
    std::int64_t submitted = 0;  // seconds since 1970 (UTC); 0 when unknown
};

// Packs one PrinterInfo2 and its strings into buffer. needed receives the
// bytes the record needs; false (and nothing written) when buffer is null or
// size is smaller than that.
bool PackPrinterInfo2(const PrinterFacts& printer, std::byte* buffer, std::uint32_t size, std::uint32_t* needed);

// Packs a JobInfo1 for each job, in order, and their strings into buffer.
// Positions in the queue count from firstPosition (1 for the first job).
// needed receives the bytes all records need and returned how many were
// written; false (none written, returned 0) when they do not fit. No jobs
// need no bytes and always fit.
bool PackJobInfo1(const std::string& printerName, std::span<const JobFacts> jobs, std::uint32_t firstPosition,
                  std::byte* buffer, std::uint32_t size, std::uint32_t* needed, std::uint32_t* returned);

}  // namespace sorvenna
