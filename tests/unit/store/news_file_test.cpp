#include "store/news_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <random>
#include <thread>
#include <utility>

#include "platform/error_log.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "support/temp_home.h"

namespace brevio::store {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

std::string Repeat(std::string_view s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

std::string Le32(std::uint32_t v) {
    std::string b(4, '\0');
    for (int i = 0; i < 4; ++i) b[i] = static_cast<char>(v >> (8 * i));
    return b;
}

std::string Padded(std::string text, std::size_t size) {
    text.resize(size, '\0');
    return text;
}

NewsItem Item(std::int32_t id, std::string content = "", std::string title = "标题") {
    NewsItem item;
    item.newsId = id;
    item.title = std::move(title);
    item.url = "http://news.example.cn/" + std::to_string(id);
    item.timeText = "2007-3-15 9:30:5";
    item.content = content.empty() ? "正文" + std::to_string(id) : std::move(content);
    return item;
}

class NewsFileTest : public test::TempHomeTest {
  protected:
    void SetUp() override {
        content_ = Home() + "content/";
        ASSERT_TRUE(platform::CreateFolders(content_ + "News/Trade/"));
        folder_ = ResolveFolder(content_, kFolderTrade);
    }
    std::string Base(std::string_view base = "T01") const { return BasePath(folder_, base); }
    std::string Index(std::string_view base = "T01") const { return IndexPath(Base(base)); }
    std::string Content(std::string_view base = "T01") const { return ContentPath(Base(base)); }
    IndexHeader Header(std::string_view base = "T01") const {
        IndexHeader h;
        EXPECT_EQ(ReadHeader(folder_, base, h), 0);
        return h;
    }
    std::vector<NewsRecord> Listed(std::string_view base = "T01") const {
        std::vector<NewsRecord> out;
        EXPECT_GE(ListRecords(folder_, base, [&](const NewsRecord& r) { out.push_back(r); }), 0);
        return out;
    }
    // Appends items with the given IDs; item i gets the content "c<i>".
    void AppendIds(std::initializer_list<std::int32_t> ids) {
        for (std::int32_t id : ids) {
            ASSERT_GT(AppendItem(folder_, "T01", Item(id, "c" + std::to_string(appended_++)), ""),
                      0);
        }
    }
    std::string ReadContent(std::int32_t id) const {
        NewsRecord r;
        std::string c;
        EXPECT_GE(ReadItem(folder_, "T01", id, r, c), 0);
        return c;
    }
    static std::string LogText() { return ReadFileBytes(platform::FileErrorLogPath()); }

    std::string content_;
    std::string folder_;
    int appended_ = 0;
};

TEST_F(NewsFileTest, AppendCreatesTheFolderAndWritesEveryByteAtItsOffset) {
    const std::string folder = ResolveFolder(content_, kFolderSubscription);
    ASSERT_EQ(folder, content_ + "Favorite2/");
    ASSERT_EQ(BasePath(content_ + "Favorite2", "7"), folder + "7");
    NewsItem item = Item(0x01020304, "第一条正文");
    ASSERT_EQ(AppendItem(folder, "7", item, "新浪网"), 10);
    ASSERT_TRUE(platform::FolderExists(folder));
    EXPECT_EQ(ReadFileBytes(folder + "7.dat"), "第一条正文");

    std::string expected = std::string("Ostra\0\0\0\x01\x01", 10) + Le32(1) + Le32(0) + Le32(0) +
                           std::string(10, '\0');
    expected += '\0';
    expected += Le32(0x01020304);
    expected += Padded("标题", 202);
    expected += Padded("http://news.example.cn/16909060", 225);
    expected += Padded("新浪网", 32);
    expected += Le32(20070315) + Le32(93005) + Le32(0) + Le32(10);
    expected += '\0';
    expected += std::string(31, '\0');
    EXPECT_EQ(ReadFileBytes(folder + "7.idx"), expected);

    // The second record follows with its content after the first one's.
    ASSERT_EQ(AppendItem(folder, "7", Item(9, "abc"), ""), 3);
    std::string idx = ReadFileBytes(folder + "7.idx");
    ASSERT_EQ(idx.size(), 32u + 2 * 512);
    EXPECT_EQ(idx.substr(10, 4), Le32(2));
    EXPECT_EQ(idx.substr(32 + 512 + 472, 8), Le32(10) + Le32(3));
    EXPECT_EQ(ReadFileBytes(folder + "7.dat"), "第一条正文abc");
}

TEST_F(NewsFileTest, TitlesAreTrimmedAndLongOnesShortenedOnCharacterBoundaries) {
    auto stored = [](std::string title) { return BuildRecord(Item(1, "x", title), "").Title(); };
    const std::string exact = "a" + Repeat("中", 100);  // 201 bytes
    EXPECT_EQ(stored(" \t" + exact + "\r"), exact);
    // 202 bytes whose first 198 hold an even number of high bytes: cut as they are.
    EXPECT_EQ(stored("ab" + Repeat("中", 100)), "ab" + Repeat("中", 98) + "...");
    // An odd number: the 198th byte (the first half of a character) becomes a blank.
    EXPECT_EQ(stored("a" + Repeat("中", 101)), "a" + Repeat("中", 98) + " ...");
    EXPECT_EQ(stored(Repeat("x", 600)), Repeat("x", 198) + "...");
}

TEST_F(NewsFileTest, WebSiteNamesAndUrlsStayInsideTheirFields) {
    auto site = [](std::string name) { return BuildRecord(Item(1), name).WebSite(); };
    EXPECT_EQ(site(Repeat("w", 31)), Repeat("w", 31));
    EXPECT_EQ(site(Repeat("w", 32)), Repeat("w", 30));
    EXPECT_EQ(site(Repeat("网", 20)), Repeat("网", 15));
    EXPECT_EQ(site("a" + Repeat("网", 20)), "a" + Repeat("网", 14));  // no half character

    NewsItem item = Item(1);
    item.url = "h" + Repeat("中", 200);
    NewsRecord r = BuildRecord(item, "");
    EXPECT_EQ(r.Url(), "h" + Repeat("中", 111));  // 223 bytes: 224 would split a character
    EXPECT_EQ(r.url.back(), '\0');
}

TEST_F(NewsFileTest, TimeTextGivesDateAndTime) {
    std::int32_t date = -1, time = -1;
    ParseItemTime("2007-03-15 09:30:05", date, time);
    EXPECT_EQ(date, 20070315);
    EXPECT_EQ(time, 93005);
    ParseItemTime("2007-3-5", date, time);  // what a block without TIME gets
    EXPECT_EQ(date, 20070305);
    EXPECT_EQ(time, 0);
    ParseItemTime("yesterday", date, time);
    EXPECT_EQ(date, 0);
    EXPECT_EQ(time, 0);
    // Hostile numbers neither overflow nor wrap around.
    ParseItemTime("99999999999999999-99999-1 -99999999999:1:1", date, time);
    EXPECT_EQ(date, INT32_MAX);
    EXPECT_EQ(time, INT32_MIN);

    std::mt19937 rng(42);
    const std::string alphabet = "0123456789999- :+\t";
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        for (std::size_t n = rng() % 80; n > 0; --n) text += alphabet[rng() % alphabet.size()];
        ParseItemTime(text, date, time);  // must be defined for any text (sanitizer build)
    }
}

TEST_F(NewsFileTest, TheFirstChunkHoldingAnIdDecidesAndWithinItTheLastRecord) {
    // Records 0-19 form the first chunk, 20-39 the second.
    for (int i = 0; i < 40; ++i) {
        std::int32_t id = 1000 + i;
        if (i == 3 || i == 10 || i == 22) id = 77;
        if (i == 21 || i == 30) id = 88;
        AppendIds({id});
    }
    EXPECT_EQ(ReadContent(77), "c10");
    EXPECT_EQ(ReadContent(88), "c30");
    EXPECT_EQ(ReadContent(1039), "c39");

    // Flags go to the record the lookup finds.
    ASSERT_EQ(MarkRead(folder_, "T01", 77, true), kWritten);
    std::string idx = ReadFileBytes(Index());
    for (int i : {3, 10, 22}) {
        EXPECT_EQ(idx[32 + i * 512 + 480], i == 10 ? 1 : 0) << "record " << i;
    }
    ASSERT_EQ(MarkRead(folder_, "T01", 77, false), kWritten);
    EXPECT_EQ(ReadFileBytes(Index()), std::string(idx).replace(32 + 10 * 512 + 480, 1, 1, '\0'));

    NewsRecord r;
    std::string c;
    EXPECT_EQ(ReadItem(folder_, "T01", 5, r, c), kFailed);
    EXPECT_EQ(MarkRead(folder_, "T01", 5, true), kNotFound);
    EXPECT_EQ(MarkDeleted(folder_, "T01", 5, true), kNotFound);
}

TEST_F(NewsFileTest, DeleteAndRestoreKeepTheCountsTrue) {
    AppendIds({1, 2, 3});
    auto counts = [&] {
        IndexHeader h = Header();
        return std::make_pair(h.liveCount, h.deletedCount);
    };
    ASSERT_EQ(MarkDeleted(folder_, "T01", 2, true), kWritten);
    EXPECT_EQ(counts(), std::make_pair(2, 1));
    EXPECT_EQ(ReadFileBytes(Index()).substr(10, 8), Le32(2) + Le32(1));
    EXPECT_EQ(ReadFileBytes(Index())[32 + 512], 1);
    ASSERT_EQ(MarkDeleted(folder_, "T01", 2, true), kWritten);  // already deleted
    EXPECT_EQ(counts(), std::make_pair(2, 1));

    // Not listed, still readable.
    std::vector<NewsRecord> listed = Listed();
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].newsId, 1);
    EXPECT_EQ(listed[1].newsId, 3);
    NewsRecord r;
    std::string c;
    EXPECT_EQ(ReadItem(folder_, "T01", 2, r, c), 2);
    EXPECT_TRUE(r.Deleted());
    EXPECT_EQ(c, "c1");

    ASSERT_EQ(MarkDeleted(folder_, "T01", 2, false), kWritten);
    EXPECT_EQ(counts(), std::make_pair(3, 0));
    ASSERT_EQ(MarkDeleted(folder_, "T01", 1, false), kWritten);  // never deleted
    EXPECT_EQ(counts(), std::make_pair(3, 0));
    EXPECT_EQ(Listed().size(), 3u);
}

TEST_F(NewsFileTest, CopiedRecordsKeepTheirBytesAndHiddenOnesAreStillListed) {
    AppendIds({1});
    NewsRecord source;
    std::string content;
    ASSERT_EQ(ReadItem(folder_, "T01", 1, source, content), 2);
    source.isRead = 1;
    source.SetHideMark("hidden");
    source.title[150] = 'z';  // a byte after the title's NUL
    source.offset = 999;
    source.length = 999;
    const std::string copy = BasePath(ResolveFolder(content_, kFolderFavorite), "3");
    ASSERT_TRUE(platform::CreateFolder(ResolveFolder(content_, kFolderFavorite)));
    ASSERT_EQ(AppendRecord(copy, source, content + "!"), 3);

    std::string expected(512, '\0');
    NewsRecord want = source;
    want.offset = 0;
    want.length = 3;
    EncodeRecord(want, std::span<char, kRecordSize>(expected.data(), kRecordSize));
    EXPECT_EQ(ReadFileBytes(IndexPath(copy)).substr(32), expected);

    std::vector<NewsRecord> listed;
    ASSERT_EQ(ListRecords(ResolveFolder(content_, kFolderFavorite), "3",
                          [&](const NewsRecord& r) { listed.push_back(r); }),
              1);
    EXPECT_TRUE(listed[0].Hidden());
    EXPECT_EQ(listed[0].HideMark(), "hidden");
}

TEST_F(NewsFileTest, MissingFilesAreReportedAndLogged) {
    int calls = 0;
    EXPECT_EQ(ListRecords(folder_, "none", [&](const NewsRecord&) { ++calls; }), kCannotOpen);
    EXPECT_EQ(calls, 0);
    EXPECT_NE(LogText().find(Index("none") + "\r\nError ID:2 "), std::string::npos);
    EXPECT_EQ(MarkRead(folder_, "none", 1, true), kCannotOpen);
    EXPECT_EQ(MarkDeleted(folder_, "none", 1, true), kCannotOpen);

    AppendIds({1});
    ASSERT_TRUE(platform::RemoveFile(Content()));
    NewsRecord r;
    std::string c;
    EXPECT_EQ(ReadItem(folder_, "T01", 1, r, c), kCannotOpen);
    EXPECT_NE(LogText().find(Content() + "\r\nError ID:2 "), std::string::npos);
}

TEST_F(NewsFileTest, ContentIsCutToTheReadersBuffer) {
    const std::string big = Repeat("中", 3100);  // 6200 bytes
    ASSERT_EQ(AppendItem(folder_, "T01", Item(1, big), ""), 5998);
    NewsRecord r;
    std::string c;
    ASSERT_EQ(ReadItem(folder_, "T01", 1, r, c), 5998);
    EXPECT_EQ(c, Repeat("中", 2999));
}

// A damaged header may hold counts at the ends of the 32-bit range; deleting or restoring a
// record must not step them past it (fuzz_news_file found LiveCount -2^31), but recount them.
TEST_F(NewsFileTest, CountsAtTheEndsOfTheRangeAreRecountedByFlagWrites) {
    AppendIds({1, 2});
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    const std::pair<std::int32_t, std::int32_t> damaged[] = {{kMin, 0}, {kMax, 0},    {0, kMin},
                                                             {0, kMax}, {kMin, kMax}, {kMax, kMin}};
    auto damage = [&](std::pair<std::int32_t, std::int32_t> counts) {
        std::string idx = ReadFileBytes(Index());
        idx.replace(10, 8,
                    Le32(static_cast<std::uint32_t>(counts.first)) +
                        Le32(static_cast<std::uint32_t>(counts.second)));
        WriteFileBytes(Index(), idx);
    };
    for (const auto& counts : damaged) {
        SCOPED_TRACE(std::to_string(counts.first) + " " + std::to_string(counts.second));
        damage(counts);
        ASSERT_EQ(MarkDeleted(folder_, "T01", 2, true), kWritten);
        EXPECT_EQ(ReadFileBytes(Index()).substr(10, 8), Le32(1) + Le32(1));
        damage(counts);
        ASSERT_EQ(MarkDeleted(folder_, "T01", 2, false), kWritten);
        EXPECT_EQ(ReadFileBytes(Index()).substr(10, 8), Le32(2) + Le32(0));
    }
}

TEST_F(NewsFileTest, DamagedRecordsAreRefusedOrReadShort) {
    AppendIds({1, 2});
    std::string idx = ReadFileBytes(Index());
    idx.replace(32 + 476, 4, Le32(7000));               // record 1: Length beyond the buffer
    idx.replace(32 + 512 + 472, 4, Le32(0xFFFFF000u));  // record 2: Offset past the file end
    WriteFileBytes(Index(), idx);

    NewsRecord r;
    std::string c = "stale";
    EXPECT_EQ(ReadItem(folder_, "T01", 1, r, c), kFailed);
    EXPECT_TRUE(c.empty());
    EXPECT_NE(LogText().find("content length 7000"), std::string::npos);

    EXPECT_EQ(ReadItem(folder_, "T01", 2, r, c), 2);
    EXPECT_TRUE(c.empty());
    EXPECT_NE(LogText().find("Read News Content File Error"), std::string::npos);
}

TEST_F(NewsFileTest, UnsafeBaseNamesNeverReachOutsideTheirFolder) {
    using namespace std::string_literals;
    for (const std::string& base : {""s, ".."s, "../T01"s, "a/b"s, "x\0y"s, "..evil"s}) {
        SCOPED_TRACE(base);
        EXPECT_FALSE(IsSafeBaseName(base));
        EXPECT_EQ(AppendItem(folder_, base, Item(1), ""), kCannotOpen);
        NewsRecord r;
        std::string c;
        EXPECT_EQ(ReadItem(folder_, base, 1, r, c), kCannotOpen);
        EXPECT_EQ(MarkDeleted(folder_, base, 1, true), kCannotOpen);
        EXPECT_EQ(ListRecords(folder_, base, [](const NewsRecord&) {}), kCannotOpen);
    }
    EXPECT_EQ(AppendRecord(folder_ + "../T01", NewsRecord{}, "x"), kCannotOpen);
    EXPECT_EQ(AppendItem(folder_ + "..", "T01", Item(1), ""), kCannotOpen);
    EXPECT_EQ(MarkRead(folder_ + "../", "T01", 1, true), kCannotOpen);
    EXPECT_EQ(platform::ListFolder(folder_), std::vector<std::string>{});
    EXPECT_FALSE(platform::FileExists(content_ + "News/T01.idx"));
    EXPECT_NE(LogText().find("Error ID:22 "), std::string::npos);

    EXPECT_TRUE(IsSafeBaseName("600000"));
    EXPECT_TRUE(IsSafeBaseName("北京"));
    EXPECT_GT(AppendItem(folder_, "北京", Item(1), ""), 0);
}

TEST_F(NewsFileTest, AnInterruptedAppendLeavesTheFileUsable) {
    AppendIds({1});
    // Content written, index record never written.
    WriteFileBytes(Content(), ReadFileBytes(Content()) + "orphaned bytes");
    AppendIds({2});
    EXPECT_EQ(ReadContent(1), "c0");
    EXPECT_EQ(ReadContent(2), "c1");
    EXPECT_EQ(Listed().size(), 2u);
    EXPECT_EQ(Header().liveCount, 2);
}

TEST_F(NewsFileTest, ATornIndexIsReadAndAppendedOnRecordBoundaries) {
    AppendIds({1, 2});
    WriteFileBytes(Index(), ReadFileBytes(Index()) + std::string(100, '\x07'));  // partial record
    EXPECT_EQ(Listed().size(), 2u);
    AppendIds({3});
    EXPECT_EQ(platform::FileSize(Index()), 32 + 3 * 512);
    std::vector<NewsRecord> listed = Listed();
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[2].newsId, 3);
    EXPECT_EQ(ReadContent(3), "c2");
    EXPECT_EQ(Header().liveCount, 3);

    // A header cut short by a crash in the first append: the file starts over.
    WriteFileBytes(Index("T02"), "Ostra");
    ASSERT_GT(AppendItem(folder_, "T02", Item(9), ""), 0);
    EXPECT_EQ(platform::FileSize(Index("T02")), 32 + 512);
    EXPECT_EQ(Header("T02").liveCount, 1);
    EXPECT_EQ(Listed("T02").size(), 1u);
}

TEST_F(NewsFileTest, ContentBeyondTheOffsetRangeIsRefused) {
    AppendIds({1});
    {
        platform::File dat;  // sparse: no disk space used
        ASSERT_TRUE(dat.Open(Content(), platform::File::kReadWrite));
        ASSERT_TRUE(dat.Truncate(0xFFFFFF00LL));
    }
    const std::string before = ReadFileBytes(Index());
    EXPECT_EQ(AppendItem(folder_, "T01", Item(2, Repeat("x", 1000)), ""), kFailed);
    EXPECT_EQ(ReadFileBytes(Index()), before);
    EXPECT_EQ(platform::FileSize(Content()), 0xFFFFFF00LL);
}

// The writer thread appends while another thread lists, reads and flags the same file; the
// counts must match the records and every record its content.
TEST_F(NewsFileTest, ConcurrentAppendsListsAndFlagsStayConsistent) {
    constexpr int kWriters = 4;
    constexpr int kPerWriter = 400;
    AppendIds({1});
    std::atomic<bool> done{false};
    auto writer = [&](int first) {
        for (int i = 0; i < kPerWriter; ++i) {
            std::int32_t id = first + i;
            ASSERT_GT(AppendItem(folder_, "T01", Item(id, "content of " + std::to_string(id)), ""),
                      0);
        }
    };
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) writers.emplace_back(writer, 1000 * (w + 1));
    std::thread ui([&] {
        bool deleted = false;
        while (!done) {
            deleted = !deleted;
            MarkDeleted(folder_, "T01", 1, deleted);
            MarkRead(folder_, "T01", 1, deleted);
            ListRecords(folder_, "T01", [&](const NewsRecord& r) {
                ASSERT_TRUE(r.newsId == 1 || (r.newsId >= 1000 && r.newsId % 1000 < kPerWriter));
            });
        }
        MarkDeleted(folder_, "T01", 1, false);
    });
    for (std::thread& w : writers) w.join();
    done = true;
    ui.join();

    IndexHeader h = Header();
    EXPECT_EQ(h.liveCount, 1 + kWriters * kPerWriter);
    EXPECT_EQ(h.deletedCount, 0);
    std::vector<NewsRecord> listed = Listed();
    ASSERT_EQ(listed.size(), 1u + kWriters * kPerWriter);
    for (const NewsRecord& r : listed) {
        if (r.newsId == 1) continue;
        ASSERT_EQ(ReadContent(r.newsId), "content of " + std::to_string(r.newsId));
    }
}

}  // namespace
}  // namespace brevio::store
