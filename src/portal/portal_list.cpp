#include "portal/portal_list.h"

namespace brevio::portal {

void PortalList::Clear() {
    std::lock_guard lock(mutex_);
    items_.clear();
}

void PortalList::Append(PortalItem item) {
    auto owned = std::make_unique<PortalItem>(std::move(item));
    std::lock_guard lock(mutex_);
    items_.push_back(std::move(owned));
}

void PortalList::Replace(std::vector<PortalItem> items) {
    std::vector<std::unique_ptr<PortalItem>> owned;
    owned.reserve(items.size());
    for (auto& item : items) owned.push_back(std::make_unique<PortalItem>(std::move(item)));
    std::lock_guard lock(mutex_);
    items_.swap(owned);
}

PortalList::Position PortalList::GetFirst() const {
    std::lock_guard lock(mutex_);
    return items_.empty() ? kEnd : 0;
}

const PortalItem* PortalList::GetNext(Position& position) const {
    std::lock_guard lock(mutex_);
    if (position == kEnd || position >= items_.size()) {
        position = kEnd;
        return nullptr;
    }
    const PortalItem* item = items_[position].get();
    position = position + 1 < items_.size() ? position + 1 : kEnd;
    return item;
}

std::size_t PortalList::Size() const {
    std::lock_guard lock(mutex_);
    return items_.size();
}

std::optional<PortalItem> PortalList::At(std::size_t index) const {
    std::lock_guard lock(mutex_);
    if (index >= items_.size()) return std::nullopt;
    return *items_[index];
}

std::vector<PortalItem> PortalList::Items() const {
    std::lock_guard lock(mutex_);
    std::vector<PortalItem> copies;
    copies.reserve(items_.size());
    for (const auto& item : items_) copies.push_back(*item);
    return copies;
}

}  // namespace brevio::portal
