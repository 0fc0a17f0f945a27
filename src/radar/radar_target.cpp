#include "radar/radar_target.h"

namespace brevio::radar {

void RadarTargetList::Clear() {
    std::lock_guard lock(mutex_);
    targets_.clear();
}

void RadarTargetList::Append(RadarTarget target) {
    auto owned = std::make_unique<RadarTarget>(std::move(target));
    std::lock_guard lock(mutex_);
    targets_.push_back(std::move(owned));
}

void RadarTargetList::Replace(std::vector<RadarTarget> targets) {
    std::vector<std::unique_ptr<RadarTarget>> owned;
    owned.reserve(targets.size());
    for (auto& t : targets) owned.push_back(std::make_unique<RadarTarget>(std::move(t)));
    std::lock_guard lock(mutex_);
    targets_.swap(owned);
}

RadarTargetList::Position RadarTargetList::GetFirst() const {
    std::lock_guard lock(mutex_);
    return targets_.empty() ? kEnd : 0;
}

RadarTarget* RadarTargetList::GetNext(Position& position) {
    std::lock_guard lock(mutex_);
    if (position == kEnd || position >= targets_.size()) {
        position = kEnd;
        return nullptr;
    }
    RadarTarget* target = targets_[position].get();
    position = position + 1 < targets_.size() ? position + 1 : kEnd;
    return target;
}

const RadarTarget* RadarTargetList::GetNext(Position& position) const {
    return const_cast<RadarTargetList*>(this)->GetNext(position);
}

void RadarTargetList::CopyInto(RadarTargetList& destination) const {
    if (&destination == this) {
        std::lock_guard lock(mutex_);
        const std::size_t count = targets_.size();
        for (std::size_t i = 0; i < count; ++i) {
            destination.targets_.push_back(std::make_unique<RadarTarget>(*targets_[i]));
        }
        return;
    }
    std::lock_guard lock(mutex_);
    std::lock_guard destinationLock(destination.mutex_);
    for (const auto& t : targets_)
        destination.targets_.push_back(std::make_unique<RadarTarget>(*t));
}

int RadarTargetList::IncrementMatching(const RadarTarget& target) {
    std::lock_guard lock(mutex_);
    for (auto& t : targets_) {
        if (t->name == target.name && t->url == target.url) return ++t->changeCount;
    }
    return 0;
}

bool RadarTargetList::AnyChanged() const {
    std::lock_guard lock(mutex_);
    for (const auto& t : targets_) {
        if (t->changeCount != 0) return true;
    }
    return false;
}

std::size_t RadarTargetList::Size() const {
    std::lock_guard lock(mutex_);
    return targets_.size();
}

std::optional<RadarTarget> RadarTargetList::At(std::size_t index) const {
    std::lock_guard lock(mutex_);
    if (index >= targets_.size()) return std::nullopt;
    return *targets_[index];
}

bool RadarTargetList::ResetChangeCount(std::size_t index) {
    std::lock_guard lock(mutex_);
    if (index >= targets_.size()) return false;
    targets_[index]->changeCount = 0;
    return true;
}

std::vector<RadarTarget> RadarTargetList::Targets() const {
    std::lock_guard lock(mutex_);
    std::vector<RadarTarget> copies;
    copies.reserve(targets_.size());
    for (const auto& t : targets_) copies.push_back(*t);
    return copies;
}

}  // namespace brevio::radar
