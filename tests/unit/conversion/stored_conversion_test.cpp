// Stored items read in one pass for a conversion of many: the same records and contents a
// lookup by ID gives, duplicates and damaged records included.
#include "conversion/stored_conversion.h"

#include <gtest/gtest.h>

#include "conversion_fixture.h"

namespace brevio::conversion {
namespace {

using test_support::ConversionTest;

class ReadStoredItemsTest : public ConversionTest {
  protected:
    void SetUp() override {
        ConversionTest::SetUp();
        folder_ = Home() + "News/";
        ASSERT_TRUE(platform::CreateFolders(folder_));
    }
    void Append(std::int32_t id, const std::string& content) {
        store::NewsItem item = Item(id, "T" + std::to_string(id));
        item.content = content;
        ASSERT_GE(store::AppendItem(folder_, "09001", item, "Site"), 0);
    }
    std::string folder_;
};

TEST_F(ReadStoredItemsTest, GivesWhatALookupByIdGives) {
    // 45 records over three chunks of 20: ID 7 twice in the first chunk (the later one wins),
    // ID 30 in the second and third chunks (the second chunk wins), an empty content, a
    // deleted record.
    for (int i = 1; i <= 45; ++i) {
        std::int32_t id = i;
        if (i == 12) id = 7;
        if (i == 42) id = 30;
        Append(id, i == 20 ? "" : "content " + std::to_string(i));
    }
    ASSERT_EQ(store::MarkDeleted(folder_, "09001", 5, true), store::kWritten);
    const std::vector<std::int32_t> ids = {7, 30, 20, 5, 45, 99, 7};
    std::vector<std::optional<StoredItem>> got = ReadStoredItems(folder_, "09001", ids);
    ASSERT_EQ(got.size(), ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i) {
        store::NewsRecord record;
        std::string content;
        int rc = store::ReadItem(folder_, "09001", ids[i], record, content);
        ASSERT_EQ(got[i].has_value(), rc >= 0) << ids[i];
        if (!got[i]) continue;
        EXPECT_EQ(got[i]->content, content) << ids[i];
        EXPECT_EQ(got[i]->record.offset, record.offset) << ids[i];
        EXPECT_EQ(got[i]->record.Deleted(), record.Deleted()) << ids[i];
    }
    EXPECT_EQ(got[0]->content, "content 12");
    EXPECT_EQ(got[1]->content, "content 30");
    EXPECT_FALSE(got[5]);

    // A record whose length does not fit a content buffer is refused, as the lookup does.
    const std::string index = store::IndexPath(store::BasePath(folder_, "09001"));
    std::string bytes = test::ReadFileBytes(index);
    store::PutInt32(bytes.data() + store::kIndexHeaderSize + 44 * store::kRecordSize +
                        store::record_offset::kLength,
                    100000);
    test::WriteFileBytes(index, bytes);
    EXPECT_FALSE(ReadStoredItems(folder_, "09001", {45})[0]);
    EXPECT_FALSE(ReadStoredItems(folder_, "../News/09001", {1})[0]);
    EXPECT_FALSE(ReadStoredItems(folder_, "77777", {1})[0]);
}

}  // namespace
}  // namespace brevio::conversion
