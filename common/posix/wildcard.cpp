#include "common/posix/wildcard.h"

#include <vector>

namespace sorvenna {
namespace {

char Upper(char byte) { return byte >= 'a' && byte <= 'z' ? static_cast<char>(byte - 'a' + 'A') : byte; }

// Whether the pattern can match an empty rest of the name.
bool MatchesNothingLeft(std::string_view pattern) {
    for (std::size_t at = 0; at < pattern.size(); ++at) {
        const char byte = pattern[at];
        if (byte == '*' || byte == '?') {
            continue;
        }
        // The dot of a closing ".*".
        if (byte == '.' && pattern.substr(at + 1).find_first_not_of("*?") == std::string_view::npos) {
            continue;
        }
        return false;
    }
    return true;
}

}  // namespace

// Matched from the ends backwards, one row of the pattern at a time, so
// that a name never costs more than pattern length times name length steps.
bool MatchesWildcard(std::string_view pattern, std::string_view name) {
    const std::size_t nameLength = name.size();
    // below[j]: whether the pattern after the current character matches name from j.
    std::vector<bool> below(nameLength + 1, false);
    below[nameLength] = true;
    std::vector<bool> row(nameLength + 1, false);
    for (std::size_t i = pattern.size(); i-- > 0;) {
        const char head = pattern[i];
        row[nameLength] = MatchesNothingLeft(pattern.substr(i));
        for (std::size_t j = nameLength; j-- > 0;) {
            if (head == '*') {
                row[j] = below[j] || row[j + 1];
            } else if (head == '?') {
                row[j] = below[j + 1] || (name[j] == '.' && below[j]);
            } else {
                row[j] = Upper(head) == Upper(name[j]) && below[j + 1];
            }
        }
        below.swap(row);
    }
    return below[0];
}

}  // namespace sorvenna
