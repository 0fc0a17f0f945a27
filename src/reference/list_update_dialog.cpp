#include "reference/list_update_dialog.h"

#include <time.h>

#include <system_error>
#include <utility>

#include "net/nsp_message.h"
#include "platform/host.h"
#include "platform/text.h"

namespace brevio::reference {
namespace {

constexpr int kPollMs = 5;

}  // namespace

std::string UpdateDialogForm::StopButtonText() {
    return "终 止";
}
std::string UpdateDialogForm::UpdatingText(std::string_view label) {
    return "正在更新" + std::string(label) + "...";
}
std::string UpdateDialogForm::NothingNewText() {
    return "暂无更新!";
}
std::string UpdateDialogForm::StoppedText() {
    return "用户终止更新!";
}
std::string UpdateDialogForm::ClosedText() {
    return "用户终止!";
}

UpdateDialogForm::TextStyle UpdateDialogForm::StatusStyle() {
    return {"宋体", 9, true, 0x0000FF};
}

UpdateDialogForm::UpdateDialogForm(UpdateRequest& request, ListExchange exchange)
    : request_(request), exchange_(std::move(exchange)) {}

UpdateDialogForm::~UpdateDialogForm() {
    Destroy();
}

bool UpdateDialogForm::Open(std::function<void()> posted) {
    {
        std::lock_guard lock(mutex_);
        status_ = UpdatingText(request_.label);
        playing_ = true;
        frame_ = 0;
    }
    posted_callback_ = std::move(posted);
    try {
        worker_ = std::thread([this] { Work(); });
    } catch (const std::system_error&) {
        std::lock_guard lock(mutex_);
        playing_ = false;
        state_ = State::kFinished;
        result_ = DialogResult::kCancel;
        return false;
    }
    return true;
}

std::string UpdateDialogForm::Title() const {
    return UpdatingText(request_.label);
}

std::string UpdateDialogForm::StatusText() const {
    std::lock_guard lock(mutex_);
    return status_;
}

bool UpdateDialogForm::StopEnabled() const {
    std::lock_guard lock(mutex_);
    return stopEnabled_;
}

bool UpdateDialogForm::AnimationPlaying() const {
    std::lock_guard lock(mutex_);
    return playing_;
}

int UpdateDialogForm::AnimationFrame() const {
    std::lock_guard lock(mutex_);
    return frame_;
}

void UpdateDialogForm::NextFrame() {
    std::lock_guard lock(mutex_);
    if (playing_) frame_ = (frame_ + 1) % kAnimationFrames;
}

void UpdateDialogForm::AddMessage(std::string text) {
    std::lock_guard lock(mutex_);
    messages_.push_back(
        {std::move(text), store::ProgramMessageTitle(), platform::MessageBoxSink::kWarning});
}

std::vector<store::FormMessage> UpdateDialogForm::TakeMessages() {
    std::lock_guard lock(mutex_);
    return std::exchange(messages_, {});
}

void UpdateDialogForm::Work() {
    const ListReply reply = exchange_ ? exchange_(request_) : ListReply{};
    if (reply.code != net::result::kSuccess) {
        AddMessage(net::ResultText(reply.code));
    } else {
        const std::string line = net::FirstLine(reply.reply, net::kMaxStatusLineBytes);
        const net::ReplyStatus status = net::ParseReplyStatus(reply.reply);
        if (status.code == net::kStatusData) {
            std::size_t end = reply.reply.find('\n');
            request_.body = end == std::string::npos ? std::string() : reply.reply.substr(end + 1);
            std::lock_guard lock(mutex_);
            success_ = true;
        } else if (status.code == net::kStatusNothingNew) {
            std::lock_guard lock(mutex_);
            status_ = NothingNewText();
        } else {
            {
                std::lock_guard lock(mutex_);
                status_ = line;
            }
            AddMessage(line);
        }
    }
    request_.lastUpdate = static_cast<std::int64_t>(::time(nullptr));
    posted_.Set();
    if (posted_callback_) posted_callback_();
}

void UpdateDialogForm::OnWorkerFinished() {
    std::lock_guard lock(mutex_);
    if (state_ == State::kFinished) return;
    state_ = State::kFinished;
    playing_ = false;
    result_ = !stopped_ && success_ ? DialogResult::kOk : DialogResult::kCancel;
    if (*result_ != DialogResult::kOk) request_.body.clear();
}

void UpdateDialogForm::StopPressed() {
    std::lock_guard lock(mutex_);
    if (state_ == State::kFinished) return;
    stopped_ = true;
    state_ = State::kStopped;
    stopEnabled_ = false;
    status_ = StoppedText();
}

bool UpdateDialogForm::CloseRequested() {
    std::lock_guard lock(mutex_);
    if (state_ == State::kFinished) return true;
    stopped_ = true;
    state_ = State::kStopped;
    stopEnabled_ = false;
    status_ = ClosedText();
    return false;
}

UpdateDialogForm::State UpdateDialogForm::GetState() const {
    std::lock_guard lock(mutex_);
    return state_;
}

std::optional<DialogResult> UpdateDialogForm::Result() const {
    std::lock_guard lock(mutex_);
    return result_;
}

bool UpdateDialogForm::Succeeded() const {
    std::lock_guard lock(mutex_);
    return success_;
}

DialogResult UpdateDialogForm::RunToEnd(const std::function<bool()>& stopRequested) {
    if (!Open()) return DialogResult::kCancel;
    bool stopSent = false;
    while (!posted_.WaitFor(std::chrono::milliseconds(kPollMs))) {
        NextFrame();
        if (!stopSent && stopRequested && stopRequested()) {
            StopPressed();
            stopSent = true;
        }
    }
    OnWorkerFinished();
    Destroy();
    return Result().value_or(DialogResult::kCancel);
}

void UpdateDialogForm::Destroy() {
    if (worker_.joinable()) worker_.join();
}

}  // namespace brevio::reference
