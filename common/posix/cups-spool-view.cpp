#include "common/posix/cups-spool-view.h"

#include <array>
#include <cstdlib>

namespace sorvenna {
namespace {

constexpr std::array<std::string_view, 4> SpoolFolder{"Windows", "System32", "spool", "PRINTERS"};
constexpr std::string_view RequestPrefix = "d";
constexpr std::string_view FirstDocument = "-001";
constexpr std::string_view SpoolExtension = ".SPL";
constexpr std::size_t ZeroFilledDigits = 5;
constexpr std::size_t MostDigits = 10;  // a job id is a positive 32-bit number
constexpr unsigned long long MostJobId = 2147483647ULL;

char LowerAscii(char byte) { return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte; }

bool EqualIgnoringCase(std::string_view left, std::string_view right) {
    if (left.size() != right.size()) {
        return false;
    }
    for (std::size_t index = 0; index < left.size(); ++index) {
        if (LowerAscii(left[index]) != LowerAscii(right[index])) {
            return false;
        }
    }
    return true;
}

// Whether digits are a job id as CUPS writes it in a file name ("%05d"):
// five digits, zero-filled, or more without a leading zero.
bool IsJobIdAsCupsWritesIt(std::string_view digits) {
    if (digits.size() < ZeroFilledDigits || digits.size() > MostDigits) {
        return false;
    }
    unsigned long long value = 0;
    for (const char digit : digits) {
        if (digit < '0' || digit > '9') {
            return false;
        }
        value = value * 10 + static_cast<unsigned long long>(digit - '0');
    }
    return value <= MostJobId && (digits.size() == ZeroFilledDigits || digits.front() != '0');
}

std::string WithoutTrailingSlashes(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

}  // namespace

std::string CupsRequestFolder() {
    if (const char* configured = std::getenv("SORVENNA_CUPS_SPOOL"); configured != nullptr && configured[0] != '\0') {
        return WithoutTrailingSlashes(configured);
    }
    return "/var/spool/cups";
}

std::optional<SpoolViewPath> SpoolViewPathOf(const std::vector<std::string>& components) {
    if (components.size() < SpoolFolder.size()) {
        return std::nullopt;
    }
    for (std::size_t index = 0; index < SpoolFolder.size(); ++index) {
        if (!EqualIgnoringCase(components[index], SpoolFolder[index])) {
            return std::nullopt;
        }
    }
    if (components.size() == SpoolFolder.size()) {
        return SpoolViewPath{CupsRequestFolder()};
    }
    if (components.size() == SpoolFolder.size() + 1) {
        if (const std::optional<std::string> requestFile = RequestFileNameOf(components.back())) {
            return SpoolViewPath{CupsRequestFolder() + "/" + *requestFile};
        }
    }
    return SpoolViewPath{std::nullopt};  // the view has no such file, nor folders
}

bool IsSpoolViewFolder(std::string_view windowsFolder, const std::string& hostFolder) {
    return !windowsFolder.empty() && LowerAscii(windowsFolder.front()) == 'c' &&
           WithoutTrailingSlashes(hostFolder) == CupsRequestFolder();
}

std::optional<std::string> SpoolViewNameOf(std::string_view requestFileName) {
    if (requestFileName.size() <= RequestPrefix.size() + FirstDocument.size() ||
        !requestFileName.starts_with(RequestPrefix) || !requestFileName.ends_with(FirstDocument)) {
        return std::nullopt;
    }
    const std::string_view digits = requestFileName.substr(
        RequestPrefix.size(), requestFileName.size() - RequestPrefix.size() - FirstDocument.size());
    if (!IsJobIdAsCupsWritesIt(digits)) {
        return std::nullopt;
    }
    return std::string(digits) + std::string(SpoolExtension);
}

std::optional<std::string> RequestFileNameOf(std::string_view spoolViewName) {
    if (spoolViewName.size() <= SpoolExtension.size() ||
        !EqualIgnoringCase(spoolViewName.substr(spoolViewName.size() - SpoolExtension.size()), SpoolExtension)) {
        return std::nullopt;
    }
    const std::string_view digits = spoolViewName.substr(0, spoolViewName.size() - SpoolExtension.size());
    if (!IsJobIdAsCupsWritesIt(digits)) {
        return std::nullopt;
    }
    return std::string(RequestPrefix) + std::string(digits) + std::string(FirstDocument);
}

}  // namespace sorvenna
