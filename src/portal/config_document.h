// The user configuration document: the XML document (UTF-8) that the portal gives every user,
// holding the items of the seven portal sections.
//
//   <anyRoot>
//     <myRadar> <item><tltie>title</tltie><link>address</link></item> ... </myRadar>
//     <myNews> ... </myNews>  <myStock> ... </myStock>  <informationRelease> ...
//     </informationRelease> <MyFavorites> <MyWeb> ... </MyWeb> <MyEmail> ... </MyEmail> <MyBlog>
//     ... </MyBlog> </MyFavorites>
//   </anyRoot>
//
// The root may have any name. A section is found by its element path below the root, taking
// at every level the first element of the wanted name. Every child element of the section is
// an item, whatever its name; its title is the text of its first "tltie" child and its link
// the text of its first "link" child (a missing element, or one whose first content is not
// text, gives an empty text). Both are converted to GBK; an item with an empty title or link
// is skipped; the title is kept as it is and the link loses its surrounding white space.
// White space that is an element's only content is not text to the XML parser, so such a
// title or link is empty; a link of character references to blanks is kept as an empty link.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "portal/portal_list.h"

namespace brevio::radar {
class RadarTargetList;
}

namespace brevio::portal {

// The sections; the values are the indices of their side-bar folders.
enum class Section {
    kRadar = 0,               // "myRadar"
    kMyNews = 1,              // "myNews"
    kMyStock = 2,             // "myStock"
    kInformationRelease = 3,  // "informationRelease"
    kMyWeb = 4,               // "MyFavorites", "MyWeb"
    kMyBlog = 5,              // "MyFavorites", "MyBlog"
    kMyEmail = 6,             // "MyFavorites", "MyEmail"
};

inline constexpr Section kAllSections[] = {
    Section::kRadar, Section::kMyNews, Section::kMyStock, Section::kInformationRelease,
    Section::kMyWeb, Section::kMyBlog, Section::kMyEmail,
};

// Element names from below the root down to the section element.
std::vector<std::string> SectionPath(Section section);

// Results of a load. A failed load leaves the list empty.
enum ConfigResult : int {
    kConfigOk = 0,
    kConfigUnreadable = -1,      // the file cannot be read or is not well-formed XML
    kConfigSectionMissing = -2,  // no root element, or no section element on the path
};

// The items of the section at `elementPath` below the root (an empty path: the root itself),
// in document order. `documentPath` is GBK.
int ReadSectionItems(std::string_view documentPath, const std::vector<std::string>& elementPath,
                     std::vector<PortalItem>& items);
int ReadSectionItems(std::string_view documentPath, Section section,
                     std::vector<PortalItem>& items);

// Replaces the content of a section's list with the section's items (empty on failure).
int LoadSection(std::string_view documentPath, Section section, PortalList& list);

// Replaces the radar list with the targets of the "myRadar" section: name = title, URL =
// link, change count 0 (so a reload starts every count at 0 again).
int LoadRadarSection(std::string_view documentPath, radar::RadarTargetList& list);

}  // namespace brevio::portal
