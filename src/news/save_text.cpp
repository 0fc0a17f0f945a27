#include "news/save_text.h"

#include <cerrno>

#include "platform/error_log.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/keys.h"
#include "settings/registry_values.h"

namespace brevio::news {
namespace {

constexpr std::string_view kUnfitCharacters = "\\/:*?<>|\"";
constexpr std::string_view kTextExt = ".txt";

bool NameFits(std::string_view name) {
    return platform::GbkToUtf8(name).size() <= kFileNameMaxBytes;
}

}  // namespace

std::string SavedText(std::string_view title, std::string_view timeText, std::string_view webSite,
                      std::string_view content) {
    std::string text(title);
    text += "\r\n时间:";
    text += timeText;
    text += "   来自:";
    text += webSite;
    text += "\r\n";
    text += content;
    return text;
}

bool TitleUnfitForFileName(std::string_view title) {
    if (title.empty() || title == "." || title == "..") return true;
    // GBK trail bytes start at 0x40, so none of these ASCII characters can be half of a
    // double-byte character.
    return title.find_first_of(kUnfitCharacters) != std::string_view::npos ||
           title.find('\0') != std::string_view::npos;
}

std::string ProposedSaveName(std::string_view title, std::int32_t newsId,
                             std::string_view lastSavePath) {
    std::string stem = TitleUnfitForFileName(title) ? std::to_string(newsId) : std::string(title);
    while (!stem.empty() && !NameFits(stem + std::string(kTextExt))) {
        stem = std::string(platform::DbcsPrefix(stem, stem.size() - 1));
    }
    std::string name = stem + std::string(kTextExt);
    if (lastSavePath.empty()) return name;
    return platform::WithSlash(std::string(lastSavePath)) + name;
}

std::string FolderOfSavedFile(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return {};
    return std::string(path.substr(0, slash));
}

std::string ReadLastSavePath() {
    return settings::ReadString(settings::keys::kLastSavePath, "");
}

void StoreLastSavePath(std::string_view folder) {
    settings::WriteString(settings::keys::kLastSavePath, folder);
}

bool WriteSavedText(std::string_view path, std::string_view text) {
    platform::File file;
    if (!file.Open(path, platform::File::kCreate) || !file.Write(text)) {
        const int code = platform::LastError();
        platform::LogFileError("Fail to Write " + std::string(path), code != 0 ? code : EIO);
        return false;
    }
    return true;
}

}  // namespace brevio::news
