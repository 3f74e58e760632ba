#pragma once

#include <cstdlib>
#include <memory>

#include "common/text.h"

// The settings file's reader: holds the path of "Settings.ini" and reads
// the debug level from it.
class CIni {
public:
    CIni() = default;
    CIni(const CIni&) = delete;
    CIni& operator=(const CIni&) = delete;
    virtual ~CIni() = default;

    // Keeps a heap copy of path. A null path empties the held path (keeping
    // its storage) or does nothing when none is held.
    void SetPath(const char* path);

    // The "DEBUG" value of section "Settings", or "0" when the file, the
    // section or the key is missing.
    CString GetDebugLevel();

private:
    struct FreeOnTheCHeap {
        // NOLINTNEXTLINE(cppcoreguidelines-no-malloc,cppcoreguidelines-owning-memory)
        void operator()(char* text) const noexcept { std::free(text); }
    };
    std::unique_ptr<char, FreeOnTheCHeap> iniPath;  // NOLINT(readability-identifier-naming)
};
