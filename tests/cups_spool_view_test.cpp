// The spool folder C:\Windows\System32\spool\PRINTERS as a view of the CUPS
// request folder: names both ways, paths, and the directory search.

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "common/posix/cups-spool-view.h"
#include "common/posix/host-path.h"
#include "common/posix/posix-platform.h"
#include "tests/support/temp-prefix.h"

namespace {

using sorvenna::HostPathOf;
using sorvenna::NativePosixPlatform;
using sorvenna::RequestFileNameOf;
using sorvenna::SpoolViewNameOf;
using sorvenna::testing::MakeHostFolders;
using sorvenna::testing::TempPrefix;
using sorvenna::testing::WriteHostFile;

using Name = std::optional<std::string>;

TEST(CupsSpoolView, RequestFilesAndTheirNamesInTheView) {
    struct Case {
        const char* requestFile;
        Name shownAs;
    };
    const Case cases[] = {
        {"d00012-001", "00012.SPL"},
        {"d00001-001", "00001.SPL"},
        {"d123456-001", "123456.SPL"},  // more than five digits: in full
        {"d2147483647-001", "2147483647.SPL"},
        {"d00012-002", std::nullopt},  // a job's later documents are not shown
        {"c00012", std::nullopt},      // the job's control file
        {"d0012-001", std::nullopt},   // not as CUPS writes a job id
        {"d012345-001", std::nullopt},
        {"d2147483648-001", std::nullopt},
        {"d-001", std::nullopt},
        {"d0001a-001", std::nullopt},
        {"D00012-001", std::nullopt},
        {"d00012-001.bak", std::nullopt},
        {"tmp", std::nullopt},
    };
    for (const Case& example : cases) {
        SCOPED_TRACE(example.requestFile);
        EXPECT_EQ(SpoolViewNameOf(example.requestFile), example.shownAs);
        if (example.shownAs) {
            EXPECT_EQ(RequestFileNameOf(*example.shownAs), example.requestFile);
        }
    }
}

TEST(CupsSpoolView, NamesOfTheViewAndTheirRequestFiles) {
    EXPECT_EQ(RequestFileNameOf("00012.spl"), "d00012-001");  // letter case does not matter
    EXPECT_EQ(RequestFileNameOf("00012.Spl"), "d00012-001");
    for (const char* never : {"12.SPL", "0012.SPL", "012345.SPL", "00012.SPLX", "00012", ".SPL", "abcde.SPL",
                              "00012.SPL.SPL", "-0012.SPL"}) {
        EXPECT_EQ(RequestFileNameOf(never), std::nullopt) << never;
    }
}

class CupsSpoolFolder : public ::testing::Test {
protected:
    // The request folder as TempPrefix sets it.
    std::string Spool() const { return prefix.Folder() + "/cups-spool"; }

    TempPrefix prefix;
};

TEST_F(CupsSpoolFolder, WindowsPathsInTheSpoolFolderLandInTheRequestFolder) {
    struct Case {
        const char* windowsPath;
        Name host;
    };
    const std::string spool = Spool();
    const Case cases[] = {
        {"C:\\Windows\\System32\\spool\\PRINTERS\\00012.SPL", spool + "/d00012-001"},
        {"C:\\Windows\\System32\\spool\\PRINTERS\\123456.SPL", spool + "/d123456-001"},
        {"c:/windows/SYSTEM32/Spool/printers/00012.spl", spool + "/d00012-001"},
        {"C:\\Windows\\System32\\spool\\PRINTERS\\..\\PRINTERS\\00012.SPL", spool + "/d00012-001"},
        {"C:\\Windows\\System32\\spool\\PRINTERS\\", spool},
        {"C:\\Windows\\System32\\spool\\PRINTERS", spool},
        {"C:\\Windows\\System32\\spool\\PRINTERS\\d00012-001", std::nullopt},  // not a name of the view
        {"C:\\Windows\\System32\\spool\\PRINTERS\\12.SPL", std::nullopt},
        {"C:\\Windows\\System32\\spool\\PRINTERS\\tmp\\00012.SPL", std::nullopt},
        {"C:\\Windows\\System32\\spool", prefix.Folder() + "/drive_c/Windows/System32/spool"},
        {"C:\\Windows\\System32\\spool\\PRINTERS2\\00012.SPL",
         prefix.Folder() + "/drive_c/Windows/System32/spool/PRINTERS2/00012.SPL"},
    };
    for (const Case& example : cases) {
        SCOPED_TRACE(example.windowsPath);
        EXPECT_EQ(HostPathOf(example.windowsPath), example.host);
    }
    // Drive Z: is the host as it is.
    EXPECT_EQ(HostPathOf(("Z:" + spool + "/d00012-001").c_str()), spool + "/d00012-001");
}

TEST_F(CupsSpoolFolder, WithoutAFolderNamedItIsTheSystemsRequestFolder) {
    const char* configured = std::getenv("SORVENNA_CUPS_SPOOL");
    const std::string saved = configured != nullptr ? configured : "";
    unsetenv("SORVENNA_CUPS_SPOOL");
    EXPECT_EQ(HostPathOf("C:\\Windows\\System32\\spool\\PRINTERS\\00012.SPL"), "/var/spool/cups/d00012-001");
    setenv("SORVENNA_CUPS_SPOOL", (Spool() + "//").c_str(), 1);
    EXPECT_EQ(HostPathOf("C:\\Windows\\System32\\spool\\PRINTERS\\00012.SPL"), Spool() + "/d00012-001");
    setenv("SORVENNA_CUPS_SPOOL", saved.c_str(), 1);
}

std::vector<std::string> Listing(const char* pattern) {
    std::vector<std::string> names;
    const std::unique_ptr<sorvenna::DirectorySearch> search = NativePosixPlatform().StartFileSearch(pattern);
    if (!search) {
        return {"<no search>"};
    }
    sorvenna::DirectoryEntry entry;
    while (search->Next(entry)) {
        EXPECT_FALSE(entry.isDirectory) << entry.name;
        EXPECT_GT(entry.creationTime, 0) << entry.name;
        names.push_back(entry.name);
    }
    return names;
}

TEST_F(CupsSpoolFolder, TheSearchListsEachJobsFirstDocumentUnderItsViewName) {
    for (const char* file : {"d00012-001", "d00011-001", "d00012-002", "c00012", "d0007-001", "d123456-001"}) {
        WriteHostFile(Spool() + "/" + file, file);
    }
    MakeHostFolders(Spool() + "/tmp");
    const std::vector<std::string> view{"00011.SPL", "00012.SPL", "123456.SPL"};
    EXPECT_EQ(Listing("C:\\Windows\\System32\\spool\\PRINTERS\\*.SPL"), view);
    EXPECT_EQ(Listing("C:\\Windows\\System32\\spool\\PRINTERS\\*.*"), view);
    EXPECT_EQ(Listing("c:\\windows\\system32\\spool\\printers\\0001?.spl"),
              (std::vector<std::string>{"00011.SPL", "00012.SPL"}));
    // Through drive Z: the folder is the host's, as it is.
    EXPECT_EQ(Listing(("Z:" + Spool() + "/d0001?-00?").c_str()),
              (std::vector<std::string>{"d00011-001", "d00012-001", "d00012-002"}));
    // The view's file is the request file.
    EXPECT_EQ(NativePosixPlatform()._access("C:\\Windows\\System32\\spool\\PRINTERS\\00012.SPL", 0), 0);
    EXPECT_EQ(NativePosixPlatform()._access("C:\\Windows\\System32\\spool\\PRINTERS\\00013.SPL", 0), -1);
}

TEST_F(CupsSpoolFolder, NoRequestFolderNoSearch) {
    EXPECT_EQ(Listing("C:\\Windows\\System32\\spool\\PRINTERS\\*.SPL"), (std::vector<std::string>{"<no search>"}));
}

}  // namespace
