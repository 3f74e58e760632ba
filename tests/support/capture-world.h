#pragma once

#include <gtest/gtest.h>

#include "common/platform.h"
#include "tests/support/temp-prefix.h"
#include "tests/support/virtual-platform.h"

namespace sorvenna::testing {

// A test on a fresh prefix, in virtual time, with the job context and the
// log context as start-up leaves them.
class CaptureWorld : public ::testing::Test {
protected:
    CaptureWorld();
    ~CaptureWorld() override;

    // Runs the capture sequence of a fresh main dialog; the exit status.
    int RunCaptureSequence();
    // Runs the application's start-up, which runs the sequence; the exit status.
    int RunApplication();

    // The host path of a Windows path on the test's prefix.
    [[nodiscard]] std::string Host(const std::string& windowsPath) const { return prefix.Host(windowsPath); }

    TempPrefix prefix;
    VirtualPlatform platform;

private:
    ScopedPlatform installed_{platform};
};

// Puts the job context and the log context back to their start-up values.
void ResetProcessObjects();

}  // namespace sorvenna::testing
