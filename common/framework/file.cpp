#include "common/framework/file.h"

#include <limits>

#include "common/framework/exceptions.h"

namespace {

constexpr unsigned OfferedFlags =
    CFile::modeReadWrite | CFile::shareDenyNone | CFile::modeCreate | CFile::modeNoTruncate;

// The error number of an operation on a file that is not open.
constexpr int NotOpen = 0;

}  // namespace

CFile::~CFile() { Abort(); }

bool CFile::Open(const char* fileName, unsigned openFlags) {
    if (IsOpen()) {
        throw CInvalidArgException("CFile::Open on a file that is already open");
    }
    if ((openFlags & ~static_cast<unsigned>(modeAppend)) != OfferedFlags) {
        throw CInvalidArgException("CFile::Open with flags this layer does not offer");
    }
    const sorvenna::FileOpenMode mode =
        (openFlags & modeAppend) != 0 ? sorvenna::FileOpenMode::ReadAppend : sorvenna::FileOpenMode::ReadWrite;
    std::unique_ptr<sorvenna::FileHandle> handle = sorvenna::Sys().OpenFile(fileName, mode);
    if (!handle) {
        return false;
    }
    fileName_ = fileName;
    handle_ = std::move(handle);
    return true;
}

std::uint64_t CFile::GetLength() const {
    const std::int64_t length = OpenHandle("GetLength").GetLength();
    if (length < 0) {
        Fail("GetLength");
    }
    return static_cast<std::uint64_t>(length);
}

std::uint64_t CFile::Seek(std::int64_t offset, unsigned from) {
    sorvenna::FileHandle& handle = OpenHandle("Seek");
    if (from != begin && from != end) {
        throw CInvalidArgException("CFile::Seek from an unknown position");
    }
    const std::int64_t position =
        handle.Seek(offset, from == begin ? sorvenna::SeekOrigin::Begin : sorvenna::SeekOrigin::End);
    if (position < 0) {
        Fail("Seek");
    }
    return static_cast<std::uint64_t>(position);
}

void CFile::SetLength(std::uint64_t newLength) {
    sorvenna::FileHandle& handle = OpenHandle("SetLength");
    if (newLength > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        throw CInvalidArgException("CFile::SetLength beyond the largest file");
    }
    if (!handle.SetLength(static_cast<std::int64_t>(newLength))) {
        Fail("SetLength");
    }
}

std::uint32_t CFile::Read(void* buffer, std::uint32_t count) {
    sorvenna::FileHandle& handle = OpenHandle("Read");
    if (count == 0) {
        return 0;
    }
    const std::int64_t got = handle.Read(buffer, count);
    if (got < 0) {
        Fail("Read");
    }
    return static_cast<std::uint32_t>(got);
}

void CFile::Write(const void* buffer, std::uint32_t count) {
    sorvenna::FileHandle& handle = OpenHandle("Write");
    if (count == 0) {
        return;
    }
    if (!handle.Write(buffer, count)) {
        Fail("Write");
    }
}

void CFile::Close() {
    if (!IsOpen()) {
        return;
    }
    const std::unique_ptr<sorvenna::FileHandle> handle = std::move(handle_);
    if (!handle->Close()) {
        throw CFileException("Close", fileName_.GetString(), handle->LastError());
    }
}

void CFile::Abort() noexcept { handle_.reset(); }

sorvenna::FileHandle& CFile::OpenHandle(const char* operation) const {
    if (!IsOpen()) {
        throw CFileException(operation, fileName_.GetString(), NotOpen);
    }
    return *handle_;
}

void CFile::Fail(const char* operation) const {
    throw CFileException(operation, fileName_.GetString(), handle_->LastError());
}
