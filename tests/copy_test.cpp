// Copying files on the host, on real files of a temporary prefix.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/posix/posix-platform.h"
#include "tests/support/temp-prefix.h"

namespace {

using sorvenna::NativePosixPlatform;
using sorvenna::testing::HostFileExists;
using sorvenna::testing::MakeHostFolders;
using sorvenna::testing::ReadHostFile;
using sorvenna::testing::TempPrefix;
using sorvenna::testing::WriteHostFile;

constexpr const char* Source = "C:\\Spool\\00012.SPL";
constexpr const char* Target = "C:\\App\\Xtra\\Sorvenna.dat";

// Sets the umask for one test and puts it back.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : previous_(umask(mask)) {}
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;
    ~ScopedUmask() { umask(previous_); }

private:
    mode_t previous_;
};

class CopyFile : public ::testing::Test {
protected:
    CopyFile() {
        MakeHostFolders(prefix.Host("C:\\Spool"));
        MakeHostFolders(prefix.Host("C:\\App\\Xtra"));
    }

    bool Copy(bool failIfExists = false) { return NativePosixPlatform().CopyFileA(Source, Target, failIfExists); }

    // The names in the target's folder: a copy leaves nothing else behind.
    [[nodiscard]] std::vector<std::string> TargetFolder() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(prefix.Host("C:\\App\\Xtra"))) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TempPrefix prefix;
};

TEST_F(CopyFile, CopiesContentAndLastWriteTimeWithTheDefaultPermissions) {
    const ScopedUmask mask(022);
    std::string content(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t at = 0; at < content.size(); ++at) {
        content[at] = static_cast<char>(at * 7 % 251);
    }
    const std::string source = prefix.Host(Source);
    WriteHostFile(source, content);
    ASSERT_EQ(chmod(source.c_str(), 0640), 0);  // readable by the print system's group only
    const timespec written[2] = {{0, UTIME_OMIT}, {1000000000, 5000}};
    ASSERT_EQ(utimensat(AT_FDCWD, source.c_str(), written, 0), 0);
    WriteHostFile(prefix.Host(Target), std::string(4 * 1024 * 1024, 'x'));  // an earlier, longer copy

    ASSERT_TRUE(Copy());

    EXPECT_TRUE(ReadHostFile(prefix.Host(Target)) == content);
    struct stat status {};
    ASSERT_EQ(stat(prefix.Host(Target).c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0644U);
    EXPECT_EQ(status.st_mtim.tv_sec, 1000000000);
    EXPECT_EQ(status.st_mtim.tv_nsec, 5000);
    EXPECT_EQ(TargetFolder(), (std::vector<std::string>{"Sorvenna.dat"}));
}

TEST_F(CopyFile, CopiesAnEmptyFileAndOnlyToAFreeNameWhenAsked) {
    WriteHostFile(prefix.Host(Source), "");
    EXPECT_TRUE(Copy(true));
    EXPECT_TRUE(HostFileExists(prefix.Host(Target)));
    EXPECT_EQ(ReadHostFile(prefix.Host(Target)), "");
    EXPECT_EQ(TargetFolder(), (std::vector<std::string>{"Sorvenna.dat"}));
}

TEST_F(CopyFile, AFailedCopyLeavesTheTargetAsItWas) {
    const std::string source = prefix.Host(Source);
    const std::string target = prefix.Host(Target);
    const struct {
        const char* what;
        std::function<void()> arrange;
        bool failIfExists;
        std::vector<std::string> folderAfter;
    } cases[] = {
        {"missing source", [&] { WriteHostFile(target, "earlier"); }, false, {"Sorvenna.dat"}},
        {"read-only target",
         [&] {
             WriteHostFile(source, "new");
             WriteHostFile(target, "earlier");
             chmod(target.c_str(), 0444);
         },
         false,
         {"Sorvenna.dat"}},
        {"existing target not to be replaced",
         [&] {
             WriteHostFile(source, "new");
             WriteHostFile(target, "earlier");
         },
         true,
         {"Sorvenna.dat"}},
        {"target is a folder",
         [&] {
             WriteHostFile(source, "new");
             WriteHostFile(target + "/inside", "earlier");
         },
         false,
         {"Sorvenna.dat"}},
        {"source is a folder", [&] { MakeHostFolders(source); }, false, {}},
        {"target folder missing",
         [&] {
             WriteHostFile(source, "new");
             std::filesystem::remove_all(prefix.Host("C:\\App\\Xtra"));
         },
         false,
         {}},
    };
    for (const auto& example : cases) {
        SCOPED_TRACE(example.what);
        std::filesystem::remove_all(prefix.Host("C:\\App"));
        std::filesystem::remove_all(prefix.Host("C:\\Spool"));
        MakeHostFolders(prefix.Host("C:\\Spool"));
        MakeHostFolders(prefix.Host("C:\\App\\Xtra"));
        example.arrange();
        const bool targetWasFile = std::filesystem::is_regular_file(target);

        EXPECT_FALSE(Copy(example.failIfExists));

        if (targetWasFile) {
            EXPECT_EQ(ReadHostFile(target), "earlier");
        }
        if (HostFileExists(prefix.Host("C:\\App\\Xtra"))) {
            EXPECT_EQ(TargetFolder(), example.folderAfter) << "nothing half-written is left";
        }
    }
}

}  // namespace
