#include <gtest/gtest.h>

#include <thread>

#include "platform/clock.h"
#include "platform/error_log.h"
#include "platform/event.h"
#include "platform/machine_id.h"
#include "platform/md5.h"
#include "support/temp_home.h"

namespace brevio::platform {
namespace {

TEST(Md5, LowerCaseHexOfRfcVectors) {
    EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(
        Md5Hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
        "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(ErrorLog, EntryFrame) {
    LocalTime t{2026, 3, 4, 5, 6, 7};
    EXPECT_EQ(FormatErrorEntry(t, "D:/x.idx", 2, "No such file or directory"),
              "#### Write At 2026-3-4 5:6:7 ####\r\n"
              "D:/x.idx\r\nError ID:2 \nError Description: No such file or directory\r\n"
              "########### End to Write ###########\r\n");
}

class ErrorLogTest : public test::TempHomeTest {};

TEST_F(ErrorLogTest, WrittenOnlyForNonZeroCodesAndAppended) {
    EXPECT_FALSE(LogFileError("nothing failed", 0));
    EXPECT_TRUE(test::ReadFileBytes(FileErrorLogPath()).empty());
    EXPECT_TRUE(LogFileError("a.idx", ENOENT));
    EXPECT_TRUE(LogFileError("b.idx", EACCES));
    std::string log = test::ReadFileBytes(Home() + "c/Tidewell/WError4.log");
    EXPECT_NE(log.find("a.idx\r\nError ID:2 \nError Description: No such file or directory"),
              std::string::npos);
    EXPECT_NE(log.find("b.idx\r\nError ID:13 "), log.npos);
    EXPECT_TRUE(LogDatabaseError("connect", -1, "refused"));
    EXPECT_NE(test::ReadFileBytes(Home() + "c/Tidewell/ErrorDB2.log").find("refused"), log.npos);
}

TEST(MachineId, EnvironmentOverridesTheVolumeSerial) {
    setenv("BREVIO_VOLUME_SERIAL", "1a2B3c4D", 1);
    EXPECT_EQ(VolumeSerial(), 0x1A2B3C4Du);
    unsetenv("BREVIO_VOLUME_SERIAL");
    EXPECT_EQ(VolumeSerial(), VolumeSerial());  // stable between calls
}

TEST(ManualResetEvent, StaysSetUntilResetAndWakesWaiters) {
    ManualResetEvent ev;
    EXPECT_FALSE(ev.WaitFor(std::chrono::milliseconds(1)));
    std::thread setter([&] { ev.Set(); });
    ev.Wait();
    setter.join();
    EXPECT_TRUE(ev.IsSet());
    EXPECT_TRUE(ev.WaitFor(std::chrono::milliseconds(0)));
    ev.Reset();
    EXPECT_FALSE(ev.IsSet());
}

TEST(Clock, StampIsYyyymmdd) {
    LocalTime t{2026, 12, 8, 0, 0, 0};
    EXPECT_EQ(t.Stamp(), 20261208);
    LocalTime now = Now();
    EXPECT_GE(now.year, 2024);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
}

}  // namespace
}  // namespace brevio::platform
