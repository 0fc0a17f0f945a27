#include "reference/user_websites.h"

#include "platform/profile.h"
#include "platform/text.h"
#include "reference/file_names.h"

namespace brevio::reference {

std::string UserWebsiteFileFor(std::string_view userWebsitePath, std::string_view categoryCode) {
    std::string path(userWebsitePath);
    if (platform::ParseLeadingInt(categoryCode) > kUserWebsiteOtherAbove) path += kOtherSuffix;
    return path;
}

std::vector<std::string> ReadUserWebsites(std::string_view userWebsitePath,
                                          std::string_view categoryCode, const RefList& websites) {
    std::vector<std::string> sites;
    std::string value =
        platform::ProfileGetString(UserWebsiteFileFor(userWebsitePath, categoryCode), categoryCode,
                                   kUserWebsiteKey, "", kUserWebsiteValueMax + 1);
    std::vector<std::string> pieces = platform::Split(value, kSiteCodeTerminator);
    // A value cut at the buffer size may end inside a code; that piece could name another
    // site, so it is dropped.
    if (value.size() >= kUserWebsiteValueMax && value.back() != kSiteCodeTerminator &&
        !pieces.empty()) {
        pieces.pop_back();
    }
    for (const std::string& piece : pieces) {
        std::string_view code = platform::Trim(piece);
        if (!code.empty() && websites.FindByCode(code)) sites.emplace_back(code);
    }
    return sites;
}

std::string JoinSiteCodes(const std::vector<std::string>& siteCodes) {
    std::string value;
    for (const std::string& code : siteCodes) {
        std::string_view c = platform::Trim(code);
        // A code that would break the stored form is not a site code.
        if (c.empty() || c.find_first_of("|\r\n") != std::string_view::npos) continue;
        if (value.size() + c.size() + 1 > kUserWebsiteValueMax) break;
        value += c;
        value += kSiteCodeTerminator;
    }
    return value;
}

bool WriteUserWebsites(std::string_view userWebsitePath, std::string_view categoryCode,
                       const std::vector<std::string>& siteCodes) {
    return platform::ProfileWriteString(UserWebsiteFileFor(userWebsitePath, categoryCode),
                                        categoryCode, kUserWebsiteKey, JoinSiteCodes(siteCodes));
}

}  // namespace brevio::reference
