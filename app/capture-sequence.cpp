// The capture sequence: the main dialog's initialisation, which does the
// agent's whole job in one pass and ends the process with exit code 0.

#include <cstring>

#include "app/main-dialog.h"
#include "capture/spool-file.h"
#include "capture/spool-info.h"
#include "common/job-context.h"
#include "common/paths.h"
#include "common/platform.h"
#include "diag/log-file.h"

namespace {

using sorvenna::Platform;
using sorvenna::Sys;

constexpr const char* RootFolder = "C:\\Sorvenna";
constexpr std::uint32_t PollMilliseconds = 50;
constexpr int LastPoll = 5000;  // the request file is tested at most 5001 times
constexpr std::uint32_t ClosingPauseMilliseconds = 1000;

void CreateFolderIfMissing(Platform& platform, const char* folder) {
    if (platform._access(folder, 0) == -1) {
        platform.CreateDirectoryA(folder, nullptr);
    }
}

// An owner name comes from the print spooler, and a print client chooses it
// freely. A name that could lead out of the root folder ("..", "a\b", "a/b",
// "c:") names no per-user folder; the test is byte by byte, whatever the
// code page.
bool NamesAFolderInTheRoot(const CString& owner) {
    if (owner == "." || owner == "..") {
        return false;
    }
    return std::strpbrk(owner.GetString(), "\\/:") == nullptr;
}

// Appends the document name, without "*", to the request file: binary
// bytes exactly as the spooler reported them, in one write at the file's
// end, so that two agents of one owner never interleave inside a name.
void WriteRequest(Platform& platform, const CString& requestPath) {
    const std::unique_ptr<sorvenna::FileHandle> request =
        platform.OpenFile(requestPath.GetString(), sorvenna::FileOpenMode::ReadAppend);
    if (!request) {
        return;
    }
    documentName.Replace("*", "");
    request->Write(documentName.GetString(), static_cast<std::size_t>(documentName.GetLength()));
}

// The consumer takes the request by deleting its file.
[[noreturn]] void WaitForConsumer(Platform& platform, const CString& requestPath) {
    for (int poll = 0;; ++poll) {
        if (platform._access(requestPath.GetString(), 0) == -1) {
            platform.Sleep(ClosingPauseMilliseconds);
            sorvenna::EndProcess(0);
        }
        platform.Sleep(PollMilliseconds);
        if (poll >= LastPoll) {
            break;
        }
    }
    // Given up: the request file stays where it is.
    if (debugLevel != "0") {
        activityLog.WriteLog("timeout");
    }
    sorvenna::EndProcess(0);
}

}  // namespace

bool CPrint2TollmereDlg::OnInitDialog() {
    Platform& platform = Sys();

    const CString owner = GetSpoolInfo();

    CreateFolderIfMissing(platform, RootFolder);
    const bool ownerHasFolder = NamesAFolderInTheRoot(owner);
    CString requestPath;
    if (ownerHasFolder) {
        const CString userFolder = "C:\\Sorvenna\\" + owner + "\\";
        CreateFolderIfMissing(platform, userFolder.GetString());
        requestPath = userFolder + owner + ".txt";
    }

    const CString installRoot = InstallRootOf(ModuleFolder());
    m_ini.SetPath(SettingsPathOf(installRoot).GetString());
    debugLevel = m_ini.GetDebugLevel();

    LoadSpoolFile();

    if (!ownerHasFolder) {
        platform.Sleep(ClosingPauseMilliseconds);
        sorvenna::EndProcess(0);
    }
    WriteRequest(platform, requestPath);
    WaitForConsumer(platform, requestPath);
}
