#include "client/notice_queue.h"

#include "platform/text.h"

namespace brevio::client {

bool NoticeQueue::Push(Notice notice) {
    if (platform::Trim(notice.text).empty()) return false;
    for (Notice& waiting : waiting_) {
        if (!notice.link.empty() && waiting.link == notice.link) {
            waiting = std::move(notice);
            return true;
        }
        if (notice.link.empty() && waiting.text == notice.text) return true;
    }
    waiting_.push_back(std::move(notice));
    return true;
}

std::optional<Notice> NoticeQueue::Pop() {
    if (waiting_.empty()) return std::nullopt;
    Notice next = std::move(waiting_.front());
    waiting_.pop_front();
    return next;
}

}  // namespace brevio::client
