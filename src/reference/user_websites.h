// The user's own choice of web sites per category, "UserWebsite.tab": a profile (INI) file
// with one section per category code whose key "Website" holds the chosen site codes, each
// followed by "|". Categories whose code, read as a decimal number, is above 6999 are kept in
// a second file of the same format, named like the first with "Other" appended.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "reference/ref_list.h"

namespace brevio::reference {

inline constexpr std::string_view kUserWebsiteKey = "Website";
inline constexpr char kSiteCodeTerminator = '|';
// Longest "Website" value read or written.
inline constexpr std::size_t kUserWebsiteValueMax = 5119;
// Category codes above this number live in the "Other" file.
inline constexpr long long kUserWebsiteOtherAbove = 6999;

// The file that holds a category's sites: `userWebsitePath` (the path of "UserWebsite.tab")
// or that path with "Other" appended.
std::string UserWebsiteFileFor(std::string_view userWebsitePath, std::string_view categoryCode);

// The site codes stored for a category, in stored order; codes that are not in `websites`
// are skipped. No entry means that the user chose no sites of his own.
std::vector<std::string> ReadUserWebsites(std::string_view userWebsitePath,
                                          std::string_view categoryCode, const RefList& websites);

// Stores the site codes of a category ("code|code|..."). A list that does not fit into
// kUserWebsiteValueMax bytes keeps only the codes that fit whole. False when the file cannot
// be written.
bool WriteUserWebsites(std::string_view userWebsitePath, std::string_view categoryCode,
                       const std::vector<std::string>& siteCodes);

// The stored form of a site list, cut at whole codes to kUserWebsiteValueMax bytes.
std::string JoinSiteCodes(const std::vector<std::string>& siteCodes);

}  // namespace brevio::reference
