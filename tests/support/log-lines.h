#pragma once

#include <string>
#include <vector>

namespace sorvenna::testing {

// One line of an activity log file, split at its tabs.
struct LogLine {
    std::string date;
    std::string time;
    std::string module;
    std::string procedure;
    std::string description;
};

// The lines of the log file at hostPath after its header line; none when
// the file is missing. Each line must end in CR LF.
std::vector<LogLine> ReadLogLines(const std::string& hostPath);

// The descriptions of those lines, in order.
std::vector<std::string> LogDescriptions(const std::string& hostPath);

}  // namespace sorvenna::testing
