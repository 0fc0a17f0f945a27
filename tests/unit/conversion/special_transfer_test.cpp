// The special conversion without a serial port: USB files, the hand transfer's file and its
// ends, the queue, and the hand-off's choice of way. The port itself is tested over a pty pair
// in the integration tests.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <mutex>
#include <vector>

#include "conversion/export_hand_off.h"
#include "conversion/special_transfer.h"
#include "conversion/transfer_files.h"
#include "platform/fs.h"
#include "platform/host.h"
#include "settings/registry_values.h"
#include "support/temp_home.h"

namespace brevio::conversion {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

class RecordingWindow : public platform::MainWindowSink {
  public:
    void StatusText(int pane, std::string_view text) override {
        std::lock_guard lock(mutex_);
        status.emplace_back(pane, std::string(text));
    }
    void Message(std::string_view text, std::string_view, int) override {
        std::lock_guard lock(mutex_);
        messages.emplace_back(text);
    }
    std::vector<std::pair<int, std::string>> status;
    std::vector<std::string> messages;

  private:
    std::mutex mutex_;
};

store::NewsItem Item(int id, std::string title = "t") {
    store::NewsItem item;
    item.newsId = id;
    item.websiteId = 3;
    item.title = std::move(title);
    item.category = "10001";
    item.content = "c" + std::to_string(id);
    return item;
}

std::string RecordBytes(const store::NewsItem& item) {
    TransferRecordBytes r;
    EXPECT_TRUE(EncodeTransferRecord(item, r));
    return std::string(r.data(), r.size());
}

class SpecialTransferTest : public test::TempHomeTest {
  protected:
    ExportSettings Usb(const std::string& folder) {
        ExportSettings s;
        s.specialAuto = true;
        s.specialSelect = kTransferToUsb;
        s.usbFolder = UsbFolderPath(folder);
        return s;
    }
    ExportSettings Serial(bool hand) {
        ExportSettings s;
        s.specialAuto = true;
        s.handTransfer = hand;
        return s;
    }
    std::string HandPath() const { return Home() + std::string(kHandTransferFile); }

    RecordingWindow window_;
};

TEST_F(SpecialTransferTest, UsbFileIsNamedByTheNumberAndTheNumberGrows) {
    const std::string folder = Home() + "usb/";
    std::filesystem::create_directories(folder);
    settings::WriteInt(keys::kUsbFileNum, 41);
    SpecialTransfer transfer({Home(), &window_});
    transfer.ApplySettings(Usb(Home() + "usb"));
    EXPECT_EQ(transfer.TransferItem(Item(5)), SpecialTransfer::Outcome::kUsbFile);
    EXPECT_EQ(ReadFileBytes(folder + "41.usb"), RecordBytes(Item(5)));
    EXPECT_EQ(settings::ReadInt(keys::kUsbFileNum, 0), 42);
    EXPECT_EQ(transfer.TransferItem(Item(6)), SpecialTransfer::Outcome::kUsbFile);
    EXPECT_EQ(ReadFileBytes(folder + "42.usb"), RecordBytes(Item(6)));
    // Nothing written under the name a file has before it is complete.
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        EXPECT_EQ(e.path().extension(), ".usb") << e.path();
    }
}

TEST_F(SpecialTransferTest, UsbFileThatCannotBeWrittenKeepsTheNumber) {
    settings::WriteInt(keys::kUsbFileNum, 7);
    SpecialTransfer transfer({Home(), &window_});
    transfer.ApplySettings(Usb(Home() + "no/such/folder"));
    EXPECT_EQ(transfer.TransferItem(Item(5)), SpecialTransfer::Outcome::kFailed);
    EXPECT_EQ(settings::ReadInt(keys::kUsbFileNum, 0), 7);
}

TEST_F(SpecialTransferTest, ItemThatDoesNotFitGoesNowhere) {
    std::filesystem::create_directories(Home() + "usb");
    store::NewsItem wide = Item(1);
    wide.category = "123456789012";  // 12 bytes
    for (ExportSettings s : {Usb(Home() + "usb"), Serial(true), Serial(false)}) {
        SpecialTransfer transfer({Home(), &window_});
        transfer.ApplySettings(s);
        EXPECT_EQ(transfer.TransferItem(wide), SpecialTransfer::Outcome::kSkipped);
        EXPECT_EQ(transfer.Queued(), 0u);
    }
    EXPECT_FALSE(platform::PathExists(HandPath()));
    EXPECT_TRUE(std::filesystem::is_empty(Home() + "usb"));
}

TEST_F(SpecialTransferTest, HandRecordsAreAppendedAndNeverTruncated) {
    SpecialTransfer transfer({Home(), &window_});
    transfer.ApplySettings(Serial(true));
    EXPECT_EQ(transfer.TransferItem(Item(1)), SpecialTransfer::Outcome::kHandRecord);
    SpecialTransfer again({Home(), &window_});
    again.ApplySettings(Serial(true));
    EXPECT_EQ(again.TransferItem(Item(2)), SpecialTransfer::Outcome::kHandRecord);
    EXPECT_EQ(ReadFileBytes(HandPath()), RecordBytes(Item(1)) + RecordBytes(Item(2)));
    EXPECT_EQ(transfer.Queued(), 0u);
}

TEST_F(SpecialTransferTest, AppendAfterATornTailStartsAtTheLastWholeRecord) {
    WriteFileBytes(HandPath(), RecordBytes(Item(1)) + std::string(100, 'z'));
    HandTransferFile file(HandPath());
    TransferRecordBytes r;
    EXPECT_EQ(file.ReadAt(1, r), HandTransferFile::Read::kEnd);
    ASSERT_TRUE(EncodeTransferRecord(Item(2), r));
    ASSERT_TRUE(file.Append(r));
    EXPECT_EQ(ReadFileBytes(HandPath()), RecordBytes(Item(1)) + RecordBytes(Item(2)));
    EXPECT_EQ(file.RecordCount(), 2);
}

TEST_F(SpecialTransferTest, AutomaticSerialRecordsQueueInOrder) {
    SpecialTransfer transfer({Home(), &window_});
    transfer.ApplySettings(Serial(false));
    for (int id = 1; id <= 3; ++id) {
        EXPECT_EQ(transfer.TransferItem(Item(id)), SpecialTransfer::Outcome::kQueued);
    }
    EXPECT_EQ(transfer.Queued(), 3u);
    EXPECT_FALSE(platform::PathExists(HandPath()));
}

TEST(TransferQueueTest, FirstInFirstOutAndRecordsOfTheLimitAreRefused) {
    TransferQueue q;
    EXPECT_TRUE(q.Push("a"));
    EXPECT_TRUE(q.Push(std::string(TransferQueue::kRecordLimit - 1, 'b')));
    EXPECT_FALSE(q.Push(std::string(TransferQueue::kRecordLimit, 'c')));
    EXPECT_EQ(q.Size(), 2u);
    std::string r;
    ASSERT_TRUE(q.Pop(r));
    EXPECT_EQ(r, "a");
    ASSERT_TRUE(q.Pop(r));
    EXPECT_EQ(r.size(), TransferQueue::kRecordLimit - 1);
    EXPECT_FALSE(q.Pop(r));
}

TEST_F(SpecialTransferTest, CleanEndOfDataDeletesTheFileAndStartsAgainAtZero) {
    WriteFileBytes(HandPath(), RecordBytes(Item(1)) + RecordBytes(Item(2)));
    settings::WriteInt(keys::kEspeTransNum, 2);
    SpecialTransfer transfer({Home(), &window_});
    transfer.ApplySettings(Serial(true));
    transfer.StartHandTransfer();
    EXPECT_EQ(transfer.RunHandTransfer(), SpecialTransfer::HandEnd::kFinished);
    EXPECT_FALSE(platform::PathExists(HandPath()));
    EXPECT_EQ(settings::ReadInt(keys::kEspeTransNum, -1), 0);
    EXPECT_FALSE(transfer.HandRunFlag());
    EXPECT_FALSE(transfer.HandBusy());
    const std::vector<std::pair<int, std::string>> expected = {{0, HandFinishedText()},
                                                               {1, HandAllSentText()}};
    EXPECT_EQ(window_.status, expected);
}

TEST_F(SpecialTransferTest, ReadErrorKeepsTheFileAndTheIndex) {
    // A folder where the file should be: it opens but cannot be read.
    std::filesystem::create_directories(HandPath());
    WriteFileBytes(HandPath() + "/inside", "x");
    settings::WriteInt(keys::kEspeTransNum, 3);
    SpecialTransfer transfer({Home(), &window_});
    transfer.ApplySettings(Serial(true));
    transfer.StartHandTransfer();
    EXPECT_EQ(transfer.RunHandTransfer(), SpecialTransfer::HandEnd::kReadError);
    EXPECT_TRUE(std::filesystem::exists(HandPath() + "/inside"));
    EXPECT_EQ(settings::ReadInt(keys::kEspeTransNum, -1), 3);
    EXPECT_FALSE(transfer.HandRunFlag());
}

TEST_F(SpecialTransferTest, FailedPortWriteKeepsTheRecordForTheNextStart) {
    WriteFileBytes(HandPath(), RecordBytes(Item(1)) + RecordBytes(Item(2)));
    settings::WriteInt(keys::kEspeTransNum, 1);
    SpecialTransfer transfer({Home(), &window_});  // no port opened
    transfer.ApplySettings(Serial(true));
    transfer.StartHandTransfer();
    EXPECT_EQ(transfer.RunHandTransfer(), SpecialTransfer::HandEnd::kPortError);
    EXPECT_EQ(settings::ReadInt(keys::kEspeTransNum, -1), 1);
    EXPECT_EQ(platform::FileSize(HandPath()), 2 * static_cast<long long>(kTransferRecordSize));
}

TEST_F(SpecialTransferTest, PauseBeforeTheFirstRecordStoresTheIndex) {
    WriteFileBytes(HandPath(), RecordBytes(Item(1)));
    settings::WriteInt(keys::kEspeTransNum, 0);
    SpecialTransfer transfer({Home(), &window_});
    transfer.ApplySettings(Serial(true));
    EXPECT_EQ(transfer.RunHandTransfer(), SpecialTransfer::HandEnd::kPaused);
    EXPECT_EQ(settings::ReadInt(keys::kEspeTransNum, -1), 0);
    const std::vector<std::pair<int, std::string>> expected = {{1, HandPausedText()},
                                                               {2, HandCountText(0)}};
    EXPECT_EQ(window_.status, expected);
    EXPECT_EQ(HandCountText(5), "已转换5条");
}

TEST_F(SpecialTransferTest, DeletionAtTheEndLeavesARecordThatArrivedMeanwhile) {
    HandTransferFile file(HandPath());
    TransferRecordBytes r;
    ASSERT_TRUE(EncodeTransferRecord(Item(1), r));
    ASSERT_TRUE(file.Append(r));
    EXPECT_EQ(file.DeleteAtEnd(0), HandTransferFile::End::kMoreData);
    EXPECT_EQ(file.DeleteAtEnd(1), HandTransferFile::End::kDeleted);
    EXPECT_FALSE(platform::PathExists(HandPath()));
    EXPECT_EQ(file.DeleteAtEnd(1), HandTransferFile::End::kDeleted);  // nothing there at all
}

TEST_F(SpecialTransferTest, PortThatCannotOpenIsReportedOncePerFailureRun) {
    setenv("BREVIO_COM1", (Home() + "no-such-device").c_str(), 1);
    SpecialTransfer transfer({Home(), &window_});
    transfer.ApplySettings(Serial(false));
    EXPECT_EQ(transfer.OpenTransferPort(), TransferPort::kOpenFailed);
    EXPECT_EQ(transfer.OpenTransferPort(), TransferPort::kOpenFailed);
    ASSERT_EQ(window_.messages.size(), 1u);
    EXPECT_EQ(window_.messages[0], PortBusyText(0));
    EXPECT_EQ(PortBusyText(1), "COM2正在使用之中,无法初始化,请选择其它串口!");
    // A plain file is no serial line either.
    WriteFileBytes(Home() + "plain", "x");
    setenv("BREVIO_COM1", (Home() + "plain").c_str(), 1);
    EXPECT_EQ(transfer.OpenTransferPort(), TransferPort::kOpenFailed);
    EXPECT_EQ(window_.messages.size(), 1u);
    unsetenv("BREVIO_COM1");
}

// ---- The hand-off's choice ---------------------------------------------------------------

class HandOffTest : public SpecialTransferTest {
  protected:
    std::unique_ptr<ExportHandOff> Make(bool receptionStarted) {
        ExportHandOff::Options o;
        o.programFolder = Home();
        o.window = &window_;
        o.receptionStarted = [receptionStarted] { return receptionStarted; };
        return std::make_unique<ExportHandOff>(std::move(o));
    }
};

TEST_F(HandOffTest, SpecialConversionTakesTheItemEvenWithoutReception) {
    settings::WriteInt(keys::kEspeTransAuto, 1);
    settings::WriteInt(keys::kEspeTransHand, 1);
    settings::WriteInt(keys::kConvertAuto, 1);
    settings::WriteInt(keys::kConvertFormat, kFormatDatabase);
    auto handOff = Make(false);
    handOff->OnFiled(Item(1));
    EXPECT_EQ(ReadFileBytes(HandPath()), RecordBytes(Item(1)));
    EXPECT_EQ(handOff->Database().FailedCount(), 0);  // the database is not asked
}

TEST_F(HandOffTest, DatabaseConversionWaitsForAReceptionAndTheSwitches) {
    settings::WriteInt(keys::kConvertAuto, 1);
    settings::WriteInt(keys::kConvertFormat, kFormatDatabase);
    StoreDataSource({"no-such-data-source", "u", "p"});
    Make(false)->OnFiled(Item(1));
    EXPECT_TRUE(window_.messages.empty());

    settings::WriteInt(keys::kConvertFormat, kFormatHtml);
    auto other = Make(true);
    other->OnFiled(Item(1));
    EXPECT_EQ(other->Database().FailedCount(), 0);

    settings::WriteInt(keys::kConvertFormat, kFormatDatabase);
    auto handOff = Make(true);
    handOff->OnFiled(Item(1));
    handOff->OnFiled(Item(2));
    // Both items count as not saved; the user is told once, the status bar each time.
    EXPECT_EQ(handOff->Database().FailedCount(), 2);
    EXPECT_EQ(window_.messages, std::vector<std::string>{DatabaseExport::FailureMessage()});
    ASSERT_FALSE(window_.status.empty());
    EXPECT_EQ(window_.status.back(), std::make_pair(0, DatabaseExport::NotSavedText(2)));
}

TEST_F(HandOffTest, StopReportsRecordsThatCouldNotBeSent) {
    setenv("BREVIO_COM1", (Home() + "no-such-device").c_str(), 1);
    settings::WriteInt(keys::kEspeTransAuto, 1);
    ExportHandOff::Options o;
    o.programFolder = Home();
    o.window = &window_;
    o.drainMs = 300;
    o.portIdleWaitMs = 50;
    o.portWriteTimeoutMs = 50;
    ExportHandOff handOff(std::move(o));
    handOff.Start();
    handOff.OnFiled(Item(1));
    handOff.OnFiled(Item(2));
    EXPECT_EQ(handOff.Stop(), 2u);
    ASSERT_FALSE(window_.messages.empty());
    EXPECT_EQ(window_.messages.back(), UnsentRecordsText(2));
    unsetenv("BREVIO_COM1");
}

}  // namespace
}  // namespace brevio::conversion
