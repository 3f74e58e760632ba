// The print-queue inquiry against a scripted spooler.

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "capture/spool-info.h"
#include "common/job-context.h"
#include "tests/support/capture-world.h"
#include "tests/support/fake-spooler.h"
#include "tests/support/log-lines.h"

namespace {

using sorvenna::JobInfo1;
using sorvenna::PrinterInfo2;
using sorvenna::ScopedPlatform;
using sorvenna::testing::CaptureWorld;
using sorvenna::testing::FakeJob;
using sorvenna::testing::FakeSpooler;
using sorvenna::testing::HostFileExists;
using sorvenna::testing::LogDescriptions;
using sorvenna::testing::MakeHostFolders;
using sorvenna::testing::ReadLogLines;

constexpr std::uint32_t Printing = 0x10;
constexpr std::uint32_t PrintingRetained = 0x2010;
constexpr std::uint32_t PrintingSpooling = 0x18;
constexpr std::uint32_t Spooling = 0x8;
constexpr const char* LogFolder = "C:\\Sorvenna\\LOG";
constexpr const char* TodaysLog = "C:\\Sorvenna\\LOG\\invoice-spool_20200115.log";

class SpoolInfo : public CaptureWorld {
protected:
    FakeSpooler spooler{platform};

private:
    ScopedPlatform installed_{spooler};
};

struct JobContext {
    std::string owner;
    std::string document;
    std::int32_t id;
    std::string idText;
};

// What a run leaves when it finds no printing job: the job context as it was.
const JobContext Untouched{"", "before", 99, "99"};

TEST_F(SpoolInfo, TakesTheLastPrintingJobInQueueOrder) {
    const struct {
        const char* what;
        std::vector<FakeJob> jobs;
        JobContext expected;
        std::optional<std::uint32_t> claimedReturned = std::nullopt;
        bool failSecondGetPrinter = false;
        bool failSecondEnumJobs = false;
        bool printerInstalled = true;
        bool stringsOutsideBuffer = false;
    } cases[] = {
        {"two printing jobs",
         {{5, "user1", "Report", Printing}, {7, "user2", "Invoice 7", PrintingRetained}},
         {"user2", "Invoice 7", 7, "7"}},
        {"further status bits and spooling only",
         {{3, "user1", "A", Printing},
          {4, "user2", "B", PrintingSpooling},
          {6, "user3", "C", Spooling},
          {8, "user4", "D", PrintingRetained | 0x1}},
         {"user1", "A", 3, "3"}},
        {"null document", {{9, "user1", std::nullopt, Printing}}, {"user1", "", 9, "9"}},
        {"null owner", {{9, std::nullopt, "Doc", Printing}}, {"", "Doc", 9, "9"}},
        {"no printing job", {{1, "user1", "Doc", Spooling}}, Untouched},
        {"empty queue", {}, Untouched},
        {"printer not installed", {{5, "user1", "Doc", Printing}}, Untouched, std::nullopt, false, false, false},
        {"second printer call fails", {{5, "user1", "Doc", Printing}}, Untouched, std::nullopt, true},
        {"second job call fails", {{5, "user1", "Doc", Printing}}, Untouched, std::nullopt, false, true},
        {"more records claimed than the answer holds", {{5, "user1", "Doc", Printing}}, Untouched, 3},
        {"fewer records claimed than laid out",
         {{5, "user1", "Doc 5", Printing}, {6, "user2", "Doc 6", Printing}},
         {"user1", "Doc 5", 5, "5"},
         1},
        {"names outside the answer",
         {{5, "user1", "Doc", Printing}},
         {"", "", 5, "5"},
         std::nullopt,
         false,
         false,
         true,
         true},
    };
    for (const auto& example : cases) {
        SCOPED_TRACE(example.what);
        documentName = "before";
        jobId = 99;
        jobIdText = "99";
        FakeSpooler queue(platform);
        queue.jobs = example.jobs;
        queue.claimedReturned = example.claimedReturned;
        queue.failSecondGetPrinter = example.failSecondGetPrinter;
        queue.failSecondEnumJobs = example.failSecondEnumJobs;
        queue.printerInstalled = example.printerInstalled;
        queue.stringsOutsideBuffer = example.stringsOutsideBuffer;
        const ScopedPlatform scripted(queue);

        const CString owner = GetSpoolInfo();

        EXPECT_STREQ(owner.GetString(), example.expected.owner.c_str());
        EXPECT_STREQ(documentName.GetString(), example.expected.document.c_str());
        EXPECT_EQ(jobId, example.expected.id);
        EXPECT_STREQ(jobIdText.GetString(), example.expected.idText.c_str());
        EXPECT_TRUE(queue.openHandles.empty()) << "the printer is closed again";
        EXPECT_EQ(queue.closed, example.printerInstalled ? 1 : 0);
    }
}

TEST_F(SpoolInfo, AsksInPairsAndClosesThePrinter) {
    spooler.jobs = {{5, "user1", "Report", Printing}, {7, "user22", std::nullopt, Spooling}};
    GetSpoolInfo();

    const std::size_t printerBytes = sizeof(PrinterInfo2) + std::strlen("Print to Sorvenna") + 1;
    const std::size_t jobBytes = 2 * sizeof(JobInfo1) + 2 * (std::strlen("Print to Sorvenna") + 1) +
                                 std::strlen("user1") + 1 + std::strlen("Report") + 1 + std::strlen("user22") + 1;
    EXPECT_EQ(spooler.calls, (std::vector<std::string>{
                                 "OpenPrinterA Print to Sorvenna",
                                 "GetPrinterA level 2 buffer none",
                                 "GetPrinterA level 2 buffer " + std::to_string(printerBytes),
                                 "EnumJobsA first 0 count 2 level 1 buffer none",
                                 "EnumJobsA first 0 count 2 level 1 buffer " + std::to_string(jobBytes),
                                 "ClosePrinter",
                             }));
}

TEST_F(SpoolInfo, APrinterThatCannotBeOpenedIsNotAskedFurther) {
    spooler.printerInstalled = false;
    MakeHostFolders(Host("C:\\Sorvenna"));
    EXPECT_STREQ(GetSpoolInfo().GetString(), "");
    EXPECT_EQ(spooler.calls, (std::vector<std::string>{"OpenPrinterA Print to Sorvenna"}));
    EXPECT_FALSE(HostFileExists(Host(LogFolder))) << "nothing is created";
}

TEST_F(SpoolInfo, WritesItsLinesOnlyAtDebugLevelTwo) {
    MakeHostFolders(Host("C:\\Sorvenna"));
    spooler.jobs = {{5, "user1", "Report", Printing}, {7, "user2", "Invoice", PrintingRetained}};

    for (const char* quiet : {"", "0", "1", "02"}) {
        debugLevel = quiet;
        GetSpoolInfo();
        EXPECT_TRUE(HostFileExists(Host(LogFolder))) << "a printing job makes the log folder";
        EXPECT_FALSE(HostFileExists(Host(TodaysLog))) << "debug level '" << quiet << "'";
    }

    debugLevel = "2";
    GetSpoolInfo();
    EXPECT_EQ(LogDescriptions(Host(TodaysLog)), (std::vector<std::string>{
                                                    "Printed File username :user1",
                                                    "Job ID :5",
                                                    "Printed File username :user2",
                                                    "Job ID :7",
                                                }));
    for (const auto& line : ReadLogLines(Host(TodaysLog))) {
        EXPECT_EQ(line.module, "Spool");
        EXPECT_EQ(line.procedure, "GetSpoolInfo");
    }
}

TEST_F(SpoolInfo, WithoutAPrintingJobNoLogFolderIsMade) {
    MakeHostFolders(Host("C:\\Sorvenna"));
    spooler.jobs = {{5, "user1", "Report", PrintingSpooling}};
    debugLevel = "2";
    GetSpoolInfo();
    EXPECT_FALSE(HostFileExists(Host(LogFolder)));
}

}  // namespace
