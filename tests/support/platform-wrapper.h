#pragma once

#include <exception>

#include "common/platform.h"

namespace sorvenna::testing {

// Forwards every operation to another platform; a test derives from it and
// overrides only what it replaces.
class PlatformWrapper : public Platform {
public:
    explicit PlatformWrapper(Platform& target) : target_(target) {}

    int _access(const char* path, int mode) override { return target_._access(path, mode); }
    bool CreateDirectoryA(const char* path, const void* security) override {
        return target_.CreateDirectoryA(path, security);
    }
    bool DeleteFileA(const char* path) override { return target_.DeleteFileA(path); }
    bool CopyFileA(const char* source, const char* target, bool failIfExists) override {
        return target_.CopyFileA(source, target, failIfExists);
    }
    std::unique_ptr<FileHandle> OpenFile(const char* path, FileOpenMode mode) override {
        return target_.OpenFile(path, mode);
    }
    std::unique_ptr<DirectorySearch> StartFileSearch(const char* pattern) override {
        return target_.StartFileSearch(pattern);
    }
    std::uint32_t GetModuleFileNameA(void* module, char* buffer, std::uint32_t size) override {
        return target_.GetModuleFileNameA(module, buffer, size);
    }
    std::uint32_t GetWindowsDirectoryA(char* buffer, std::uint32_t size) override {
        return target_.GetWindowsDirectoryA(buffer, size);
    }
    void Sleep(std::uint32_t milliseconds) override { target_.Sleep(milliseconds); }
    [[noreturn]] void exit(int status) override {
        target_.exit(status);
        std::terminate();
    }
    std::int64_t _time64(std::int64_t* result) override { return target_._time64(result); }
    bool LocalTime(std::int64_t time, std::tm& local) override { return target_.LocalTime(time, local); }
    std::uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue, char* buffer,
                                           std::uint32_t size, const char* fileName) override {
        return target_.GetPrivateProfileStringA(section, key, defaultValue, buffer, size, fileName);
    }
    bool OpenPrinterA(const char* printerName, PrinterHandle* printer, const void* defaults) override {
        return target_.OpenPrinterA(printerName, printer, defaults);
    }
    bool GetPrinterA(PrinterHandle printer, std::uint32_t level, std::byte* buffer, std::uint32_t size,
                     std::uint32_t* needed) override {
        return target_.GetPrinterA(printer, level, buffer, size, needed);
    }
    bool EnumJobsA(PrinterHandle printer, std::uint32_t firstJob, std::uint32_t jobCount, std::uint32_t level,
                   std::byte* buffer, std::uint32_t size, std::uint32_t* needed, std::uint32_t* returned) override {
        return target_.EnumJobsA(printer, firstJob, jobCount, level, buffer, size, needed, returned);
    }
    bool ClosePrinter(PrinterHandle printer) override { return target_.ClosePrinter(printer); }
    bool IsLeadByte(unsigned char byte) override { return target_.IsLeadByte(byte); }
    void LowerCharacter(unsigned char* character, std::size_t length) override {
        target_.LowerCharacter(character, length);
    }

protected:
    Platform& target_;
};

}  // namespace sorvenna::testing
