// News files: an index and a content file made of any bytes, read through every reader, then
// flagged and appended to. The byte layouts are checked against the raw records on the way.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "store/news_file.h"
#include "store/news_file_format.h"

namespace {

using namespace brevio;
using namespace brevio::store;

constexpr std::size_t kMaxItemsRead = 4;

// The whole records of an index as the input holds them.
struct RawIndex {
    std::vector<std::string_view> records;

    explicit RawIndex(std::string_view index) {
        for (std::size_t at = kIndexHeaderSize; at + kRecordSize <= index.size();
             at += kRecordSize) {
            records.push_back(index.substr(at, kRecordSize));
        }
    }
    static std::int32_t Id(std::string_view raw) {
        return GetInt32(raw.data() + record_offset::kNewsId);
    }
    static bool Deleted(std::string_view raw) { return raw[record_offset::kIsDeleted] == 1; }
    int Live() const {
        return static_cast<int>(std::count_if(records.begin(), records.end(),
                                              [](std::string_view r) { return !Deleted(r); }));
    }
    // The record a lookup by ID finds, deleted or not: the index is read in chunks of
    // kRecordsPerChunk records, the first chunk holding the ID decides, and within it the
    // record nearest the chunk's end (the most recent one) wins.
    const std::string_view* Found(std::int32_t id) const {
        for (std::size_t chunk = 0; chunk < records.size(); chunk += kRecordsPerChunk) {
            for (std::size_t i = std::min(records.size(), chunk + kRecordsPerChunk); i-- > chunk;) {
                if (Id(records[i]) == id) return &records[i];
            }
        }
        return nullptr;
    }
};

void CheckLayouts(std::string_view index, const RawIndex& raw) {
    if (index.size() >= kIndexHeaderSize) {
        const IndexHeader h =
            DecodeHeader(std::span<const char, kIndexHeaderSize>(index.data(), kIndexHeaderSize));
        char out[kIndexHeaderSize];
        EncodeHeader(h, out);
        const IndexHeader again = DecodeHeader(out);
        FUZZ_CHECK(again.tag == h.tag && again.flagA == h.flagA && again.flagB == h.flagB);
        FUZZ_CHECK(again.liveCount == h.liveCount && again.deletedCount == h.deletedCount);
        FUZZ_CHECK(again.cutoffDate == h.cutoffDate);
    }
    // A record keeps every byte through decoding and encoding.
    for (std::string_view r : raw.records) {
        char out[kRecordSize];
        EncodeRecord(DecodeRecord(std::span<const char, kRecordSize>(r.data(), kRecordSize)), out);
        FUZZ_CHECK(std::memcmp(out, r.data(), kRecordSize) == 0);
    }
}

void CheckHeader(const std::string& folder, std::int64_t wholeRecords) {
    IndexHeader header;
    const int rc = ReadHeader(folder, "f", header);
    FUZZ_CHECK(rc == 0 || rc == kFailed);
    if (rc == 0) {
        FUZZ_CHECK(static_cast<std::int64_t>(header.liveCount) + header.deletedCount ==
                   wholeRecords);
    }
}

std::vector<std::int32_t> Listed(const std::string& folder, int& rc) {
    std::vector<std::int32_t> ids;
    rc = ListRecords(folder, "f", [&](const NewsRecord& r) {
        FUZZ_CHECK(!r.Deleted());
        ids.push_back(r.newsId);
    });
    return ids;
}

void CheckRead(const std::string& folder, std::int32_t id, const RawIndex& raw,
               std::string_view content) {
    NewsRecord record;
    std::string text;
    const int rc = ReadItem(folder, "f", id, record, text);
    const std::string_view* found = raw.Found(id);
    FUZZ_CHECK(found != nullptr);
    const NewsRecord expected =
        DecodeRecord(std::span<const char, kRecordSize>(found->data(), kRecordSize));
    if (expected.length > static_cast<std::int32_t>(kContentMax)) {
        FUZZ_CHECK(rc == kFailed);
        return;
    }
    FUZZ_CHECK(record.newsId == id);
    if (expected.length <= 0) {
        FUZZ_CHECK(rc == 0 && text.empty());
        return;
    }
    FUZZ_CHECK(rc == expected.length);
    // The bytes the content file holds at the record's place, as far as it reaches.
    const std::string_view stored = expected.offset < content.size()
                                        ? content.substr(expected.offset, expected.length)
                                        : std::string_view{};
    FUZZ_CHECK(text == stored);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputCursor in(data, size);
    const std::size_t indexSize = in.Short();
    const std::string_view index = in.Take(indexSize);
    const std::string_view content = in.Rest();

    const std::string folder = fuzz::ScratchFolder() + "news/";
    std::filesystem::create_directories(folder);
    fuzz::WriteBytes(BasePath(folder, "f") + ".idx", index);
    fuzz::WriteBytes(BasePath(folder, "f") + ".dat", content);

    const RawIndex raw(index);
    CheckLayouts(index, raw);
    CheckHeader(folder, static_cast<std::int64_t>(raw.records.size()));

    int rc = 0;
    std::vector<std::int32_t> ids = Listed(folder, rc);
    FUZZ_CHECK(rc == raw.Live());
    FUZZ_CHECK(static_cast<int>(ids.size()) == rc);

    std::set<std::int32_t> seen;
    for (std::int32_t id : ids) {
        if (seen.size() >= kMaxItemsRead || !seen.insert(id).second) continue;
        CheckRead(folder, id, raw, content);
    }

    // Flags land on the record a lookup finds; deleting it hides it from the list.
    int live = rc;
    if (!ids.empty()) {
        const std::int32_t id = ids.front();
        FUZZ_CHECK(MarkRead(folder, "f", id, true) == kWritten);
        NewsRecord record;
        std::string text;
        ReadItem(folder, "f", id, record, text);
        FUZZ_CHECK(record.newsId == id && record.isRead == 1);
        const bool wasLive = !RawIndex::Deleted(*raw.Found(id));
        FUZZ_CHECK(MarkDeleted(folder, "f", id, true) == kWritten);
        Listed(folder, rc);
        FUZZ_CHECK(rc == live - (wasLive ? 1 : 0));
        live = rc;
        CheckHeader(folder, static_cast<std::int64_t>(raw.records.size()));
    }

    // An append after whatever the files hold reads back whole.
    std::int32_t fresh = 1;
    while (raw.Found(fresh)) ++fresh;
    NewsRecord added;
    added.newsId = fresh;
    added.SetTitle("appended");
    const std::string text = "appended content " + std::to_string(content.size());
    FUZZ_CHECK(AppendRecord(BasePath(folder, "f"), added, text) == static_cast<int>(text.size()));
    NewsRecord back;
    std::string backText;
    FUZZ_CHECK(ReadItem(folder, "f", fresh, back, backText) == static_cast<int>(text.size()));
    FUZZ_CHECK(backText == text && back.Title() == "appended");
    const bool hadHeader = index.size() >= kIndexHeaderSize;
    Listed(folder, rc);
    FUZZ_CHECK(rc == (hadHeader ? live : 0) + 1);
    CheckHeader(folder, (hadHeader ? static_cast<std::int64_t>(raw.records.size()) : 0) + 1);

    fuzz::ClearErrorLogs();
    return 0;
}
