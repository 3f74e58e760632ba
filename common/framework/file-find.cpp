#include "common/framework/file-find.h"

#include <cstring>

namespace {

// The folder part of a search pattern, up to and including its last
// separator; a separator byte that trails a double-byte character does not count.
CString FolderOf(const char* pattern) {
    sorvenna::Platform& platform = sorvenna::Sys();
    const std::size_t length = std::strlen(pattern);
    std::size_t folderLength = 0;
    for (std::size_t at = 0; at < length; ++at) {
        const auto byte = static_cast<unsigned char>(pattern[at]);
        if (platform.IsLeadByte(byte) && at + 1 < length) {
            ++at;
        } else if (byte == '\\' || byte == '/') {
            folderLength = at + 1;
        }
    }
    return {pattern, static_cast<int>(folderLength)};
}

}  // namespace

bool CFileFind::FindFile(const char* pattern) {
    Close();
    if (pattern == nullptr) {
        return false;
    }
    search_ = sorvenna::Sys().StartFileSearch(pattern);
    if (!search_) {
        return false;
    }
    sorvenna::DirectoryEntry first;
    if (!search_->Next(first)) {
        Close();
        return false;
    }
    folder_ = FolderOf(pattern);
    next_ = std::move(first);
    return true;
}

bool CFileFind::FindNextFile() {
    if (!next_) {
        return false;
    }
    current_ = std::move(next_);
    next_.reset();
    sorvenna::DirectoryEntry following;
    if (search_ && search_->Next(following)) {
        next_ = std::move(following);
        return true;
    }
    return false;
}

bool CFileFind::MatchesMask(std::uint32_t mask) const {
    if (!current_) {
        return false;
    }
    const std::uint32_t attributes = current_->isDirectory ? AttributeDirectory : 0;
    return (attributes & mask) != 0;
}

CString CFileFind::GetFilePath() const { return current_ ? folder_ + current_->name.c_str() : CString(); }

CString CFileFind::GetFileName() const { return current_ ? CString(current_->name.c_str()) : CString(); }

bool CFileFind::GetCreationTime(CTime& time) const {
    if (!current_) {
        return false;
    }
    time = CTime(current_->creationTime);
    return true;
}

void CFileFind::Close() {
    search_.reset();
    folder_ = "";
    next_.reset();
    current_.reset();
}
