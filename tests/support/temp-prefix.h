#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sorvenna::testing {

// A fresh prefix folder for one test: SORVENNA_PREFIX points at it while
// the object lives, and the folder is removed afterwards. The CUPS request
// folder (the spool folder C:\Windows\System32\spool\PRINTERS) lies in it
// too, and the print server (CUPS_SERVER) is one that is not there.
class TempPrefix {
public:
    TempPrefix();
    TempPrefix(const TempPrefix&) = delete;
    TempPrefix& operator=(const TempPrefix&) = delete;
    ~TempPrefix();

    [[nodiscard]] const std::string& Folder() const noexcept { return folder_; }
    // The host path of a Windows path on this prefix.
    [[nodiscard]] std::string Host(const std::string& windowsPath) const;

private:
    std::string folder_;
    std::string previous_;
    bool hadPrevious_ = false;
    // Further variables set for the test, each with its value before.
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// Whole-file helpers for tests.
std::string ReadHostFile(const std::string& hostPath);
void WriteHostFile(const std::string& hostPath, const std::string& content);
bool HostFileExists(const std::string& hostPath);
void MakeHostFolders(const std::string& hostPath);

}  // namespace sorvenna::testing
