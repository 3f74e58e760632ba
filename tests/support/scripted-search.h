#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tests/support/platform-wrapper.h"

namespace sorvenna::testing {

// A directory search that returns a scripted listing, in the script's
// order, whatever the pattern; the patterns asked for are recorded.
class ScriptedSearch : public PlatformWrapper {
public:
    explicit ScriptedSearch(Platform& target) : PlatformWrapper(target) {}

    // The entries every search returns; unset: the folder cannot be read.
    std::optional<std::vector<DirectoryEntry>> listing = std::vector<DirectoryEntry>{};
    std::vector<std::string> patterns;

    std::unique_ptr<DirectorySearch> StartFileSearch(const char* pattern) override {
        patterns.emplace_back(pattern == nullptr ? "<null>" : pattern);
        if (!listing) {
            return nullptr;
        }
        return std::make_unique<Listing>(*listing);
    }

private:
    class Listing final : public DirectorySearch {
    public:
        explicit Listing(std::vector<DirectoryEntry> entries) : entries_(std::move(entries)) {}
        bool Next(DirectoryEntry& entry) override {
            if (next_ == entries_.size()) {
                return false;
            }
            entry = entries_[next_++];
            return true;
        }

    private:
        std::vector<DirectoryEntry> entries_;
        std::size_t next_ = 0;
    };
};

}  // namespace sorvenna::testing
