// Radar targets: the web pages the info radar watches, and the locked list that holds them.
//
// The program keeps one list for the main window (loaded from the "myRadar" section of the
// user configuration document) and the radar thread keeps a second one, its snapshot, which
// it refills from the first at the start of every pass. Every operation of a list holds the
// list's lock for its own duration. Change counts of the main window's list are changed only
// through the locked operations, so the radar thread can copy the list at any time.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace brevio::radar {

struct RadarTarget {
    int changeCount = 0;  // changes seen since the user last opened the target
    std::string name;     // display name (GBK), also the base of the target's file names
    std::string url;      // address of the page (GBK), without surrounding white space

    friend bool operator==(const RadarTarget&, const RadarTarget&) = default;
};

// An ordered list that owns its targets.
class RadarTargetList {
  public:
    // An iteration position: the index of the target GetNext returns next.
    using Position = std::size_t;
    static constexpr Position kEnd = static_cast<Position>(-1);

    RadarTargetList() = default;
    RadarTargetList(const RadarTargetList&) = delete;
    RadarTargetList& operator=(const RadarTargetList&) = delete;

    // Deletes every target.
    void Clear();
    // Adds a target at the tail.
    void Append(RadarTarget target);
    // Replaces the whole content in one locked step.
    void Replace(std::vector<RadarTarget> targets);

    // Iteration in list order: GetFirst gives the first position (kEnd when the list is
    // empty); GetNext returns the target at the position and advances it (nullptr at the end).
    // The pointer stays valid until the target is removed, so only the thread that changes
    // the list may keep it.
    Position GetFirst() const;
    RadarTarget* GetNext(Position& position);
    const RadarTarget* GetNext(Position& position) const;

    // Appends a copy (name, URL, change count) of every target to `destination`, in order,
    // without clearing it. Holds this list's lock, then the destination's.
    void CopyInto(RadarTargetList& destination) const;
    // Adds 1 to the change count of the first target whose name and URL equal the given
    // target's byte for byte, and returns the new count; 0 when there is none.
    int IncrementMatching(const RadarTarget& target);
    // True when some target has a change count other than 0.
    bool AnyChanged() const;

    std::size_t Size() const;
    // A copy of the target at a list position (the side-bar entry's position).
    std::optional<RadarTarget> At(std::size_t index) const;
    // Sets the change count of the target at a list position to 0; false when there is none.
    bool ResetChangeCount(std::size_t index);
    // Copies of every target, in order.
    std::vector<RadarTarget> Targets() const;

  private:
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<RadarTarget>> targets_;
};

}  // namespace brevio::radar
