// CFile of our framework layer: the one way it opens, positioned and
// appending writes, and the file error for every failure after the open.

#include "common/framework/file.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <string>

#include "common/framework/exceptions.h"
#include "tests/support/capture-world.h"

namespace {

using sorvenna::FileHandle;
using sorvenna::FileOpenMode;
using sorvenna::ScopedPlatform;
using sorvenna::testing::CaptureWorld;
using sorvenna::testing::PlatformWrapper;
using sorvenna::testing::ReadHostFile;
using sorvenna::testing::WriteHostFile;

constexpr unsigned Shared = CFile::modeReadWrite | CFile::shareDenyNone | CFile::modeCreate | CFile::modeNoTruncate;
constexpr const char* FilePath = "C:\\Data\\file.txt";

class FrameworkFile : public CaptureWorld {
protected:
    FrameworkFile() { WriteHostFile(Host(FilePath), "0123456789"); }
};

TEST_F(FrameworkFile, OpensKeepingTheContentAndWritesWhereItIsPositioned) {
    CFile file;
    ASSERT_TRUE(file.Open(FilePath, Shared));
    EXPECT_EQ(file.GetLength(), 10U);
    std::array<char, 4> bytes{};
    EXPECT_EQ(file.Seek(-4, CFile::end), 6U);
    EXPECT_EQ(file.Read(bytes.data(), 4), 4U);
    EXPECT_EQ(std::string(bytes.data(), 4), "6789");
    EXPECT_EQ(file.Read(bytes.data(), 4), 0U) << "at the end";
    file.Seek(2, CFile::begin);
    file.Write("ab", 2);
    file.SetLength(6);
    file.Close();
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(ReadHostFile(Host(FilePath)), "01ab45");
}

TEST_F(FrameworkFile, AnAppendingFileWritesAtTheEndWhereverItIsPositioned) {
    CFile file;
    ASSERT_TRUE(file.Open(FilePath, Shared | CFile::modeAppend));
    file.SeekToBegin();
    file.Write("ab", 2);
    file.Close();
    EXPECT_EQ(ReadHostFile(Host(FilePath)), "0123456789ab");
}

TEST_F(FrameworkFile, OpenReportsFailureByItsResult) {
    CFile file;
    EXPECT_FALSE(file.Open("C:\\Missing\\file.txt", Shared));
    EXPECT_FALSE(file.Open("relative.txt", Shared));
    EXPECT_FALSE(file.IsOpen());
}

TEST_F(FrameworkFile, WhatThisLayerDoesNotOfferIsRefused) {
    CFile file;
    EXPECT_THROW(file.Open(FilePath, CFile::modeReadWrite | CFile::shareDenyNone | CFile::modeCreate),
                 CInvalidArgException);
    ASSERT_TRUE(file.Open(FilePath, Shared));
    EXPECT_THROW(file.Open(FilePath, Shared), CInvalidArgException);
}

TEST_F(FrameworkFile, EveryOperationOnAClosedFileRaisesTheFileError) {
    CFile file;
    std::array<char, 1> byte{};
    EXPECT_THROW((void)file.GetLength(), CFileException);
    EXPECT_THROW(file.Seek(0, CFile::begin), CFileException);
    EXPECT_THROW(file.SetLength(0), CFileException);
    EXPECT_THROW(file.Read(byte.data(), 1), CFileException);
    EXPECT_THROW(file.Write(byte.data(), 1), CFileException);
    EXPECT_NO_THROW(file.Close());
}

// A file whose system calls all fail with EIO after the open.
class FailingHandle final : public FileHandle {
public:
    std::int64_t Read(void* /*buffer*/, std::size_t /*count*/) override { return -1; }
    bool Write(const void* /*buffer*/, std::size_t /*count*/) override { return false; }
    std::int64_t Seek(std::int64_t /*offset*/, sorvenna::SeekOrigin /*origin*/) override { return -1; }
    std::int64_t GetLength() override { return -1; }
    bool SetLength(std::int64_t /*length*/) override { return false; }
    bool Close() override { return false; }
    [[nodiscard]] int LastError() const override { return EIO; }
};

class FailingFiles final : public PlatformWrapper {
public:
    using PlatformWrapper::PlatformWrapper;
    std::unique_ptr<FileHandle> OpenFile(const char* /*path*/, FileOpenMode /*mode*/) override {
        return std::make_unique<FailingHandle>();
    }
};

TEST_F(FrameworkFile, AFailureAfterTheOpenRaisesTheFileErrorWithTheSystemsNumber) {
    FailingFiles failing(platform);
    const ScopedPlatform installed(failing);
    CFile file;
    ASSERT_TRUE(file.Open(FilePath, Shared));
    std::array<char, 1> byte{};
    const auto systemError = [](auto operation) {
        try {
            operation();
        } catch (const CFileException& error) {
            return error.OsError();
        }
        return 0;
    };
    EXPECT_EQ(systemError([&] { (void)file.GetLength(); }), EIO);
    EXPECT_EQ(systemError([&] { file.Seek(0, CFile::end); }), EIO);
    EXPECT_EQ(systemError([&] { file.SetLength(0); }), EIO);
    EXPECT_EQ(systemError([&] { file.Read(byte.data(), 1); }), EIO);
    EXPECT_EQ(systemError([&] { file.Write(byte.data(), 1); }), EIO);
    EXPECT_EQ(systemError([&] { file.Close(); }), EIO);
    EXPECT_FALSE(file.IsOpen()) << "closed all the same";
}

}  // namespace
