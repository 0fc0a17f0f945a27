#include "client/portal_sections.h"

#include <utility>

#include "client/main_window_logic.h"
#include "platform/http.h"
#include "radar/radar_target.h"

namespace brevio::client {

std::string ConfigurationFailedText() {
    return "加载用户配置信息失败!";
}

ConfigDownload DownloadConfiguration(std::string_view portalAddress, std::string_view userId,
                                     std::string_view documentPath) {
    ConfigDownload download;
    // The fetch keeps the whole answer in memory and replaces the file only when it has all
    // of it, so a broken or refused download never leaves half a document behind.
    if (platform::FetchToFile(ConfigurationAddress(portalAddress, userId), documentPath,
                              &download.error)) {
        download.ok = true;
    } else {
        download.message = ConfigurationFailedText();
        if (download.error.empty()) download.error = "download failed";
    }
    return download;
}

PortalSections::PortalSections(radar::RadarTargetList& radar) : radar_(radar) {}

portal::PortalList* PortalSections::List(portal::Section section) {
    return const_cast<portal::PortalList*>(std::as_const(*this).List(section));
}

const portal::PortalList* PortalSections::List(portal::Section section) const {
    switch (section) {
        case portal::Section::kRadar:
            return nullptr;
        case portal::Section::kMyNews:
            return &myNews_;
        case portal::Section::kMyStock:
            return &myStock_;
        case portal::Section::kInformationRelease:
            return &informationRelease_;
        case portal::Section::kMyWeb:
            return &myWeb_;
        case portal::Section::kMyBlog:
            return &myBlog_;
        case portal::Section::kMyEmail:
            return &myEmail_;
    }
    return nullptr;
}

std::vector<portal::PortalItem> PortalSections::Items(portal::Section section) const {
    if (const portal::PortalList* list = List(section)) return list->Items();
    std::vector<portal::PortalItem> items;
    for (radar::RadarTarget& target : radar_.Targets()) {
        items.push_back({std::move(target.name), std::move(target.url)});
    }
    return items;
}

std::optional<portal::PortalItem> PortalSections::ItemAt(portal::Section section,
                                                         std::size_t index) const {
    if (const portal::PortalList* list = List(section)) return list->At(index);
    if (auto target = radar_.At(index)) {
        return portal::PortalItem{std::move(target->name), std::move(target->url)};
    }
    return std::nullopt;
}

std::size_t PortalSections::SizeOf(portal::Section section) const {
    const portal::PortalList* list = List(section);
    return list ? list->Size() : radar_.Size();
}

SectionLoad PortalSections::LoadLocked(portal::Section section, std::string_view documentPath) {
    SectionLoad load;
    load.section = section;
    if (portal::PortalList* list = List(section)) {
        load.result = portal::LoadSection(documentPath, section, *list);
    } else {
        load.result = portal::LoadRadarSection(documentPath, radar_);
    }
    load.items = SizeOf(section);
    return load;
}

std::vector<SectionLoad> PortalSections::LoadAll(std::string_view documentPath) {
    std::lock_guard lock(loadMutex_);
    std::vector<SectionLoad> loads;
    for (portal::Section section : kStartupLoadOrder) {
        loads.push_back(LoadLocked(section, documentPath));
    }
    return loads;
}

SectionLoad PortalSections::Load(portal::Section section, std::string_view documentPath) {
    std::lock_guard lock(loadMutex_);
    return LoadLocked(section, documentPath);
}

SectionReload PortalSections::Reload(portal::Section section, std::string_view portalAddress,
                                     std::string_view userId, std::string_view documentPath) {
    std::lock_guard lock(loadMutex_);
    SectionReload reload;
    reload.load.section = section;
    ConfigDownload download = DownloadConfiguration(portalAddress, userId, documentPath);
    if (!download.ok) {
        reload.result = kReloadDownloadFailed;
        reload.message = std::move(download.message);
        reload.error = std::move(download.error);
        reload.load.result = portal::kConfigOk;
        reload.load.items = SizeOf(section);
        return reload;
    }
    reload.load = LoadLocked(section, documentPath);
    return reload;
}

SectionReload PortalSections::Reload(int reloadIndex, std::string_view portalAddress,
                                     std::string_view userId, std::string_view documentPath) {
    if (auto section = SectionForReloadIndex(reloadIndex)) {
        return Reload(*section, portalAddress, userId, documentPath);
    }
    SectionReload reload;
    reload.result = kReloadNoSection;
    reload.error = "no section has reload index " + std::to_string(reloadIndex);
    return reload;
}

}  // namespace brevio::client
