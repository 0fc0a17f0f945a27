// The special conversion: received items go to a receiving program on another machine,
// either as serial records over a serial port or as numbered record files in a folder that is
// carried over on a USB medium. Three ways:
//   - automatic serial transfer: each item's serial record is queued on its arrival and the
//     transfer loop sends the queue over the port;
//   - hand transfer: items are collected as transfer records in "Vantory.~px" and sent when
//     the user starts the transfer ("开始转换"); "暂停转换" pauses it and pxEspeTransNum keeps
//     the index of the next record, so a pause or a restart of the program resumes with the
//     first record not yet sent;
//   - USB files: one file "<pxUsbFileNum>.usb" per item.
//
// Threads: the store writer thread calls TransferItem; the transfer loop (its own thread,
// started with the client) drains the queue and starts hand transfers; a hand transfer runs
// on a thread of its own. The queue has its own lock; the run flag (set and cleared by the
// user) and the busy flag (set while a hand transfer runs) are atomics. While a hand transfer
// runs, the queue waits.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "conversion/export_settings.h"
#include "conversion/transfer_files.h"
#include "conversion/transfer_port.h"
#include "platform/event.h"
#include "store/news_item.h"

namespace brevio::platform {
class MainWindowSink;
}

namespace brevio::conversion {

// The queue of serial records waiting for the port, first in, first out.
class TransferQueue {
  public:
    // Records of this many bytes or more are not queued.
    static constexpr std::size_t kRecordLimit = 20000;
    // False when the record is too long.
    bool Push(std::string record);
    // Takes the oldest record; false when the queue is empty.
    bool Pop(std::string& record);
    std::size_t Size() const;

  private:
    mutable std::mutex mutex_;
    std::deque<std::string> records_;
};

// Status texts of the hand transfer.
std::string HandPausedText();                  // "暂停手动转换" (pane 1)
std::string HandCountText(std::int64_t index);  // "已转换%d条" (pane 2)
std::string HandFinishedText();                // "手动转换完成" (pane 0)
std::string HandAllSentText();                 // "数据已经全部转换" (pane 1)
std::string HandSendingText(std::string_view title);  // "正在进行转换  新闻:%s" (pane 0)
std::string HandRunningText();                 // "正在进行手动转换" (pane 1)
std::string HandReadErrorText();               // pane 0, after a read failure
std::string HandPortErrorText();               // pane 0, after a failed write
// The message when records could not be sent before the client ended.
std::string UnsentRecordsText(std::size_t count);

class SpecialTransfer {
  public:
    struct Options {
        std::string programFolder;  // holds "Vantory.~px"; ends in "/"
        platform::MainWindowSink* window = nullptr;
        int writeTimeoutMs = TransferPort::kDefaultWriteTimeoutMs;
        // The loop's pause while the special conversion is off or the port would not open.
        int idleWaitMs = 3000;
    };

    explicit SpecialTransfer(Options options);
    ~SpecialTransfer();
    SpecialTransfer(const SpecialTransfer&) = delete;
    SpecialTransfer& operator=(const SpecialTransfer&) = delete;

    // The in-memory copy of the settings the transfer works with.
    void ApplySettings(const ExportSettings& settings);
    ExportSettings Settings() const;

    enum class Outcome {
        kQueued,      // serial record queued for the loop
        kHandRecord,  // appended to the hand transfer's file
        kUsbFile,     // written as a USB file
        kSkipped,     // a text does not fit the transfer record, or the record is too long
        kFailed,      // the file could not be written
    };
    // One received item, after filing, by the way the settings choose.
    Outcome TransferItem(const store::NewsItem& item);

    // Opens the chosen port: 1 opened, 2 already open, 0 failed. A failure shows
    // "COM%d正在使用之中..." once; the message comes again only after the port opened in
    // between (or another port was chosen).
    int OpenTransferPort();
    // 0, or 52 when the write fails or writes nothing (the record is not sent again).
    int WriteToPort(std::string_view text);
    void ClosePort();

    // The transfer loop.
    void Start();
    // Waits up to drainMs for the queue to be sent (giving up sooner when nothing can be
    // sent), pauses a running hand transfer, stops the loop. Returns the records left unsent;
    // when there are any, the window is told so.
    std::size_t Stop(int drainMs);
    bool Running() const { return loop_.joinable(); }
    std::size_t Queued() const { return queue_.Size(); }
    int Sent() const { return sent_.load(); }

    // "开始转换" and "暂停转换": the run flag of the hand transfer.
    void StartHandTransfer() { run_.store(true); }
    void PauseHandTransfer() { run_.store(false); }
    bool HandRunFlag() const { return run_.load(); }
    bool HandBusy() const { return busy_.load(); }

    enum class HandEnd {
        kPaused,     // the run flag was cleared; pxEspeTransNum holds the next index
        kFinished,   // every record was sent; the file is deleted and pxEspeTransNum is 0
        kReadError,  // the file could not be read; it stays, pxEspeTransNum holds the index
        kPortError,  // a record could not be written; it is sent first on the next start
    };
    // A hand transfer on the calling thread (the loop runs it on a thread of its own): from
    // the record pxEspeTransNum until a pause, the end of the data or a failure.
    HandEnd RunHandTransfer();

    HandTransferFile& HandFile() { return handFile_; }

  private:
    void Loop();
    void StartHandThread();
    void Status(int pane, const std::string& text) const;
    void Pause(int ms);

    Options options_;
    mutable std::mutex settingsMutex_;
    ExportSettings settings_;
    TransferPort port_;
    TransferQueue queue_;
    HandTransferFile handFile_;
    std::atomic<bool> run_{false};
    std::atomic<bool> busy_{false};
    std::atomic<bool> portMessageShown_{false};
    std::atomic<int> sent_{0};
    std::atomic<int> openedPort_{-1};  // the port number the open port was opened for
    platform::ManualResetEvent stop_;
    std::thread loop_;
    std::thread hand_;  // touched by the loop thread only (and by Stop after the loop ended)
};

}  // namespace brevio::conversion
