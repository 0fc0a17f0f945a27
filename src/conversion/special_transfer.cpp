#include "conversion/special_transfer.h"

#include <time.h>

#include "platform/host.h"
#include "platform/text.h"
#include "settings/registry_values.h"

namespace brevio::conversion {
namespace {

constexpr int kLoopWaitMs = 10;
constexpr int kAfterRecordMs = 1;
constexpr int kAfterFileMs = 10;
constexpr int kHandRecordPauseMs = 20;

long long MonotonicMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

void Sleep(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace

bool TransferQueue::Push(std::string record) {
    if (record.size() >= kRecordLimit) return false;
    std::lock_guard lock(mutex_);
    records_.push_back(std::move(record));
    return true;
}

bool TransferQueue::Pop(std::string& record) {
    std::lock_guard lock(mutex_);
    if (records_.empty()) return false;
    record = std::move(records_.front());
    records_.pop_front();
    return true;
}

std::size_t TransferQueue::Size() const {
    std::lock_guard lock(mutex_);
    return records_.size();
}

std::string HandPausedText() {
    return "暂停手动转换";
}
std::string HandCountText(std::int64_t index) {
    return platform::Format("已转换%lld条", static_cast<long long>(index));
}
std::string HandFinishedText() {
    return "手动转换完成";
}
std::string HandAllSentText() {
    return "数据已经全部转换";
}
std::string HandSendingText(std::string_view title) {
    return "正在进行转换  新闻:" + std::string(title);
}
std::string HandRunningText() {
    return "正在进行手动转换";
}
std::string HandReadErrorText() {
    return "读取手动转换数据出错,转换已暂停";
}
std::string HandPortErrorText() {
    return "串口写入失败,手动转换已暂停";
}
std::string UnsentRecordsText(std::size_t count) {
    return platform::Format("%zu条新闻未能发送到串口", count);
}

SpecialTransfer::SpecialTransfer(Options options)
    : options_(std::move(options)),
      handFile_(options_.programFolder + std::string(kHandTransferFile)) {}

SpecialTransfer::~SpecialTransfer() {
    Stop(0);
}

void SpecialTransfer::ApplySettings(const ExportSettings& settings) {
    std::lock_guard lock(settingsMutex_);
    settings_ = settings;
}

ExportSettings SpecialTransfer::Settings() const {
    std::lock_guard lock(settingsMutex_);
    return settings_;
}

void SpecialTransfer::Status(int pane, const std::string& text) const {
    if (options_.window) options_.window->StatusText(pane, text);
}

void SpecialTransfer::Pause(int ms) {
    stop_.WaitFor(std::chrono::milliseconds(ms));
}

SpecialTransfer::Outcome SpecialTransfer::TransferItem(const store::NewsItem& item) {
    const ExportSettings s = Settings();
    TransferRecordBytes record;
    if (!EncodeTransferRecord(item, record)) return Outcome::kSkipped;

    if (!s.SerialChosen()) {
        const int number = settings::ReadInt(keys::kUsbFileNum, 0);
        if (s.usbFolder.empty() || !WriteUsbFile(s.usbFolder, number, record)) {
            return Outcome::kFailed;
        }
        settings::WriteInt(keys::kUsbFileNum, number + 1);
        Sleep(kAfterFileMs);
        return Outcome::kUsbFile;
    }
    if (s.handTransfer) {
        if (!handFile_.Append(record)) return Outcome::kFailed;
        Sleep(kAfterFileMs);
        return Outcome::kHandRecord;
    }
    return queue_.Push(SerialRecordText(item)) ? Outcome::kQueued : Outcome::kSkipped;
}

int SpecialTransfer::OpenTransferPort() {
    const int serial = Settings().serialPort;
    const int result = port_.Open(TransferDevicePath(serial));
    if (result == TransferPort::kOpenFailed) {
        if (!portMessageShown_.exchange(true) && options_.window) {
            options_.window->Message(PortBusyText(serial), PortMessageTitle(),
                                     platform::MessageBoxSink::kError);
        }
        return result;
    }
    portMessageShown_.store(false);
    openedPort_.store(serial);
    return result;
}

int SpecialTransfer::WriteToPort(std::string_view text) {
    return port_.Write(text, options_.writeTimeoutMs);
}

void SpecialTransfer::ClosePort() {
    port_.Close();
}

void SpecialTransfer::Start() {
    if (loop_.joinable()) return;
    stop_.Reset();
    loop_ = std::thread([this] { Loop(); });
}

void SpecialTransfer::StartHandThread() {
    if (busy_.load()) return;
    if (hand_.joinable()) hand_.join();  // the one that ended before
    busy_.store(true);
    hand_ = std::thread([this] { RunHandTransfer(); });
}

void SpecialTransfer::Loop() {
    while (!stop_.IsSet()) {
        const ExportSettings s = Settings();
        if (!s.specialAuto || !s.SerialChosen()) {
            Pause(options_.idleWaitMs);
            continue;
        }
        // The port stays open; it is opened again only when another one is chosen.
        if ((!port_.IsOpen() || openedPort_.load() != s.serialPort) &&
            OpenTransferPort() == TransferPort::kOpenFailed) {
            Pause(options_.idleWaitMs);
            continue;
        }
        if (run_.load()) {
            StartHandThread();
            Pause(kLoopWaitMs);
            continue;
        }
        std::string record;
        if (!busy_.load() && queue_.Pop(record)) {
            WriteToPort(record);
            ++sent_;
            Pause(kAfterRecordMs);
            continue;
        }
        Pause(kLoopWaitMs);
    }
}

std::size_t SpecialTransfer::Stop(int drainMs) {
    if (loop_.joinable() && drainMs > 0) {
        // Sending goes on while records wait; it gives up at the bound, or sooner when
        // nothing was sent for longer than a write and a retry of the port may take.
        const long long start = MonotonicMs();
        const long long stall = options_.writeTimeoutMs + options_.idleWaitMs + 1000;
        long long lastProgress = start;
        int lastSent = sent_.load();
        while (queue_.Size() > 0) {
            const long long now = MonotonicMs();
            if (sent_.load() != lastSent) {
                lastSent = sent_.load();
                lastProgress = now;
            }
            if (now - start >= drainMs || now - lastProgress >= stall) break;
            Sleep(20);
        }
    }
    run_.store(false);
    stop_.Set();
    if (loop_.joinable()) loop_.join();
    if (hand_.joinable()) hand_.join();
    const std::size_t left = queue_.Size();
    if (left > 0 && drainMs > 0 && options_.window) {
        options_.window->Message(UnsentRecordsText(left), PortMessageTitle(),
                                 platform::MessageBoxSink::kWarning);
    }
    return left;
}

SpecialTransfer::HandEnd SpecialTransfer::RunHandTransfer() {
    busy_.store(true);
    std::int64_t index = settings::ReadInt(keys::kEspeTransNum, 0);
    if (index < 0) index = 0;
    HandEnd end = HandEnd::kPaused;
    TransferRecordBytes record;
    for (;;) {
        if (!run_.load()) {
            settings::WriteInt(keys::kEspeTransNum, static_cast<int>(index));
            Status(1, HandPausedText());
            Status(2, HandCountText(index));
            end = HandEnd::kPaused;
            break;
        }
        HandTransferFile::Read read = handFile_.ReadAt(index, record);
        if (read == HandTransferFile::Read::kEnd) {
            const HandTransferFile::End ended = handFile_.DeleteAtEnd(index);
            if (ended == HandTransferFile::End::kMoreData) continue;  // appended meanwhile
            if (ended == HandTransferFile::End::kError) read = HandTransferFile::Read::kError;
        }
        if (read == HandTransferFile::Read::kError) {
            // Never delete the records after an I/O error: they are sent once the file can
            // be read again.
            settings::WriteInt(keys::kEspeTransNum, static_cast<int>(index));
            run_.store(false);
            Status(0, HandReadErrorText());
            Status(2, HandCountText(index));
            end = HandEnd::kReadError;
            break;
        }
        if (read == HandTransferFile::Read::kEnd) {
            Status(0, HandFinishedText());
            Status(1, HandAllSentText());
            settings::WriteInt(keys::kEspeTransNum, 0);
            run_.store(false);
            end = HandEnd::kFinished;
            break;
        }
        const store::NewsItem item = DecodeTransferRecord(record);
        if (WriteToPort(SerialRecordText(item)) != TransferPort::kWriteOk) {
            settings::WriteInt(keys::kEspeTransNum, static_cast<int>(index));
            run_.store(false);
            Status(0, HandPortErrorText());
            Status(2, HandCountText(index));
            end = HandEnd::kPortError;
            break;
        }
        Status(0, HandSendingText(item.title));
        Status(1, HandRunningText());
        ++index;
        Status(2, HandCountText(index));
        Pause(kHandRecordPauseMs);
    }
    busy_.store(false);
    return end;
}

}  // namespace brevio::conversion
