// The lists of the personal portal's side-bar sections: ordered, owning lists of links with
// one lock each. Every operation holds the lock for its own duration.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace brevio::portal {

struct PortalItem {
    std::string title;  // side-bar label (GBK), as in the configuration document
    std::string link;   // address (GBK), without surrounding white space

    friend bool operator==(const PortalItem&, const PortalItem&) = default;
};

class PortalList {
  public:
    // An iteration position: the index of the item GetNext returns next.
    using Position = std::size_t;
    static constexpr Position kEnd = static_cast<Position>(-1);

    PortalList() = default;
    PortalList(const PortalList&) = delete;
    PortalList& operator=(const PortalList&) = delete;

    void Clear();
    void Append(PortalItem item);
    // Replaces the whole content in one locked step.
    void Replace(std::vector<PortalItem> items);

    // Iteration in list order (kEnd / nullptr at the end). The pointer stays valid until the
    // item is removed, so only the thread that changes the list may keep it.
    Position GetFirst() const;
    const PortalItem* GetNext(Position& position) const;

    std::size_t Size() const;
    // A copy of the item at a list position (the side-bar entry's position).
    std::optional<PortalItem> At(std::size_t index) const;
    std::vector<PortalItem> Items() const;

  private:
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<PortalItem>> items_;
};

}  // namespace brevio::portal
