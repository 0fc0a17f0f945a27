// Server text blocks: the block parser on any bytes, then record acceptance and filing of
// the parsed item into a scratch content folder through every reception kind.
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "reference/reference_tables.h"
#include "store/intake.h"
#include "store/news_file.h"
#include "store/news_item.h"

namespace {

using namespace brevio;

// A kept value is the parser's raw value cut to its length without splitting a character:
// all of it, or a prefix at most one byte short of the limit.
void CheckKept(std::string_view block, std::string_view key, const std::string& kept,
               std::size_t limit) {
    std::string_view raw = store::BlockValue(block, key);
    FUZZ_CHECK(kept.size() <= limit);
    FUZZ_CHECK(raw.substr(0, kept.size()) == kept);
    FUZZ_CHECK(kept.size() == raw.size() || kept.size() + 1 >= limit);
}

void CheckParse(std::string_view block) {
    const store::NewsItem item = store::ParseNewsBlock(block);
    CheckKept(block, "TITLE:", item.title, store::kept::kTitle);
    CheckKept(block, "URL:", item.url, store::kept::kUrl);
    CheckKept(block, "CATEGORY:", item.category, store::kept::kCategory);
    CheckKept(block, "REGION:", item.region, store::kept::kRegion);
    CheckKept(block, "TRADE:", item.trade, store::kept::kTrade);
    CheckKept(block, "RELSTOCKS:", item.relatedStocks, store::kept::kRelatedStocks);
    CheckKept(block, "CONTENT:", item.content, store::kept::kContent);
    if (block.find("TIME:") != std::string_view::npos) {
        CheckKept(block, "TIME:", item.timeText, store::kept::kTime);
    }
    // Line values end at the first line feed; the content at the first end mark.
    FUZZ_CHECK(item.title.find('\n') == std::string::npos);
    FUZZ_CHECK(item.content.find(store::kBlockEndMark) == std::string::npos);
    if (store::BlockValue(block, "ID:").empty()) FUZZ_CHECK(item.newsId == 0);
    FUZZ_CHECK(item.receptionKind.empty());
}

// Everything filing writes stays inside the content folder: the scratch folder holds only
// the content folder and the drive-c folder of the error logs.
void CheckNothingOutside(const std::string& scratch) {
    static const std::set<std::string> kAllowed = {"content", "c"};
    for (const auto& entry : std::filesystem::directory_iterator(scratch)) {
        FUZZ_CHECK(kAllowed.count(entry.path().filename().string()) == 1);
    }
}

// A public item whose category makes a usable file name lands in that category's news file,
// whole: one record with its ID and title, and its content read back unchanged.
void CheckFiledAsPublic(const std::string& content, const store::NewsItem& item) {
    if (!store::IsSafeBaseName(item.category)) return;
    const std::string folder = store::ResolveFolder(content, store::kFolderPublic);
    std::vector<store::NewsRecord> listed;
    const int count = store::ListRecords(folder, item.category,
                                         [&](const store::NewsRecord& r) { listed.push_back(r); });
    FUZZ_CHECK(count == 1 && listed.size() == 1);
    FUZZ_CHECK(listed[0].newsId == item.newsId);
    FUZZ_CHECK(listed[0].Title() == store::BuildRecord(item, "").Title());
    store::NewsRecord record;
    std::string text;
    const int length = store::ReadItem(folder, item.category, item.newsId, record, text);
    FUZZ_CHECK(length == static_cast<int>(item.content.size()));
    FUZZ_CHECK(text == item.content);
}

void AcceptAndFile(std::string_view block, std::string_view group) {
    const std::string& scratch = fuzz::ScratchFolder();
    const std::string content = scratch + "content/";
    std::filesystem::create_directories(content);
    static const reference::ReferenceTables kTables;
    static const store::NoAcceptanceLimits kLimits;
    store::NewsIntake::Options options;
    options.contentFolder = content;
    {
        store::NewsIntake intake(options, kTables, kLimits);
        const int id = intake.AcceptRecord(block, group);
        const store::NewsItem parsed = store::ParseNewsBlock(block);
        FUZZ_CHECK(id == 0 || id == parsed.newsId);
        // An item with ID 0 is answered with 0 whether it was queued or not.
        if (parsed.newsId != 0) FUZZ_CHECK(intake.Pending() == (id == 0 ? 0u : 1u));
        store::NewsItem item = parsed;
        item.receptionKind = std::string(group);
        intake.FileItem(item);
        if (group == store::PublicGroup()) CheckFiledAsPublic(content, item);
    }
    CheckNothingOutside(scratch);
    std::filesystem::remove_all(content);
    fuzz::ClearErrorLogs();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputCursor in(data, size);
    const std::uint8_t selector = in.Byte();
    const std::string_view block = in.Rest();
    CheckParse(block);
    static const std::string_view kGroups[] = {store::PublicGroup(), store::TradeGroup(),
                                               store::RegionGroup(), "other"};
    AcceptAndFile(block, kGroups[selector % 4]);
    return 0;
}
