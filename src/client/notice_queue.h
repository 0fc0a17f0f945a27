// The radar notices waiting for the pop-up notifier. The notifier shows one notice at a time;
// a pass that finds many changes must neither open many windows nor show a notice twice or an
// empty one, so notices wait here: an empty text is dropped, and a newer notice of a target
// that is still waiting replaces the waiting one in its place (its count is the newer one).
#pragma once

#include <deque>
#include <optional>
#include <string>

namespace brevio::client {

struct Notice {
    std::string text;  // "<name>变化了<n>次" (GBK)
    std::string link;  // the target's URL
};

class NoticeQueue {
  public:
    // False when the notice was dropped (empty text).
    bool Push(Notice notice);
    std::optional<Notice> Pop();
    std::size_t Size() const { return waiting_.size(); }
    bool Empty() const { return waiting_.empty(); }

  private:
    std::deque<Notice> waiting_;
};

}  // namespace brevio::client
