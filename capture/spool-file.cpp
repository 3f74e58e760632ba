// The spool copy: the printing job's spool file copied to "Sorvenna.dat",
// where another component of the installation picks it up.

#include "capture/spool-file.h"

#include <array>
#include <cstdint>

#include "capture/spool-name.h"
#include "common/framework/exceptions.h"
#include "common/framework/file-find.h"
#include "common/framework/time.h"
#include "common/job-context.h"
#include "common/paths.h"
#include "common/platform.h"
#include "diag/log-file.h"

namespace {

using sorvenna::Platform;

constexpr std::uint32_t WindowsFolderBufferSize = 255;
constexpr std::uint64_t SearchWindowSeconds = 5000;
constexpr std::uint32_t ClosingPauseMilliseconds = 1000;

// The Windows folder; empty when the system reports none or one that does
// not fit the buffer, whose bytes are then not read.
CString WindowsFolder(Platform& platform) {
    std::array<char, WindowsFolderBufferSize> buffer{};
    const std::uint32_t length = platform.GetWindowsDirectoryA(buffer.data(), WindowsFolderBufferSize);
    if (length == 0 || length >= WindowsFolderBufferSize) {
        return {};
    }
    return {buffer.data(), static_cast<int>(length)};
}

// Seconds from earlier to later, for earlier <= later; exact over the whole
// range of the times, where a 32-bit difference would wrap.
std::uint64_t SecondsBetween(std::int64_t earlier, std::int64_t later) {
    return static_cast<std::uint64_t>(later) - static_cast<std::uint64_t>(earlier);
}

void Log(bool logging, const CString& description) {
    if (logging) {
        activityLog.WriteLog(description.GetString());
    }
}

// Walks the spool folder backwards in time from the reference time, each
// step less than the window back, and reports each selection in the log.
// False when the search finds no entry at all.
bool SearchSpoolFolder(const CString& pattern, std::int64_t referenceTime, bool logging) {
    CFileFind finder;
    if (!finder.FindFile(pattern.GetString())) {
        return false;
    }
    CString selection;
    CString previousName;
    for (bool more = true; more;) {
        more = finder.FindNextFile();
        if (finder.MatchesMask(CFileFind::AttributeDirectory)) {
            continue;
        }
        CTime creation;
        finder.GetCreationTime(creation);
        const std::int64_t created = creation.GetTime();
        const CString name = finder.GetFileName();
        if (created <= referenceTime && SecondsBetween(created, referenceTime) < SearchWindowSeconds) {
            if (created < referenceTime) {
                referenceTime = created;
                selection = finder.GetFilePath();
                Log(logging, "new selection " + selection);
            } else if (previousName.IsEmpty()) {
                selection = finder.GetFilePath();
                Log(logging, "new selection :" + selection);
            } else if (SpoolNameNumber(previousName) > SpoolNameNumber(name)) {
                selection = finder.GetFilePath();
                Log(logging, "new selection from filename " + selection);
            }
        }
        previousName = name;
    }
    finder.Close();
    return true;
}

}  // namespace

CString LoadSpoolFile() {
    Platform& platform = sorvenna::Sys();
    const std::int64_t startTime = CTime::Now().GetTime();
    const CString moduleFolder = ModuleFolder();

    const CString logFilePath = MakeLogFilePath();
    const bool logging = debugLevel != "0";
    if (logging) {
        // Stays in force for the rest of the run.
        activityLog.SetLogContext(logFilePath.GetString(), "Spool", "LoadSpoolFile");
    }

    CString spoolCopyPath = moduleFolder;
    spoolCopyPath.Replace("Prerequisite\\rodo\\vivaz\\bin\\", "Sorvenna.dat");
    // No earlier spool copy survives this run, whatever happens below.
    if (platform._access(spoolCopyPath.GetString(), 0) != -1) {
        platform.DeleteFileA(spoolCopyPath.GetString());
    }

    const CString windowsFolder = WindowsFolder(platform);
    // Without a Windows folder there is no spool folder to look in.
    if (windowsFolder.IsEmpty()) {
        return "ERROR";
    }
    const CString spoolFolder = windowsFolder + "\\System32\\spool\\PRINTERS\\";
    const CString searchPattern = windowsFolder + "\\System32\\spool\\PRINTERS\\*.SPL";

    CString expectedSpoolFile;
    if (jobId > 0) {
        CString number;
        number.Format("%05d", jobId);
        expectedSpoolFile = spoolFolder + number + ".SPL";
        Log(logging, "JobID : " + expectedSpoolFile);
    }

    const bool expectedFound = !expectedSpoolFile.IsEmpty() && platform._access(expectedSpoolFile.GetString(), 0) != -1;
    // The search's selection is only reported: it is generally another job's
    // file, and the copy stays with the expected one.
    if (!expectedFound && !SearchSpoolFolder(searchPattern, startTime, logging)) {
        return "ERROR";
    }

    try {
        platform.CopyFileA(expectedSpoolFile.GetString(), spoolCopyPath.GetString(), false);
        Log(logging, "Selected : " + expectedSpoolFile);
        platform.Sleep(ClosingPauseMilliseconds);
    } catch (const CFileException&) {
        // A log that cannot be written costs the pause, nothing else.
    }
    return spoolCopyPath;
}
