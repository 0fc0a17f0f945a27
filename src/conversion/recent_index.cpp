#include "conversion/recent_index.h"

#include "conversion/conversion_settings.h"
#include "conversion/news_export.h"
#include "platform/fs.h"
#include "platform/text.h"

namespace brevio::conversion {
namespace {

void ReplaceAll(std::string& text, std::string_view what, std::string_view with) {
    if (what.empty()) return;
    std::size_t at = 0;
    while ((at = text.find(what, at)) != std::string::npos) {
        text.replace(at, what.size(), with);
        at += with.size();
    }
}

std::string Slot(const char* name, int n) {
    return platform::Format("*%s%d*", name, n);
}

void RemoveIfEmpty(const std::string& folder) {
    if (platform::FolderExists(folder) && platform::ListFolder(folder).empty()) {
        platform::RemoveTree(folder);
    }
}

}  // namespace

RecentStamp StampOf(std::string_view timeText) {
    std::string digits;
    for (char c : timeText) {
        if (c != '-' && c != ':') digits += c;
    }
    RecentStamp s;
    s.date = platform::ParseLeadingInt(std::string_view(digits).substr(0, 8));
    if (digits.size() >= 6)
        s.time = platform::ParseLeadingInt(std::string_view(digits).substr(digits.size() - 6));
    return s;
}

void RecentNewsIndex::AddRecentItem(RecentItem item, int limit) {
    if (limit <= 0) {
        items_.clear();
        return;
    }
    const RecentStamp stamp = StampOf(item.timeText);
    auto at = items_.begin();
    while (at != items_.end() && !(StampOf(at->timeText) < stamp)) ++at;
    if (at != items_.end()) {
        items_.insert(at, std::move(item));
    } else if (items_.size() < static_cast<std::size_t>(limit)) {
        items_.push_back(std::move(item));
    }
    if (items_.size() > static_cast<std::size_t>(limit))
        items_.resize(static_cast<std::size_t>(limit));
}

std::string RecentPageFolder(std::string_view titleFilePath) {
    std::string folder(titleFilePath);
    if (!folder.empty() && folder.size() <= 3) folder.pop_back();
    if (!folder.empty() && folder.back() == '/') folder.pop_back();
    return folder;
}

std::string RecentPageText(const ConversionSettings& settings, const std::vector<RecentItem>& items,
                           std::string_view contentFolder) {
    std::string page = settings.htmlTitle;
    for (int n = static_cast<int>(items.size()) + 1; n <= settings.recentNewsNum; ++n) {
        ReplaceAll(page, Slot("LinkPoint", n), " ");
        ReplaceAll(page, Slot("Title", n), " ");
    }
    int n = 0;
    for (const RecentItem& item : items) {
        ++n;
        ReplaceAll(page, Slot("Title", n), item.title);
        ReplaceAll(page, "\r\n", "<br>");
        if (settings.titleLinkPoint == 1) {
            ReplaceAll(page, Slot("LinkPoint", n), item.url);
        } else {
            const std::string file = std::string(contentFolder) + "/" +
                                     FileBaseName(SafeTitle(item.title), item.id) + ".html";
            WriteWholeFile(file, item.content);
            ReplaceAll(page, Slot("LinkPoint", n), file);
        }
    }
    return page;
}

std::string RecentNewsIndex::WriteRecentIndex(const ConversionSettings& settings) const {
    const std::string folder = RecentPageFolder(settings.titleFilePath);
    if (folder.empty()) return {};
    platform::CreateFolders(folder);
    platform::RemoveFile(folder + "/IndexAuto.html");
    std::string page;
    std::string contentFolder;
    if (settings.autoTrans == 1) {
        page = folder + "/IndexAuto.html";
        contentFolder = folder + "/AutoContent";
        platform::CreateFolders(contentFolder);
        RemoveIfEmpty(folder + "/HandContent");
    } else {
        page = folder + "/IndexHand.html";
        contentFolder = folder + "/HandContent";
        RemoveIfEmpty(contentFolder);
        platform::CreateFolders(contentFolder);
    }
    if (WriteWholeFile(page, RecentPageText(settings, items_, contentFolder)) < 0) return {};
    return page;
}

}  // namespace brevio::conversion
