#pragma once

#include <cstdint>

#include "common/text.h"

// A moment in whole seconds since 1970-01-01 UTC, rendered in local time.
class CTime {
public:
    CTime() = default;
    explicit CTime(std::int64_t seconds) : seconds_(seconds) {}

    // The clock, read once.
    static CTime Now();

    [[nodiscard]] std::int64_t GetTime() const noexcept { return seconds_; }

    // The local time by strftime rules; empty when the time cannot be
    // converted or the result needs more than 127 bytes.
    [[nodiscard]] CString Format(const char* pattern) const;

private:
    std::int64_t seconds_ = 0;
};
