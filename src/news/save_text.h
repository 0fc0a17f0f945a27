// "保存到文件" of the news list: the text a saved item gets, the file name the save dialog
// proposes, the folder remembered in LastSavePath, and the write.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brevio::news {

// "<title>\r\n时间:<time>   来自:<web site>\r\n<content>" (GBK).
std::string SavedText(std::string_view title, std::string_view timeText, std::string_view webSite,
                      std::string_view content);

// True when a title cannot be a file name: it holds one of \ / : * ? < > | " (or is empty,
// or is "." or "..").
bool TitleUnfitForFileName(std::string_view title);

// The longest file name the file system takes, in bytes of its (UTF-8) spelling.
inline constexpr std::size_t kFileNameMaxBytes = 255;

// The name the save dialog proposes: the title + ".txt", or the news ID + ".txt" when the
// title is unfit; placed in `lastSavePath` when that is not empty (a "/" added when missing).
// A title whose name would be longer than the file system allows is cut, never inside a
// double-byte character.
std::string ProposedSaveName(std::string_view title, std::int32_t newsId,
                             std::string_view lastSavePath);

// The folder of a chosen file as LastSavePath keeps it: the path up to its last "/" (without
// it); empty when the path has none.
std::string FolderOfSavedFile(std::string_view path);

// LastSavePath (empty by default) and storing it.
std::string ReadLastSavePath();
void StoreLastSavePath(std::string_view folder);

// Creates or replaces the file and writes the text without terminator. A file that cannot be
// created is written to the file error log as "Fail to Write <path>" and false is returned.
bool WriteSavedText(std::string_view path, std::string_view text);

}  // namespace brevio::news
