#include "common/posix/cups-queue.h"

#include <cups/cups.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace sorvenna {
namespace {

// Bounds on a server that hangs: the agent must never wait for ever.
constexpr int ConnectMilliseconds = 10000;
constexpr double AnswerSeconds = 10.0;

struct DeleteIppMessage {
    void operator()(ipp_t* message) const noexcept { ippDelete(message); }
};
using IppMessage = std::unique_ptr<ipp_t, DeleteIppMessage>;

std::string PrinterUriOf(const std::string& queue) {
    std::array<char, HTTP_MAX_URI> uri{};
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri.data(), static_cast<int>(uri.size()), "ipp", nullptr, "localhost",
                     ippPort(), "/printers/%s", queue.c_str());
    return uri.data();
}

// A request about queue that asks for the attributes named.
template <std::size_t Count>
IppMessage QueueRequest(ipp_op_t operation, const std::string& queue, const std::array<const char*, Count>& wanted) {
    IppMessage request(ippNewRequest(operation));
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, PrinterUriOf(queue).c_str());
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddStrings(request.get(), IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                  static_cast<int>(wanted.size()), nullptr, wanted.data());
    return request;
}

// Sends request; the answer when the server carried it out.
IppMessage Send(http_t* connection, IppMessage request) {
    IppMessage response(cupsDoRequest(connection, request.release(), "/"));
    if (!response || ippGetStatusCode(response.get()) > IPP_STATUS_OK_EVENTS_COMPLETE) {
        return nullptr;
    }
    return response;
}

// The text of a name or text attribute; nothing for any other value, such
// as the out-of-band "unknown" or "no-value".
std::optional<std::string> TextOf(ipp_attribute_t* attribute) {
    if (attribute == nullptr) {
        return std::nullopt;
    }
    switch (ippGetValueTag(attribute)) {
        case IPP_TAG_TEXT:
        case IPP_TAG_NAME:
        case IPP_TAG_TEXTLANG:
        case IPP_TAG_NAMELANG:
            if (const char* text = ippGetString(attribute, 0, nullptr)) {
                return std::string(text);
            }
            return std::nullopt;
        default: return std::nullopt;
    }
}

bool HasKeyword(ipp_attribute_t* attribute, const char* keyword) {
    const int count = ippGetCount(attribute);
    for (int index = 0; index < count; ++index) {
        const char* value = ippGetString(attribute, index, nullptr);
        if (value != nullptr && std::strcmp(value, keyword) == 0) {
            return true;
        }
    }
    return false;
}

// One job's attributes, gathered as they come.
struct JobAttributes {
    int id = 0;
    int state = 0;
    bool incoming = false;
    int priority = 0;
    int createdAt = 0;
    std::optional<std::string> userName;
    std::optional<std::string> documentName;

    void Take(ipp_attribute_t* attribute) {
        const char* name = ippGetName(attribute);
        const ipp_tag_t tag = ippGetValueTag(attribute);
        if (std::strcmp(name, "job-id") == 0 && tag == IPP_TAG_INTEGER) {
            id = ippGetInteger(attribute, 0);
        } else if (std::strcmp(name, "job-state") == 0 && tag == IPP_TAG_ENUM) {
            state = ippGetInteger(attribute, 0);
        } else if (std::strcmp(name, "job-state-reasons") == 0 && tag == IPP_TAG_KEYWORD) {
            incoming = HasKeyword(attribute, "job-incoming");
        } else if (std::strcmp(name, "job-priority") == 0 && tag == IPP_TAG_INTEGER) {
            priority = ippGetInteger(attribute, 0);
        } else if (std::strcmp(name, "time-at-creation") == 0 && tag == IPP_TAG_INTEGER) {
            createdAt = ippGetInteger(attribute, 0);
        } else if (std::strcmp(name, "job-originating-user-name") == 0) {
            userName = TextOf(attribute);
        } else if (std::strcmp(name, "job-name") == 0) {
            documentName = TextOf(attribute);
        }
    }

    [[nodiscard]] JobFacts Facts() const {
        JobFacts job;
        job.id = static_cast<std::uint32_t>(id);
        job.userName = userName;
        job.documentName = documentName;
        job.status = JobStatusOfCupsJob(state, incoming);
        // IPP priorities run from 1 to 100, Windows ones from 1 to 99.
        job.priority = static_cast<std::uint32_t>(std::clamp(priority, 1, 99));
        job.submitted = createdAt;
        return job;
    }
};

}  // namespace

void CloseCupsConnection::operator()(http_t* connection) const noexcept { httpClose(connection); }

std::string CupsQueueNameOf(std::string_view printerName) {
    std::string queue(printerName);
    std::replace_if(
        queue.begin(), queue.end(), [](char byte) { return byte == ' ' || byte == '\t'; }, '_');
    return queue;
}

CupsConnection ConnectToCups() {
    CupsConnection connection(
        httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, ConnectMilliseconds, nullptr));
    if (connection) {
        httpSetTimeout(connection.get(), AnswerSeconds, nullptr, nullptr);
    }
    return connection;
}

std::optional<CupsQueueFacts> AskCupsQueue(http_t* connection, const std::string& queue) {
    static constexpr std::array<const char*, 3> Wanted{"printer-info", "printer-location", "printer-state"};
    const IppMessage response = Send(connection, QueueRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, queue, Wanted));
    if (!response) {
        return std::nullopt;
    }
    ipp_attribute_t* state = ippFindAttribute(response.get(), "printer-state", IPP_TAG_ENUM);
    if (state == nullptr) {
        return std::nullopt;  // not a queue's answer
    }
    CupsQueueFacts facts;
    facts.state = ippGetInteger(state, 0);
    facts.info = TextOf(ippFindAttribute(response.get(), "printer-info", IPP_TAG_ZERO)).value_or("");
    facts.location = TextOf(ippFindAttribute(response.get(), "printer-location", IPP_TAG_ZERO)).value_or("");
    return facts;
}

std::optional<std::vector<JobFacts>> AskCupsJobs(http_t* connection, const std::string& queue) {
    static constexpr std::array<const char*, 7> Wanted{
        "job-id",       "job-state",        "job-state-reasons", "job-name", "job-originating-user-name",
        "job-priority", "time-at-creation",
    };
    IppMessage request = QueueRequest(IPP_OP_GET_JOBS, queue, Wanted);
    ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "not-completed");
    const IppMessage response = Send(connection, std::move(request));
    if (!response) {
        return std::nullopt;
    }
    // Each job is one group of job attributes; groups are apart by a separator.
    std::vector<JobFacts> jobs;
    std::optional<JobAttributes> current;
    auto finish = [&]() {
        if (current && current->id > 0) {
            jobs.push_back(current->Facts());
        }
        current.reset();
    };
    for (ipp_attribute_t* attribute = ippFirstAttribute(response.get()); attribute != nullptr;
         attribute = ippNextAttribute(response.get())) {
        if (ippGetGroupTag(attribute) != IPP_TAG_JOB || ippGetName(attribute) == nullptr) {
            finish();
            continue;
        }
        if (!current) {
            current.emplace();
        }
        current->Take(attribute);
    }
    finish();
    return jobs;
}

}  // namespace sorvenna
