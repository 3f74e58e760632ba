#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "common/framework/time.h"
#include "common/platform.h"
#include "common/text.h"

// A search of one folder for the entries whose names match a wildcard
// pattern, in the order the system returns them. FindFile starts it;
// each FindNextFile makes the next entry current and tells whether a
// further entry follows, so the entry made current by a false answer is
// still the caller's to process. Folders, "." and ".." included, are
// reported like files; MatchesMask tells them apart.
//
// Not to be included together with <windows.h>, whose FindNextFile macro
// would rename the member.
class CFileFind {
public:
    // The attribute bit of a folder.
    static constexpr std::uint32_t AttributeDirectory = 0x10;

    CFileFind() = default;
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;
    ~CFileFind() = default;

    // Starts a search for pattern (a folder, then a wildcard name), ending
    // any search before it; false when no entry matches.
    bool FindFile(const char* pattern);
    // Makes the next entry current; false when that entry is the last one
    // (or when there was none left to make current).
    bool FindNextFile();

    // Whether the current entry has any of the attribute bits of mask.
    [[nodiscard]] bool MatchesMask(std::uint32_t mask) const;
    // The current entry's full path: the pattern's folder, then its name.
    [[nodiscard]] CString GetFilePath() const;
    // The current entry's name, without folder.
    [[nodiscard]] CString GetFileName() const;
    // The current entry's creation time; false when there is no current entry.
    bool GetCreationTime(CTime& time) const;

    // Ends the search.
    void Close();

private:
    std::unique_ptr<sorvenna::DirectorySearch> search_;
    CString folder_;
    std::optional<sorvenna::DirectoryEntry> next_;
    std::optional<sorvenna::DirectoryEntry> current_;
};
