#pragma once

// The Windows spool folder of the Linux build, C:\Windows\System32\spool\PRINTERS\,
// is a view of the CUPS request folder ($SORVENNA_CUPS_SPOOL, or
// /var/spool/cups). CUPS keeps a job's first document there as dNNNNN-001
// (the job id, zero-filled to at least five digits); the view shows it as
// NNNNN.SPL, so d00012-001 is 00012.SPL and d123456-001 is 123456.SPL. No
// other file of the request folder is shown.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvenna {

// The CUPS request folder on the host.
std::string CupsRequestFolder();

// Where a path of drive C: lands when it lies in the spool folder.
struct SpoolViewPath {
    // The host path; nothing when the view shows no such file.
    std::optional<std::string> hostPath;
};

// components: the path after "C:", one folder or file name each, "." and
// ".." already resolved. Nothing when the path does not lie in the spool
// folder (C:\Windows\System32\spool\PRINTERS itself or a name in it),
// compared without regard to letter case.
std::optional<SpoolViewPath> SpoolViewPathOf(const std::vector<std::string>& components);

// Whether the search of a Windows folder, whose host path is hostFolder,
// lists the view: the folder lies on drive C: and is the request folder.
bool IsSpoolViewFolder(std::string_view windowsFolder, const std::string& hostFolder);

// The name a file of the request folder has in the view ("d00012-001" is
// "00012.SPL"); nothing for a file the view does not show.
std::optional<std::string> SpoolViewNameOf(std::string_view requestFileName);

// The request file a name of the view stands for ("00012.spl" is
// "d00012-001"); nothing for a name the view never shows.
std::optional<std::string> RequestFileNameOf(std::string_view spoolViewName);

}  // namespace sorvenna
