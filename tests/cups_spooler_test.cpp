// The Linux spooler's records without a server: CUPS job states as Win32
// status words, records packed into the caller's buffer with the bytes
// needed reported first, queue names, and a server that is not there.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/posix/cups-queue.h"
#include "common/posix/posix-platform.h"
#include "common/posix/spooler-records.h"
#include "tests/support/temp-prefix.h"

namespace {

using sorvenna::CupsQueueNameOf;
using sorvenna::JobFacts;
using sorvenna::JobInfo1;
using sorvenna::JobStatusOfCupsJob;
using sorvenna::NativePosixPlatform;
using sorvenna::PackJobInfo1;
using sorvenna::PackPrinterInfo2;
using sorvenna::PrinterFacts;
using sorvenna::PrinterHandle;
using sorvenna::PrinterInfo2;
using sorvenna::PrinterStatusOfCupsQueue;

constexpr std::uint32_t Printing = 0x10;
constexpr std::uint32_t PrintingRetained = 0x2010;

TEST(CupsJobStatus, OnlyAProcessingJobWithAllItsDataReadsAsPrinting) {
    struct Case {
        int state;
        bool incoming;
        std::uint32_t status;
    };
    const Case cases[] = {
        {3, false, 0x0},                     // pending
        {4, false, 0x1},                     // held: paused
        {5, false, 0x10},                    // processing: printing
        {6, false, 0x401},                   // stopped: paused, someone must act
        {7, false, 0x100},                   // canceled: deleted
        {8, false, 0x2},                     // aborted: error
        {9, false, 0x80},                    // completed: printed
        {0, false, 0x2},                     // a state CUPS does not have: error
        {42, false, 0x2},  {5, true, 0x18},  // processing while the document still arrives: printing and spooling
        {3, true, 0x8},
    };
    for (const Case& example : cases) {
        SCOPED_TRACE(testing::Message() << "job-state " << example.state << " incoming " << example.incoming);
        const std::uint32_t status = JobStatusOfCupsJob(example.state, example.incoming);
        EXPECT_EQ(status, example.status);
        const bool takenAsPrinting = status == Printing || status == PrintingRetained;
        EXPECT_EQ(takenAsPrinting, example.state == 5 && !example.incoming);
    }
}

TEST(CupsJobStatus, QueueStates) {
    EXPECT_EQ(PrinterStatusOfCupsQueue(3), 0U);
    EXPECT_EQ(PrinterStatusOfCupsQueue(4), 0x400U);
    EXPECT_EQ(PrinterStatusOfCupsQueue(5), 0x1U);
}

TEST(CupsQueueName, EveryBlankBecomesAnUnderscore) {
    EXPECT_EQ(CupsQueueNameOf("Print to Sorvenna"), "Print_to_Sorvenna");
    EXPECT_EQ(CupsQueueNameOf(" two  blanks\tand a tab "), "_two__blanks_and_a_tab_");
    EXPECT_EQ(CupsQueueNameOf("Plain"), "Plain");
}

// Whether text lies wholly in the buffer, after its records.
bool InStringArea(const char* text, const std::vector<std::byte>& buffer, std::size_t recordBytes) {
    const auto* begin = reinterpret_cast<const char*>(buffer.data());
    const char* end = begin + buffer.size();
    return text >= begin + recordBytes && text + std::strlen(text) < end;
}

std::vector<JobFacts> TwoJobs() {
    JobFacts first;
    first.id = 12;
    first.userName = "user1";
    first.documentName = "Invoice*12";
    first.status = Printing;
    first.priority = 50;
    first.submitted = 1579097007;  // 15 January 2020, 14:03:27 UTC, a Wednesday
    JobFacts second;
    second.id = 13;  // neither owner nor name: both null
    return {first, second};
}

TEST(JobRecords, TheFirstCallLearnsTheSizeTheSecondFillsTheBuffer) {
    const std::vector<JobFacts> jobs = TwoJobs();
    std::uint32_t needed = 0;
    std::uint32_t returned = 7;
    EXPECT_FALSE(PackJobInfo1("Print to Sorvenna", jobs, 1, nullptr, 0, &needed, &returned));
    EXPECT_EQ(returned, 0U);
    const std::size_t strings =
        2 * sizeof("Print to Sorvenna") + sizeof("user1") + sizeof("Invoice*12") + 2 * sizeof("RAW");
    ASSERT_EQ(needed, 2 * sizeof(JobInfo1) + strings);

    std::vector<std::byte> buffer(needed);
    EXPECT_FALSE(PackJobInfo1("Print to Sorvenna", jobs, 1, buffer.data(), needed - 1, &needed, &returned));
    EXPECT_EQ(returned, 0U);

    ASSERT_TRUE(PackJobInfo1("Print to Sorvenna", jobs, 1, buffer.data(), needed, &needed, &returned));
    ASSERT_EQ(returned, 2U);
    const auto* records = reinterpret_cast<const JobInfo1*>(buffer.data());
    const std::size_t recordBytes = 2 * sizeof(JobInfo1);

    EXPECT_EQ(records[0].JobId, 12U);
    EXPECT_STREQ(records[0].pUserName, "user1");
    EXPECT_STREQ(records[0].pDocument, "Invoice*12");
    EXPECT_STREQ(records[0].pPrinterName, "Print to Sorvenna");
    EXPECT_EQ(records[0].Status, Printing);
    EXPECT_EQ(records[0].Priority, 50U);
    EXPECT_EQ(records[0].Position, 1U);
    EXPECT_EQ(records[0].Submitted.wYear, 2020);
    EXPECT_EQ(records[0].Submitted.wMonth, 1);
    EXPECT_EQ(records[0].Submitted.wDay, 15);
    EXPECT_EQ(records[0].Submitted.wDayOfWeek, 3);
    EXPECT_EQ(records[0].Submitted.wHour, 14);
    for (const char* text : {records[0].pUserName, records[0].pDocument, records[0].pPrinterName,
                             records[1].pPrinterName, records[1].pDatatype}) {
        EXPECT_TRUE(InStringArea(text, buffer, recordBytes)) << text;
    }

    EXPECT_EQ(records[1].JobId, 13U);
    EXPECT_EQ(records[1].pUserName, nullptr);
    EXPECT_EQ(records[1].pDocument, nullptr);
    EXPECT_EQ(records[1].pMachineName, nullptr);
    EXPECT_EQ(records[1].Status, 0U);
    EXPECT_EQ(records[1].Position, 2U);
    EXPECT_EQ(records[1].Submitted.wYear, 0);
}

TEST(JobRecords, AnEmptyQueueNeedsNoBytes) {
    std::uint32_t needed = 99;
    std::uint32_t returned = 99;
    EXPECT_TRUE(PackJobInfo1("Print to Sorvenna", {}, 1, nullptr, 0, &needed, &returned));
    EXPECT_EQ(needed, 0U);
    EXPECT_EQ(returned, 0U);
}

TEST(JobRecords, PositionsCountFromTheFirstJobAsked) {
    const std::vector<JobFacts> jobs = TwoJobs();
    std::uint32_t needed = 0;
    std::uint32_t returned = 0;
    PackJobInfo1("P", jobs, 4, nullptr, 0, &needed, &returned);
    std::vector<std::byte> buffer(needed);
    ASSERT_TRUE(PackJobInfo1("P", jobs, 4, buffer.data(), needed, &needed, &returned));
    const auto* records = reinterpret_cast<const JobInfo1*>(buffer.data());
    EXPECT_EQ(records[0].Position, 4U);
    EXPECT_EQ(records[1].Position, 5U);
}

TEST(PrinterRecord, TheFirstCallLearnsTheSizeTheSecondFillsTheBuffer) {
    PrinterFacts printer;
    printer.printerName = "Print to Sorvenna";
    printer.comment = "hand-off queue";
    printer.status = 0x400;
    printer.jobCount = 3;
    std::uint32_t needed = 0;
    EXPECT_FALSE(PackPrinterInfo2(printer, nullptr, 0, &needed));
    ASSERT_GT(needed, sizeof(PrinterInfo2));
    std::vector<std::byte> buffer(needed);
    EXPECT_FALSE(PackPrinterInfo2(printer, buffer.data(), needed - 1, &needed));
    ASSERT_TRUE(PackPrinterInfo2(printer, buffer.data(), needed, &needed));
    const auto* record = reinterpret_cast<const PrinterInfo2*>(buffer.data());
    EXPECT_EQ(record->cJobs, 3U);
    EXPECT_EQ(record->Status, 0x400U);
    EXPECT_STREQ(record->pPrinterName, "Print to Sorvenna");
    EXPECT_STREQ(record->pComment, "hand-off queue");
    EXPECT_STREQ(record->pLocation, "");
    EXPECT_EQ(record->pShareName, nullptr);
    EXPECT_TRUE(InStringArea(record->pPrinterName, buffer, sizeof(PrinterInfo2)));
    EXPECT_TRUE(InStringArea(record->pComment, buffer, sizeof(PrinterInfo2)));
}

TEST(CupsSpooler, NoServerNoPrinter) {
    sorvenna::testing::TempPrefix prefix;  // CUPS_SERVER: a socket that is not there
    PrinterHandle handle = &handle;
    EXPECT_FALSE(NativePosixPlatform().OpenPrinterA("Print to Sorvenna", &handle, nullptr));
    EXPECT_EQ(handle, nullptr);
    std::uint32_t needed = 5;
    std::uint32_t returned = 5;
    EXPECT_FALSE(NativePosixPlatform().GetPrinterA(nullptr, 2, nullptr, 0, &needed));
    EXPECT_FALSE(NativePosixPlatform().EnumJobsA(nullptr, 0, 1, 1, nullptr, 0, &needed, &returned));
    EXPECT_FALSE(NativePosixPlatform().ClosePrinter(nullptr));
}

}  // namespace
