// The special conversion over a real serial line: a pty pair made by socat, one end opened by
// the transfer as its COM1, the other read by the test.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <regex>
#include <thread>

#include "conversion/special_transfer.h"
#include "conversion/transfer_files.h"
#include "integration/export_peers.h"
#include "platform/fs.h"
#include "platform/host.h"
#include "settings/registry_values.h"
#include "support/temp_home.h"

namespace brevio::conversion {
namespace {

store::NewsItem Item(int id) {
    store::NewsItem item;
    item.newsId = id;
    item.websiteId = 3;
    item.title = "标题" + std::to_string(id);
    item.category = "10001";
    item.timeText = "2024-3-5 9:8:7";
    item.content = "内容\r\n第二行 " + std::to_string(id);
    return item;
}

// The news ids of the serial records in `bytes`, in order.
std::vector<int> Ids(const std::string& bytes) {
    std::vector<int> ids;
    std::size_t at = 0;
    while ((at = bytes.find("2NID", at)) != std::string::npos) {
        ids.push_back(std::atoi(bytes.c_str() + at + 4));
        at += 4;
    }
    return ids;
}

int Count(const std::string& bytes, const std::string& what) {
    int n = 0;
    for (std::size_t at = bytes.find(what); at != std::string::npos; at = bytes.find(what, at + 1)) ++n;
    return n;
}

class Window : public platform::MainWindowSink {
  public:
    void StatusText(int pane, std::string_view text) override {
        std::function<void(int, std::string_view)> hook;
        {
            std::lock_guard lock(mutex_);
            status.emplace_back(pane, std::string(text));
            hook = onStatus;
        }
        if (hook) hook(pane, text);
    }
    void Message(std::string_view text, std::string_view, int) override {
        std::lock_guard lock(mutex_);
        messages.emplace_back(text);
    }
    std::vector<std::string> Messages() {
        std::lock_guard lock(mutex_);
        return messages;
    }
    std::function<void(int, std::string_view)> onStatus;
    std::vector<std::pair<int, std::string>> status;
    std::vector<std::string> messages;

  private:
    std::mutex mutex_;
};

class SerialTransferTest : public test::TempHomeTest {
  protected:
    void SetUp() override {
        if (!test::PtyPair::Available()) GTEST_SKIP() << "socat is not installed";
        std::string error;
        ASSERT_TRUE(pty_.Start(Home(), error)) << error;
        setenv("BREVIO_COM1", pty_.LinePath().c_str(), 1);
    }
    void TearDown() override { unsetenv("BREVIO_COM1"); }

    SpecialTransfer::Options Options() {
        SpecialTransfer::Options o;
        o.programFolder = Home();
        o.window = &window_;
        o.idleWaitMs = 50;
        return o;
    }
    static ExportSettings Serial(bool hand) {
        ExportSettings s;
        s.specialAuto = true;
        s.handTransfer = hand;
        return s;
    }

    test::PtyPair pty_;
    Window window_;
};

TEST_F(SerialTransferTest, RecordBytesArriveExactlyAsFormatted) {
    SpecialTransfer transfer(Options());
    transfer.ApplySettings(Serial(false));
    EXPECT_EQ(transfer.OpenTransferPort(), TransferPort::kOpened);
    EXPECT_EQ(transfer.OpenTransferPort(), TransferPort::kAlreadyOpen);
    store::NewsItem item;
    item.newsId = 7;
    item.websiteId = 3;
    item.content = "abc";
    EXPECT_EQ(transfer.WriteToPort(SerialRecordText(item)), TransferPort::kWriteOk);
    EXPECT_EQ(pty_.ReadUntil("NENDN", 1),
              "2NID7NWEBSITE3NABSTRACTabcNCATEGORYNREGIONNRELASTOCKSNTIMENTITLENTRADENURLNENDN");
    // Line ends, GBK bytes and bytes above 0x7F go through the raw line unchanged.
    const std::string raw = SerialRecordText(Item(8)) + std::string("\x80\xff\r\n\x11\x13", 6);
    EXPECT_EQ(transfer.WriteToPort(raw), TransferPort::kWriteOk);
    EXPECT_EQ(pty_.ReadFor(300), raw);
}

TEST_F(SerialTransferTest, PortHeldByOneTransferIsRefusedToAnother) {
    SpecialTransfer first(Options());
    first.ApplySettings(Serial(false));
    ASSERT_EQ(first.OpenTransferPort(), TransferPort::kOpened);
    Window other;
    SpecialTransfer::Options o = Options();
    o.window = &other;
    SpecialTransfer second(o);
    second.ApplySettings(Serial(false));
    EXPECT_EQ(second.OpenTransferPort(), TransferPort::kOpenFailed);
    EXPECT_EQ(second.OpenTransferPort(), TransferPort::kOpenFailed);
    EXPECT_EQ(other.Messages(), std::vector<std::string>{PortBusyText(0)});
    first.ClosePort();
    EXPECT_EQ(second.OpenTransferPort(), TransferPort::kOpened);
}

TEST_F(SerialTransferTest, QueueIsDrainedInOrderAndAWideItemIsNotSent) {
    SpecialTransfer transfer(Options());
    transfer.ApplySettings(Serial(false));
    transfer.Start();
    store::NewsItem wide = Item(100);
    wide.category = "123456789012";
    EXPECT_EQ(transfer.TransferItem(wide), SpecialTransfer::Outcome::kSkipped);
    std::vector<int> expected;
    for (int id = 1; id <= 30; ++id) {
        EXPECT_EQ(transfer.TransferItem(Item(id)), SpecialTransfer::Outcome::kQueued);
        expected.push_back(id);
    }
    const std::string got = pty_.ReadUntil("NENDN", 30, 5000);
    EXPECT_EQ(Ids(got), expected);
    EXPECT_EQ(got.find("NID100"), std::string::npos);
    EXPECT_EQ(pty_.ReadFor(200), "");
    EXPECT_EQ(transfer.Stop(1000), 0u);
    EXPECT_EQ(transfer.Sent(), 30);
}

TEST_F(SerialTransferTest, PauseAfterFiveRecordsAndResumeWithTheSixth) {
    SpecialTransfer transfer(Options());
    transfer.ApplySettings(Serial(true));
    for (int id = 1; id <= 8; ++id) {
        ASSERT_EQ(transfer.TransferItem(Item(id)), SpecialTransfer::Outcome::kHandRecord);
    }
    // "暂停转换" is pressed as the fifth record is counted.
    window_.onStatus = [&](int pane, std::string_view text) {
        if (pane == 2 && text == HandCountText(5)) transfer.PauseHandTransfer();
    };
    transfer.Start();
    transfer.StartHandTransfer();
    std::string first = pty_.ReadUntil("NENDN", 5, 5000);
    for (int i = 0; i < 300 && (transfer.HandBusy() || transfer.HandRunFlag()); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    first += pty_.ReadFor(200);
    EXPECT_EQ(Ids(first), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(settings::ReadInt(keys::kEspeTransNum, -1), 5);
    EXPECT_TRUE(platform::FileExists(Home() + std::string(kHandTransferFile)));

    window_.onStatus = nullptr;
    transfer.StartHandTransfer();
    const std::string rest = pty_.ReadUntil("NENDN", 3, 5000);
    EXPECT_EQ(Ids(rest), (std::vector<int>{6, 7, 8}));
    // The end of data removes the file and then clears the count: wait for both.
    for (int i = 0; i < 300 && (platform::PathExists(Home() + std::string(kHandTransferFile)) ||
                                settings::ReadInt(keys::kEspeTransNum, -1) != 0);
         ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(platform::PathExists(Home() + std::string(kHandTransferFile)));
    EXPECT_EQ(settings::ReadInt(keys::kEspeTransNum, -1), 0);
    transfer.Stop(0);
    EXPECT_EQ(pty_.ReadFor(100), "");
}

TEST_F(SerialTransferTest, QueueWaitsWhileAHandTransferRuns) {
    SpecialTransfer transfer(Options());
    transfer.ApplySettings(Serial(true));
    for (int id = 1; id <= 3; ++id) transfer.TransferItem(Item(id));
    // Items queued for the automatic way (settings changed meanwhile) wait for the hand
    // transfer to end.
    transfer.ApplySettings(Serial(false));
    for (int id = 11; id <= 12; ++id) transfer.TransferItem(Item(id));
    transfer.ApplySettings(Serial(true));
    transfer.StartHandTransfer();
    transfer.Start();
    const std::string got = pty_.ReadUntil("NENDN", 5, 5000);
    EXPECT_EQ(Ids(got), (std::vector<int>{1, 2, 3, 11, 12}));
    transfer.Stop(1000);
}

}  // namespace
}  // namespace brevio::conversion
