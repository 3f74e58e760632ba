#pragma once

#include <exception>
#include <string>

// The errors the agent raises instead of returning. The framework's handler
// of a message handler catches CException; the capture logic catches only
// CFileException, and only around the spool copy.
class CException : public std::exception {
public:
    explicit CException(std::string message) : message_(std::move(message)) {}
    [[nodiscard]] const char* what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

class CMemoryException : public CException {
public:
    CMemoryException() : CException("out of memory") {}
};

class CInvalidArgException : public CException {
public:
    explicit CInvalidArgException(const std::string& detail) : CException("invalid argument: " + detail) {}
};

// A file operation failed after the file was opened. osError is the system's
// own error number (errno on Linux, GetLastError() on Windows).
class CFileException : public CException {
public:
    CFileException(const std::string& operation, const std::string& fileName, int osError)
        : CException("file error: " + operation + " failed on '" + fileName + "' (system error " +
                     std::to_string(osError) + ")"),
          osError_(osError) {}
    [[nodiscard]] int OsError() const noexcept { return osError_; }

private:
    int osError_;
};
