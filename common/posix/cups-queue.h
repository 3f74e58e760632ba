#pragma once

// A CUPS queue as the Linux spooler sees it, asked with IPP requests of our
// own. The server is whatever libcups is pointed at: its client
// configuration, or the CUPS_SERVER variable (a host, or a socket path).

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/posix/spooler-records.h"

typedef struct _http_s http_t;  // NOLINT: libcups's own declaration, kept out of this header

namespace sorvenna {

struct CloseCupsConnection {
    void operator()(http_t* connection) const noexcept;
};
using CupsConnection = std::unique_ptr<http_t, CloseCupsConnection>;

// The CUPS queue of a Windows printer name: CUPS names hold no blanks, so
// every blank (space or tab) becomes "_": "Print to Sorvenna" is the queue
// Print_to_Sorvenna.
std::string CupsQueueNameOf(std::string_view printerName);

// A connection to the server; null when it cannot be reached.
CupsConnection ConnectToCups();

// What the queue says of itself.
struct CupsQueueFacts {
    std::string info;      // printer-info
    std::string location;  // printer-location
    int state = 0;         // printer-state
};

// The queue's own attributes; nothing when the server does not answer or
// has no such queue.
std::optional<CupsQueueFacts> AskCupsQueue(http_t* connection, const std::string& queue);

// The queue's jobs that are not completed (pending, held, processing,
// stopped), in the order the server lists them; nothing when the server
// does not answer. A job without an owner or a name has none here either.
std::optional<std::vector<JobFacts>> AskCupsJobs(http_t* connection, const std::string& queue);

}  // namespace sorvenna
