#include "portal/config_document.h"

#include <tinyxml2.h>

#include "platform/fs.h"
#include "platform/text.h"
#include "radar/radar_target.h"

namespace brevio::portal {
namespace {

std::string ChildText(const tinyxml2::XMLElement& item, const char* name) {
    const tinyxml2::XMLElement* child = item.FirstChildElement(name);
    const char* text = child ? child->GetText() : nullptr;
    return text ? platform::Utf8ToGbk(text) : std::string();
}

}  // namespace

std::vector<std::string> SectionPath(Section section) {
    switch (section) {
        case Section::kRadar:
            return {"myRadar"};
        case Section::kMyNews:
            return {"myNews"};
        case Section::kMyStock:
            return {"myStock"};
        case Section::kInformationRelease:
            return {"informationRelease"};
        case Section::kMyWeb:
            return {"MyFavorites", "MyWeb"};
        case Section::kMyBlog:
            return {"MyFavorites", "MyBlog"};
        case Section::kMyEmail:
            return {"MyFavorites", "MyEmail"};
    }
    return {};
}

int ReadSectionItems(std::string_view documentPath, const std::vector<std::string>& elementPath,
                     std::vector<PortalItem>& items) {
    items.clear();
    std::string bytes;
    if (!platform::ReadWholeFile(documentPath, bytes)) return kConfigUnreadable;
    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    if (document.Parse(bytes.data(), bytes.size()) != tinyxml2::XML_SUCCESS) {
        return kConfigUnreadable;
    }
    const tinyxml2::XMLElement* section = document.FirstChildElement();
    for (const std::string& name : elementPath) {
        if (!section) break;
        section = section->FirstChildElement(name.c_str());
    }
    if (!section) return kConfigSectionMissing;
    for (const tinyxml2::XMLElement* item = section->FirstChildElement(); item;
         item = item->NextSiblingElement()) {
        std::string title = ChildText(*item, "tltie");
        std::string link = ChildText(*item, "link");
        if (title.empty() || link.empty()) continue;
        items.push_back({std::move(title), std::string(platform::Trim(link))});
    }
    return kConfigOk;
}

int ReadSectionItems(std::string_view documentPath, Section section,
                     std::vector<PortalItem>& items) {
    return ReadSectionItems(documentPath, SectionPath(section), items);
}

int LoadSection(std::string_view documentPath, Section section, PortalList& list) {
    std::vector<PortalItem> items;
    const int result = ReadSectionItems(documentPath, section, items);
    list.Replace(std::move(items));
    return result;
}

int LoadRadarSection(std::string_view documentPath, radar::RadarTargetList& list) {
    std::vector<PortalItem> items;
    const int result = ReadSectionItems(documentPath, Section::kRadar, items);
    std::vector<radar::RadarTarget> targets;
    targets.reserve(items.size());
    for (PortalItem& item : items) {
        targets.push_back({0, std::move(item.title), std::move(item.link)});
    }
    list.Replace(std::move(targets));
    return result;
}

}  // namespace brevio::portal
