#include "tests/support/log-lines.h"

#include <gtest/gtest.h>

#include "tests/support/temp-prefix.h"

namespace sorvenna::testing {

std::vector<LogLine> ReadLogLines(const std::string& hostPath) {
    std::vector<LogLine> lines;
    if (!HostFileExists(hostPath)) {
        return lines;
    }
    const std::string content = ReadHostFile(hostPath);
    std::size_t start = 0;
    bool header = true;
    while (start < content.size()) {
        const std::size_t end = content.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "a log line without CR LF: " << content.substr(start);
            break;
        }
        const std::string text = content.substr(start, end - start);
        start = end + 2;
        if (header) {
            EXPECT_EQ(text, "DATE\tTIME\tMODULE\tPROCEDURE\tDESCRIPTION");
            header = false;
            continue;
        }
        std::vector<std::string> fields;
        std::size_t from = 0;
        for (int field = 0; field < 4; ++field) {
            const std::size_t tab = text.find('\t', from);
            if (tab == std::string::npos) {
                break;
            }
            fields.push_back(text.substr(from, tab - from));
            from = tab + 1;
        }
        if (fields.size() != 4) {
            ADD_FAILURE() << "a log line with fewer than five fields: " << text;
            continue;
        }
        lines.push_back({fields[0], fields[1], fields[2], fields[3], text.substr(from)});
    }
    return lines;
}

std::vector<std::string> LogDescriptions(const std::string& hostPath) {
    std::vector<std::string> descriptions;
    for (const LogLine& line : ReadLogLines(hostPath)) {
        descriptions.push_back(line.description);
    }
    return descriptions;
}

}  // namespace sorvenna::testing
