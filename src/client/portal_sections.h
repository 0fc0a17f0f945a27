// The seven lists of the personal portal and their loading from the user configuration
// document: all of them at start-up, one of them again after its settings page was used.
//
// The lists are read by the user-interface thread while a reload runs on another thread:
// every list has its own lock and a load swaps a list's whole content in one step, so a
// reader sees the old or the new list, never a mixture. Loads and reloads of one
// PortalSections object run one at a time (a reload holds its own lock across the download,
// never a list's lock).
#pragma once

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "portal/config_document.h"
#include "portal/portal_list.h"

namespace brevio::radar {
class RadarTargetList;
}

namespace brevio::client {

// The start-up order of the sections.
inline constexpr portal::Section kStartupLoadOrder[] = {
    portal::Section::kRadar,  portal::Section::kMyWeb,   portal::Section::kMyEmail,
    portal::Section::kMyBlog, portal::Section::kMyStock, portal::Section::kInformationRelease,
    portal::Section::kMyNews,
};

// The message shown when the configuration document cannot be downloaded.
std::string ConfigurationFailedText();

struct ConfigDownload {
    bool ok = false;
    std::string message;  // ConfigurationFailedText() when the download failed, else empty
    std::string error;    // what failed, for logs (ASCII)
};

// Downloads the configuration document of `userId` from the portal into `documentPath` (the
// web fetch to file). The document is replaced only by a complete new one: a failed download
// leaves the old file as it was.
ConfigDownload DownloadConfiguration(std::string_view portalAddress, std::string_view userId,
                                     std::string_view documentPath);

// The outcome of loading one section.
struct SectionLoad {
    portal::Section section = portal::Section::kRadar;
    int result = portal::kConfigOk;  // portal::ConfigResult; on failure the list is empty
    std::size_t items = 0;           // items in the list after the load
};

enum ReloadResult : int {
    kReloadOk = 0,  // downloaded; the section was loaded (see load.result)
    kReloadDownloadFailed = -1,
    kReloadNoSection = -2,  // a reload index outside 0-5
};

struct SectionReload {
    int result = kReloadOk;
    SectionLoad load;     // when the document was downloaded
    std::string message;  // for the user: ConfigurationFailedText() on a failed download
    std::string error;    // what failed, for logs
};

class PortalSections {
  public:
    // The radar section fills `radar`, which the radar thread shares; the object must
    // outlive this one.
    explicit PortalSections(radar::RadarTargetList& radar);
    PortalSections(const PortalSections&) = delete;
    PortalSections& operator=(const PortalSections&) = delete;

    radar::RadarTargetList& Radar() { return radar_; }
    // The list of a section; null for the radar, whose list is Radar().
    portal::PortalList* List(portal::Section section);
    const portal::PortalList* List(portal::Section section) const;

    // Copies of a section's entries as the side bar shows them (for the radar: name and URL
    // of every target), and the entry at a side-bar position.
    std::vector<portal::PortalItem> Items(portal::Section section) const;
    std::optional<portal::PortalItem> ItemAt(portal::Section section, std::size_t index) const;

    // Loads every section from the document in the start-up order; one report per section,
    // in that order.
    std::vector<SectionLoad> LoadAll(std::string_view documentPath);
    // Loads one section from the document.
    SectionLoad Load(portal::Section section, std::string_view documentPath);

    // Downloads the document again into `documentPath`, then loads only `section`. On a
    // failed download every list and the old document stay as they were.
    SectionReload Reload(portal::Section section, std::string_view portalAddress,
                         std::string_view userId, std::string_view documentPath);
    // The same by reload index: 0 radar, 1 my news, 2 my stock, 3 my web, 4 my blog,
    // 5 my e-mail. Another index downloads nothing and gives kReloadNoSection.
    SectionReload Reload(int reloadIndex, std::string_view portalAddress, std::string_view userId,
                         std::string_view documentPath);

  private:
    SectionLoad LoadLocked(portal::Section section, std::string_view documentPath);
    std::size_t SizeOf(portal::Section section) const;

    radar::RadarTargetList& radar_;
    portal::PortalList myNews_;
    portal::PortalList myStock_;
    portal::PortalList informationRelease_;
    portal::PortalList myWeb_;
    portal::PortalList myBlog_;
    portal::PortalList myEmail_;
    std::mutex loadMutex_;  // one load or reload at a time
};

}  // namespace brevio::client
