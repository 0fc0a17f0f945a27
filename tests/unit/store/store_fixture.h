// Shared helpers of the store tests: a content folder under a temporary program folder, news
// items with a chosen time and content, and raw access to the bytes of a news file.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/fs.h"
#include "store/news_file.h"
#include "store/news_file_format.h"
#include "support/temp_home.h"

namespace brevio::store::test_support {

inline NewsItem MakeItem(std::int32_t id, std::string time, std::string content,
                         std::string title = "") {
    NewsItem item;
    item.newsId = id;
    item.title = title.empty() ? "标题" + std::to_string(id) : std::move(title);
    item.url = "http://news.example.cn/" + std::to_string(id);
    item.timeText = std::move(time);
    item.content = std::move(content);
    return item;
}

class StoreTest : public test::TempHomeTest {
  protected:
    void SetUp() override {
        content_ = Home() + "content/";
        for (const char* sub : {"News/Region/", "News/Trade/", "News/Stock/", "Favorite/"}) {
            ASSERT_TRUE(platform::CreateFolders(content_ + sub));
        }
    }
    std::string Folder(FolderKind kind) const { return ResolveFolder(content_, kind); }

    std::vector<NewsRecord> Listed(FolderKind kind, const std::string& base) const {
        std::vector<NewsRecord> out;
        ListRecords(Folder(kind), base, [&](const NewsRecord& r) { out.push_back(r); });
        return out;
    }
    std::vector<std::int32_t> ListedIds(FolderKind kind, const std::string& base) const {
        std::vector<std::int32_t> ids;
        for (const NewsRecord& r : Listed(kind, base)) ids.push_back(r.newsId);
        return ids;
    }
    std::string Content(FolderKind kind, const std::string& base, std::int32_t id) const {
        NewsRecord r;
        std::string c;
        int rc = ReadItem(Folder(kind), base, id, r, c);
        return rc < 0 ? "<" + std::to_string(rc) + ">" : c;
    }
    IndexHeader Header(FolderKind kind, const std::string& base) const {
        IndexHeader h;
        EXPECT_EQ(ReadHeader(Folder(kind), base, h), 0);
        return h;
    }

    // Overwrites four bytes of record `index` (from 0) at `offset` within the record.
    static void PatchRecordInt(const std::string& basePath, int index, std::size_t offset,
                               std::int32_t value) {
        std::string bytes = test::ReadFileBytes(IndexPath(basePath));
        PutInt32(bytes.data() + kIndexHeaderSize + index * kRecordSize + offset, value);
        test::WriteFileBytes(IndexPath(basePath), bytes);
    }

    std::string content_;
};

}  // namespace brevio::store::test_support
