#pragma once
// STUB: the diagnostics work replaces this file with the real CFile.
class CFile {
public:
    CFile() = default;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    virtual ~CFile() = default;
};
