// The user configuration document: every portal section read from any file, and the radar
// section loaded into a target list.
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "portal/config_document.h"
#include "radar/radar_target.h"

namespace {

using namespace brevio;

bool IsWhite(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

void CheckItems(int result, const std::vector<portal::PortalItem>& items) {
    FUZZ_CHECK(result == portal::kConfigOk || result == portal::kConfigUnreadable ||
               result == portal::kConfigSectionMissing);
    if (result != portal::kConfigOk) FUZZ_CHECK(items.empty());
    for (const portal::PortalItem& item : items) {
        FUZZ_CHECK(!item.title.empty());
        if (item.link.empty()) continue;
        FUZZ_CHECK(!IsWhite(item.link.front()) && !IsWhite(item.link.back()));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::ScratchFolder() + "brevio.xml";
    fuzz::WriteBytes(path, std::string_view(reinterpret_cast<const char*>(data), size));

    std::vector<portal::PortalItem> radarItems;
    int radarResult = portal::kConfigOk;
    for (portal::Section section : portal::kAllSections) {
        std::vector<portal::PortalItem> items;
        const int result = portal::ReadSectionItems(path, section, items);
        CheckItems(result, items);
        if (section == portal::Section::kRadar) {
            radarItems = items;
            radarResult = result;
        }
    }
    std::vector<portal::PortalItem> rootItems;
    CheckItems(portal::ReadSectionItems(path, std::vector<std::string>{}, rootItems), rootItems);

    radar::RadarTargetList list;
    FUZZ_CHECK(portal::LoadRadarSection(path, list) == radarResult);
    std::size_t i = 0;
    for (auto pos = list.GetFirst(); const radar::RadarTarget* target = list.GetNext(pos); ++i) {
        FUZZ_CHECK(i < radarItems.size());
        FUZZ_CHECK(target->name == radarItems[i].title);
        FUZZ_CHECK(target->url == radarItems[i].link);
        FUZZ_CHECK(target->changeCount == 0);
    }
    FUZZ_CHECK(i == radarItems.size());
    return 0;
}
