#include "news/news_rows.h"

#include <gtest/gtest.h>

#include "unit/store/store_fixture.h"

namespace brevio::news {
namespace {

using store::test_support::MakeItem;

class NewsRowsTest : public store::test_support::StoreTest {
  protected:
    void Append(store::FolderKind kind, const std::string& base, std::int32_t id,
                const std::string& time, const std::string& title = "") {
        ASSERT_GT(store::AppendItem(Folder(kind), base, MakeItem(id, time, "正文", title), "网站"),
                  0);
    }
    static ListRow Row(std::int32_t id, std::string title, std::int32_t itemValue = 0) {
        ListRow row;
        row.newsId = id;
        row.title = std::move(title);
        row.itemValue = itemValue;
        row.icon = itemValue == 1 ? kIconRead : kIconUnread;
        return row;
    }
    static std::vector<std::int32_t> Ids(const std::vector<ListRow>& rows) {
        std::vector<std::int32_t> ids;
        for (const ListRow& r : rows) ids.push_back(r.newsId);
        return ids;
    }
};

TEST_F(NewsRowsTest, ANewsFileLoadsItsListedRecordsNewestFirstWithoutHiddenOnes) {
    Append(store::kFolderTrade, "0101", 11, "2007-3-14 8:00:00", "旧");
    Append(store::kFolderTrade, "0101", 12, "2007-3-15 9:30:05", "新");
    Append(store::kFolderTrade, "0101", 13, "2007-3-15 10:00:00", "删");
    Append(store::kFolderTrade, "0101", 14, "2007-3-13 10:00:00", "中");
    ASSERT_EQ(store::MarkDeleted(Folder(store::kFolderTrade), "0101", 13, true), store::kWritten);
    ASSERT_EQ(store::MarkRead(Folder(store::kFolderTrade), "0101", 14, true), store::kWritten);
    store::NewsRecord hidden = store::BuildRecord(MakeItem(15, "2007-3-16 0:0:0", "x"), "");
    hidden.SetHideMark("h");
    ASSERT_GT(store::AppendRecord(store::BasePath(Folder(store::kFolderTrade), "0101"), hidden,
                                  "content"),
              0);

    std::vector<ListRow> rows;
    ASSERT_EQ(ReadNewsFileRows(content_, store::kFolderTrade, "0101", rows), 3);
    EXPECT_EQ(Ids(rows), (std::vector<std::int32_t>{12, 11, 14}));
    const ListRow& first = rows[0];
    EXPECT_EQ(first.title, "新");
    EXPECT_EQ(first.timeText, "2007-03-15 09:30:05");
    EXPECT_EQ(first.webSite, "网站");
    EXPECT_EQ(first.url, "http://news.example.cn/12");
    EXPECT_EQ(CellText(first, kColumnId), "12");
    EXPECT_EQ(CellText(first, kColumnLocator), "12,0101");
    EXPECT_EQ(first.icon, kIconUnread);
    EXPECT_FALSE(first.InReadColor());
    EXPECT_EQ(rows[2].icon, kIconRead);
    EXPECT_EQ(rows[2].itemValue, 1);
    EXPECT_TRUE(rows[2].InReadColor());

    // Dates outside the usual range sort by their text among the others.
    ASSERT_EQ(store::MarkDeleted(Folder(store::kFolderTrade), "0101", 12, true), store::kWritten);
    store::NewsRecord odd = store::BuildRecord(MakeItem(16, "2007-3-15 9:30:05", "x"), "");
    odd.date = 123456789;
    ASSERT_GT(store::AppendRecord(store::BasePath(Folder(store::kFolderTrade), "0101"), odd, "c"),
              0);
    ASSERT_EQ(ReadNewsFileRows(content_, store::kFolderTrade, "0101", rows), 3);
    EXPECT_EQ(Ids(rows),
              (std::vector<std::int32_t>{11, 14, 16}));  // its text "1234-..." sorts last
    EXPECT_EQ(rows[2].timeText, "1234-56-789 0:93:005");

    std::vector<ListRow> none{Row(1, "kept")};
    EXPECT_EQ(ReadNewsFileRows(content_, store::kFolderTrade, "9999", none), store::kCannotOpen);
    EXPECT_EQ(none.size(), 1u);  // left as it was
}

TEST_F(NewsRowsTest, TimeTextsAndTheirKeysSortAlikeWhateverTheValues) {
    EXPECT_EQ(TimeText(20070315, 93005), "2007-03-15 09:30:05");
    EXPECT_EQ(TimeText(0, 0), "0000-00-00 00:00:00");
    // Values outside the usual widths get the store's text (and no key).
    const std::pair<std::int32_t, std::int32_t> odd[] = {
        {-20070315, 93005}, {123456789, 5}, {20070315, 1234567}, {20070315, -1}};
    for (auto [date, time] : odd) {
        EXPECT_EQ(TimeText(date, time), store::RecordTimeText(date, time)) << date << " " << time;
        EXPECT_EQ(TimeKey(date, time), -1);
    }
    std::vector<ListRow> rows;
    unsigned seed = 7;
    for (int i = 0; i < 400; ++i) {
        seed = seed * 1103515245u + 12345u;
        const auto date = static_cast<std::int32_t>(seed % 100000000u);
        seed = seed * 1103515245u + 12345u;
        const auto time = static_cast<std::int32_t>(seed % 1000000u);
        ASSERT_EQ(TimeText(date, time), store::RecordTimeText(date, time));
        ListRow row = Row(i, "");
        row.timeText = TimeText(date, time);
        row.timeKey = TimeKey(date, time);
        rows.push_back(row);
    }
    std::vector<ListRow> byKey = rows;
    SortRows(byKey, kColumnTime, false);
    // One row without a key makes the column sort by its text: the same order.
    rows[0].timeKey = -1;
    SortRows(rows, kColumnTime, false);
    EXPECT_EQ(Ids(byKey), Ids(rows));
    for (std::size_t i = 1; i < rows.size(); ++i) {
        EXPECT_GE(rows[i - 1].timeText, rows[i].timeText);
    }
}

TEST_F(NewsRowsTest, LocatorsReadBackTheirKindAndBaseName) {
    store::FolderKind kind = 0;
    std::string base;
    ASSERT_TRUE(ParseLocator(Locator(11, "广东"), kind, base));
    EXPECT_EQ(kind, 11);
    EXPECT_EQ(base, "广东");
    // Base names longer than eleven bytes keep every byte.
    ASSERT_TRUE(ParseLocator("8,123456789012345", kind, base));
    EXPECT_EQ(base, "123456789012345");
    ASSERT_TRUE(ParseLocator("-3,a,b", kind, base));
    EXPECT_EQ(kind, -3);
    EXPECT_EQ(base, "a,b");
    for (const char* bad : {"", "12", ",x", "1a,x", "-,x", "99999999999,x"}) {
        EXPECT_FALSE(ParseLocator(bad, kind, base)) << bad;
    }
}

TEST_F(NewsRowsTest, SortingComparesTheBytesOfTheTextStablyAndReturnsTheOrder) {
    std::vector<ListRow> rows{Row(1, "b"), Row(2, "中"), Row(3, "B"), Row(4, "b"), Row(5, "a")};
    std::vector<std::size_t> order = SortRows(rows, kColumnTitle, true);
    // Byte order: upper case before lower case, GBK's high bytes after ASCII; equal titles keep
    // their order.
    EXPECT_EQ(Ids(rows), (std::vector<std::int32_t>{3, 5, 1, 4, 2}));
    EXPECT_EQ(order, (std::vector<std::size_t>{2, 4, 0, 3, 1}));
    SortRows(rows, kColumnTitle, false);
    EXPECT_EQ(Ids(rows), (std::vector<std::int32_t>{2, 1, 4, 5, 3}));

    // Column 0 sorts by item value, not by the ID it shows.
    std::vector<ListRow> byState{Row(9, "", 1), Row(8, "", 0), Row(7, "", 1), Row(6, "", 0)};
    SortRows(byState, kColumnId, true);
    EXPECT_EQ(Ids(byState), (std::vector<std::int32_t>{8, 6, 9, 7}));

    // The hidden locator column sorts by its "%d,%s" text.
    std::vector<ListRow> byFile{Row(1, ""), Row(2, ""), Row(3, "")};
    byFile[0].kind = 12, byFile[0].base = "2";
    byFile[1].kind = 11, byFile[1].base = "9";
    byFile[2].kind = 12, byFile[2].base = "10";
    SortRows(byFile, kColumnLocator, true);
    EXPECT_EQ(Ids(byFile), (std::vector<std::int32_t>{2, 3, 1}));
}

TEST_F(NewsRowsTest, AHeaderClickSortsAscendingFirstAndFlipsOnTheSameColumn) {
    SortState state;
    state.Set(kColumnTime, false);  // as a load leaves it
    EXPECT_TRUE(state.Click(kColumnTime));
    EXPECT_FALSE(state.Click(kColumnTime));
    EXPECT_TRUE(state.Click(kColumnTitle));
    EXPECT_FALSE(state.Click(kColumnTitle));
    EXPECT_TRUE(state.Click(kColumnTime));
    EXPECT_EQ(state.Column(), kColumnTime);
}

TEST_F(NewsRowsTest, MarkingChangesOnlyRowsWhoseIconShowsTheOtherState) {
    ListRow row = Row(1, "t", 0);
    EXPECT_FALSE(SetRowRead(row, false));
    EXPECT_TRUE(SetRowRead(row, true));
    EXPECT_EQ(row.icon, kIconRead);
    EXPECT_EQ(row.itemValue, 1);
    EXPECT_FALSE(SetRowRead(row, true));
    EXPECT_TRUE(SetRowRead(row, false));
    EXPECT_EQ(row.icon, kIconUnread);
    EXPECT_EQ(row.itemValue, 0);

    ListRow converted = Row(2, "t", kConvertedRowValue);
    converted.icon = kIconText;
    EXPECT_FALSE(SetRowRead(converted, true));
    EXPECT_FALSE(SetRowRead(converted, false));
    EXPECT_EQ(converted.icon, kIconText);
    EXPECT_TRUE(converted.InReadColor());
}

TEST_F(NewsRowsTest, CommandsFollowTheSelectionAndTheStatesOfAllRows) {
    std::vector<ListRow> rows{Row(1, "", 0), Row(2, "", 1), Row(3, "", 1)};
    CommandStates none = CommandStatesFor(rows, {});
    for (int c : {kCommandDelete, kCommandSave, kCommandPrint, kCommandAddToFavorites,
                  kCommandMarkRead, kCommandMarkUnread}) {
        EXPECT_FALSE(none.Enabled(c)) << c;
    }
    EXPECT_TRUE(none.Enabled(kCommandMarkAllRead));
    EXPECT_TRUE(none.Enabled(kCommandMarkAllUnread));

    CommandStates readOnly = CommandStatesFor(rows, {1, 2});
    EXPECT_TRUE(readOnly.Enabled(kCommandDelete));
    EXPECT_TRUE(readOnly.Enabled(kCommandSave));
    EXPECT_TRUE(readOnly.Enabled(kCommandPrint));
    EXPECT_TRUE(readOnly.Enabled(kCommandAddToFavorites));
    EXPECT_FALSE(readOnly.Enabled(kCommandMarkRead));
    EXPECT_TRUE(readOnly.Enabled(kCommandMarkUnread));

    CommandStates mixed = SelectionCommandStates(rows, {0, 1});
    EXPECT_TRUE(mixed.Enabled(kCommandMarkRead));
    EXPECT_TRUE(mixed.Enabled(kCommandMarkUnread));

    SetRowRead(rows[0], true);
    CommandStates allRead = CommandStatesFor(rows, {0});
    EXPECT_FALSE(allRead.Enabled(kCommandMarkAllRead));
    EXPECT_TRUE(allRead.Enabled(kCommandMarkAllUnread));
    EXPECT_FALSE(allRead.Enabled(12345));
}

}  // namespace
}  // namespace brevio::news
