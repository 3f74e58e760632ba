#include "tests/support/temp-prefix.h"

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "common/posix/host-path.h"

namespace sorvenna::testing {

TempPrefix::TempPrefix() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && base[0] != '\0' ? base : "/tmp") + "/sorvenna-test-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    folder_ = name.data();
    if (const char* previous = std::getenv("SORVENNA_PREFIX")) {
        previous_ = previous;
        hadPrevious_ = true;
    }
    setenv("SORVENNA_PREFIX", folder_.c_str(), 1);
    const std::array<std::pair<std::string, std::string>, 2> forTheTest{{
        {"SORVENNA_CUPS_SPOOL", folder_ + "/cups-spool"},
        {"CUPS_SERVER", folder_ + "/no-cups-server.sock"},
    }};
    for (const auto& [variable, value] : forTheTest) {
        const char* before = std::getenv(variable.c_str());
        saved_.emplace_back(variable, before != nullptr ? std::optional<std::string>(before) : std::nullopt);
        setenv(variable.c_str(), value.c_str(), 1);
    }
}

TempPrefix::~TempPrefix() {
    for (const auto& [variable, before] : saved_) {
        if (before) {
            setenv(variable.c_str(), before->c_str(), 1);
        } else {
            unsetenv(variable.c_str());
        }
    }
    if (hadPrevious_) {
        setenv("SORVENNA_PREFIX", previous_.c_str(), 1);
    } else {
        unsetenv("SORVENNA_PREFIX");
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::string TempPrefix::Host(const std::string& windowsPath) const {
    const std::optional<std::string> host = HostPathOf(windowsPath.c_str());
    if (!host) {
        throw std::runtime_error("no host path for " + windowsPath);
    }
    return *host;
}

std::string ReadHostFile(const std::string& hostPath) {
    std::ifstream file(hostPath, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

void WriteHostFile(const std::string& hostPath, const std::string& content) {
    std::filesystem::create_directories(std::filesystem::path(hostPath).parent_path());
    std::ofstream file(hostPath, std::ios::binary | std::ios::trunc);
    file << content;
}

bool HostFileExists(const std::string& hostPath) { return std::filesystem::exists(hostPath); }

void MakeHostFolders(const std::string& hostPath) { std::filesystem::create_directories(hostPath); }

}  // namespace sorvenna::testing
