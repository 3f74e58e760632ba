#pragma once

#include <cstdint>
#include <memory>

#include "common/platform.h"
#include "common/text.h"

// The root of the framework's classes that own a system resource.
class CObject {
public:
    CObject() = default;
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;
    virtual ~CObject() = default;
};

// A file of the framework layer, over the platform's open files. Open
// reports failure by its result; once the file is open, every failing
// operation raises CFileException with the system's error number.
class CFile : public CObject {
public:
    // Open flags. This layer offers the one combination the agent opens
    // with, modeReadWrite | shareDenyNone | modeCreate | modeNoTruncate,
    // optionally with modeAppend.
    enum OpenFlags : unsigned {
        modeReadWrite = 0x0002U,
        shareDenyNone = 0x0040U,
        modeCreate = 0x1000U,
        modeNoTruncate = 0x2000U,
        // Our own: every write lands at the end of the file in one piece,
        // whatever the position, also when other processes write too.
        modeAppend = 0x00100000U,
    };

    // Where Seek counts from.
    enum SeekPosition : unsigned { begin = 0x0U, end = 0x2U };

    CFile() = default;
    // Closes the file when it is open, ignoring any failure.
    ~CFile() override;

    // Opens fileName (a Windows path); false when it cannot be opened. Flags
    // this layer does not offer, or a file already open, raise CInvalidArgException.
    virtual bool Open(const char* fileName, unsigned openFlags);
    [[nodiscard]] virtual std::uint64_t GetLength() const;
    // The new position from the start of the file.
    virtual std::uint64_t Seek(std::int64_t offset, unsigned from);
    std::uint64_t SeekToEnd() { return Seek(0, end); }
    void SeekToBegin() { Seek(0, begin); }
    virtual void SetLength(std::uint64_t newLength);
    // Bytes read, fewer than count only at the end of the file (or when the
    // system hands over less at once); 0 at the end.
    virtual std::uint32_t Read(void* buffer, std::uint32_t count);
    // Writes all count bytes.
    virtual void Write(const void* buffer, std::uint32_t count);
    // Closes the file; raises when the system reports a failure on closing,
    // the file counts as closed all the same.
    virtual void Close();
    // Closes the file if it is open, ignoring any failure; never raises.
    virtual void Abort() noexcept;

    [[nodiscard]] bool IsOpen() const noexcept { return handle_ != nullptr; }
    [[nodiscard]] const CString& GetFilePath() const noexcept { return fileName_; }

private:
    sorvenna::FileHandle& OpenHandle(const char* operation) const;
    [[noreturn]] void Fail(const char* operation) const;

    std::unique_ptr<sorvenna::FileHandle> handle_;
    CString fileName_;
};
