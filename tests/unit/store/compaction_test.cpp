#include "store/compaction.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <ctime>

#include "platform/error_log.h"
#include "platform/fs.h"
#include "store/news_file_replace.h"
#include "unit/store/store_fixture.h"

namespace brevio::store {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;
using test_support::MakeItem;

// 2024-06-15 12:00 local time: five days back is 2024-06-10.
std::time_t Noon15June2024() {
    std::tm tm{};
    tm.tm_year = 124;
    tm.tm_mon = 5;
    tm.tm_mday = 15;
    tm.tm_hour = 12;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

std::string Body(std::int32_t id) {
    return "content of item " + std::to_string(id);
}

class CompactionTest : public test_support::StoreTest {
  protected:
    std::string Base(FolderKind kind, const std::string& base) const {
        return BasePath(Folder(kind), base);
    }
    void Append(FolderKind kind, const std::string& base, const NewsItem& item) {
        ASSERT_GE(AppendItem(Folder(kind), base, item, "site"), 0);
    }
    // The files of a news file, to show that it did not change.
    std::pair<std::string, std::string> Bytes(const std::string& basePath) const {
        return {ReadFileBytes(IndexPath(basePath)), ReadFileBytes(ContentPath(basePath))};
    }
    // Every kept record points at its own content, back to back from offset 0, and the
    // content file holds nothing else.
    void ExpectPacked(const std::string& basePath) const {
        std::string idx = ReadFileBytes(IndexPath(basePath));
        std::string dat = ReadFileBytes(ContentPath(basePath));
        ASSERT_EQ((idx.size() - kIndexHeaderSize) % kRecordSize, 0u);
        std::uint32_t offset = 0;
        for (std::size_t at = kIndexHeaderSize; at < idx.size(); at += kRecordSize) {
            NewsRecord r = DecodeRecord(std::span<const char, kRecordSize>(&idx[at], kRecordSize));
            EXPECT_EQ(r.offset, offset) << "record " << r.newsId;
            offset += static_cast<std::uint32_t>(r.length);
        }
        EXPECT_EQ(offset, dat.size());
        IndexHeader h = DecodeHeader(std::span<const char, kIndexHeaderSize>(idx.data(), 32));
        EXPECT_EQ(h.liveCount, static_cast<std::int32_t>((idx.size() - 32) / kRecordSize));
        EXPECT_EQ(h.deletedCount, 0);
    }
};

TEST_F(CompactionTest, ByDaysDropsExpiredDeletedAndImpossibleRecordsAndStoresTheCutoff) {
    const std::string base = Base(kFolderPublic, "10001");
    auto add = [&](std::int32_t id, const char* time, std::string content = "") {
        Append(kFolderPublic, "10001", MakeItem(id, time, content.empty() ? Body(id) : content));
    };
    add(1, "2024-6-9 23:59:59");              // the day before the cut-off
    add(2, "2024-6-10 0:0:0");                // the cut-off day itself stays
    add(3, "2024-6-14 8:0:0");                // deleted below
    add(4, "2024-6-14 8:0:0", "123456789");   // 9 bytes
    add(5, "2024-6-14 8:0:0", "1234567890");  // 10 bytes
    add(6, "2024-6-12 24:60:1");              // time 246001
    add(7, "2024-6-12 24:60:0");              // time 246000
    add(8, "2024-6-14 8:0:0", std::string(5999, 'a'));
    add(9, "2024-6-14 8:0:0", std::string(5999, 'b'));
    add(10, "2024-6-15 11:0:0");
    ASSERT_EQ(MarkDeleted(Folder(kFolderPublic), "10001", 3, true), kWritten);
    // Lengths of 9999 (kept) and 10000 (dropped) only occur in files written elsewhere.
    std::string dat = ReadFileBytes(ContentPath(base)) + std::string(5000, 'z');
    WriteFileBytes(ContentPath(base), dat);
    PatchRecordInt(base, 7, record_offset::kLength, 9999);
    PatchRecordInt(base, 8, record_offset::kLength, 10000);

    std::string expected;
    for (const NewsRecord& r : Listed(kFolderPublic, "10001")) {
        if (r.newsId == 2 || r.newsId == 5 || r.newsId == 7 || r.newsId == 8 || r.newsId == 10)
            expected += dat.substr(r.offset, static_cast<std::size_t>(r.length));
    }

    const std::time_t now = Noon15June2024();
    ASSERT_EQ(CutoffStamp(now, 5), 20240610);
    ASSERT_EQ(CompactByDays(base, 5, now), kCompactOk);
    EXPECT_EQ(ListedIds(kFolderPublic, "10001"), (std::vector<std::int32_t>{2, 5, 7, 8, 10}));
    EXPECT_EQ(ReadFileBytes(ContentPath(base)), expected);
    ExpectPacked(base);
    EXPECT_EQ(Header(kFolderPublic, "10001").cutoffDate, 20240610);
    EXPECT_EQ(Content(kFolderPublic, "10001", 10), Body(10));
    EXPECT_FALSE(platform::PathExists(base + ".~dx"));
    EXPECT_FALSE(platform::PathExists(base + ".~at"));

    // The same or an earlier cut-off leaves the file alone, even with a record deleted since.
    ASSERT_EQ(MarkDeleted(Folder(kFolderPublic), "10001", 5, true), kWritten);
    auto before = Bytes(base);
    EXPECT_EQ(CompactByDays(base, 5, now), kCompactOk);
    EXPECT_EQ(CompactByDays(base, 6, now), kCompactOk);
    EXPECT_EQ(Bytes(base), before);
    // The next day moves the cut-off on.
    ASSERT_EQ(CompactByDays(base, 5, now + 86400), kCompactOk);
    EXPECT_EQ(ListedIds(kFolderPublic, "10001"), (std::vector<std::int32_t>{7, 8, 10}));
    EXPECT_EQ(Header(kFolderPublic, "10001").cutoffDate, 20240611);
    ExpectPacked(base);
}

TEST_F(CompactionTest, EarlyDatesAreDroppedAndAnEarlyCutoffCountsAsNever) {
    const std::string base = Base(kFolderPublic, "10002");
    Append(kFolderPublic, "10002", MakeItem(1, "1999-12-31 10:0:0", Body(1)));
    Append(kFolderPublic, "10002", MakeItem(2, "2000-0-1 10:0:0", Body(2)));  // 20000001
    Append(kFolderPublic, "10002", MakeItem(3, "2000-0-1 10:0:0", Body(3)));
    const std::time_t now = Noon15June2024();
    const int days = 9000;  // a cut-off in 1999
    ASSERT_LT(CutoffStamp(now, days), 20000001);
    ASSERT_EQ(CompactByDays(base, days, now), kCompactOk);
    EXPECT_EQ(ListedIds(kFolderPublic, "10002"), (std::vector<std::int32_t>{2, 3}));
    // A stored cut-off up to 20010101 does not stop the next run.
    ASSERT_EQ(MarkDeleted(Folder(kFolderPublic), "10002", 2, true), kWritten);
    ASSERT_EQ(CompactByDays(base, days, now), kCompactOk);
    EXPECT_EQ(ListedIds(kFolderPublic, "10002"), (std::vector<std::int32_t>{3}));
    ExpectPacked(base);
}

TEST_F(CompactionTest, ByCountKeepsTheNewestWindowWithoutItsDeletedRecords) {
    const std::string base = Base(kFolderRegion, "110");
    for (int id = 1; id <= 120; ++id) {
        Append(kFolderRegion, "110", MakeItem(id, "2024-6-1 8:0:0", Body(id)));
    }
    for (int id : {5, 10, 30, 60, 119}) {
        ASSERT_EQ(MarkDeleted(Folder(kFolderRegion), "110", id, true), kWritten);
    }
    std::string idx = ReadFileBytes(IndexPath(base));
    PutInt32(idx.data() + header_offset::kCutoffDate, 20240101);
    WriteFileBytes(IndexPath(base), idx);
    ASSERT_EQ(Header(kFolderRegion, "110").liveCount, 115);

    ASSERT_EQ(CompactByCount(base, 100), kCompactOk);
    std::vector<std::int32_t> expected;
    for (int id = 21; id <= 120; ++id) {
        if (id != 30 && id != 60 && id != 119) expected.push_back(id);
    }
    EXPECT_EQ(ListedIds(kFolderRegion, "110"), expected);
    EXPECT_EQ(Header(kFolderRegion, "110").liveCount, 97);
    EXPECT_EQ(Header(kFolderRegion, "110").cutoffDate, 20240101);
    ExpectPacked(base);
    for (int id : {21, 77, 120}) EXPECT_EQ(Content(kFolderRegion, "110", id), Body(id));

    // A count at or above LiveCount leaves the file alone.
    auto before = Bytes(base);
    EXPECT_EQ(CompactByCount(base, 97), kCompactOk);
    EXPECT_EQ(Bytes(base), before);
}

TEST_F(CompactionTest, ByCountDropsRecordsWhoseLengthDoesNotFitTheBuffer) {
    const std::string base = Base(kFolderTrade, "05");
    for (int id = 1; id <= 30; ++id) {
        Append(kFolderTrade, "05", MakeItem(id, "2024-6-1 8:0:0", Body(id)));
    }
    PatchRecordInt(base, 25, record_offset::kLength, 20000);
    PatchRecordInt(base, 26, record_offset::kLength, -5);
    // A partial record left by a crash does not shift the window.
    WriteFileBytes(IndexPath(base), ReadFileBytes(IndexPath(base)) + std::string(100, '\x01'));

    ASSERT_EQ(CompactByCount(base, 10), kCompactOk);
    EXPECT_EQ(ListedIds(kFolderTrade, "05"),
              (std::vector<std::int32_t>{21, 22, 23, 24, 25, 28, 29, 30}));
    ExpectPacked(base);
    EXPECT_EQ(Content(kFolderTrade, "05", 28), Body(28));
    std::string log = ReadFileBytes(TestLogPath());
    EXPECT_NE(log.find("#### Write At "), std::string::npos);
    EXPECT_NE(log.find("NewsID:26\tNewsRecIdx.Length:20000"), std::string::npos);
    EXPECT_NE(log.find("NewsID:27\tNewsRecIdx.Length:-5"), std::string::npos);
    EXPECT_NE(log.find("\r\n########### End to Write ###########\r\n"), std::string::npos);
}

TEST_F(CompactionTest, MissingOrDamagedFilesGiveTheirResultCodes) {
    EXPECT_EQ(CompactByDays(Base(kFolderPublic, "none"), 5), kCompactCannotOpen);
    EXPECT_EQ(CompactByCount(Base(kFolderRegion, "none"), 100), kCompactCannotOpen);
    EXPECT_FALSE(platform::PathExists(platform::FileErrorLogPath()));  // not logged

    const std::string cut = Base(kFolderRegion, "cut");
    WriteFileBytes(IndexPath(cut), std::string("Ostra\0\0\0\x01\x01", 10));
    EXPECT_EQ(CompactByCount(cut, 100), kCompactHeaderUnreadable);
    EXPECT_NE(ReadFileBytes(platform::FileErrorLogPath()).find("Read Index.file"),
              std::string::npos);

    // A content file that ends before a record's content: by days the copy stops (-10).
    const std::string base = Base(kFolderPublic, "short");
    Append(kFolderPublic, "short", MakeItem(1, "2024-6-14 8:0:0", Body(1)));
    Append(kFolderPublic, "short", MakeItem(2, "2024-6-14 8:0:0", Body(2)));
    std::string dat = ReadFileBytes(ContentPath(base));
    WriteFileBytes(ContentPath(base), dat.substr(0, dat.size() - 3));
    auto before = Bytes(base);
    EXPECT_EQ(CompactByDays(base, 5, Noon15June2024()), kCompactCannotOpen);
    EXPECT_EQ(Bytes(base), before);
    EXPECT_NE(ReadFileBytes(TestLogPath()).find("NewsRecIdx.Length!=dwRead\r\ndwRead:14\t"),
              std::string::npos);

    // Base paths that would leave their folder are refused.
    EXPECT_EQ(CompactByCount(Folder(kFolderRegion) + "../../x", 10), kCompactCannotOpen);
}

// Writes beyond `bytes` fail for this process (EFBIG), as on a full disk; root included.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

  private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

TEST_F(CompactionTest, AFailedTemporaryWriteLeavesTheNewsFileAsItWas) {
    const std::string base = Base(kFolderRegion, "320");
    for (int id = 1; id <= 60; ++id) {
        Append(kFolderRegion, "320", MakeItem(id, "2024-6-1 8:0:0", std::string(1000, 'x')));
    }
    ASSERT_EQ(MarkDeleted(Folder(kFolderRegion), "320", 50, true), kWritten);
    auto before = Bytes(base);
    {
        // The new index would need 32 + 49 x 512 bytes: it stops part way.
        FileSizeLimit limit(8192);
        EXPECT_LT(CompactByCount(base, 50), 0);
    }
    EXPECT_EQ(Bytes(base), before);
    EXPECT_EQ(ListedIds(kFolderRegion, "320").size(), 59u);
    EXPECT_EQ(Content(kFolderRegion, "320", 60), std::string(1000, 'x'));
    // The leftovers are not taken for a finished compaction.
    EXPECT_TRUE(platform::FileExists(base + ".~dx"));
    EXPECT_FALSE(platform::PathExists(base + std::string(kCommitMarkerExt)));
    EXPECT_NE(ReadFileBytes(TestLogPath()).find("dwWritten"), std::string::npos);

    // The content temporary (49 x 1000 bytes) fails after the index one (25120) was written.
    {
        FileSizeLimit limit(30000);
        EXPECT_LT(CompactByCount(base, 50), 0);
    }
    EXPECT_EQ(Bytes(base), before);

    // A temporary that cannot even be created.
    ASSERT_TRUE(platform::RemoveFile(base + ".~dx"));
    ASSERT_TRUE(platform::CreateFolder(base + ".~dx"));
    EXPECT_EQ(CompactByCount(base, 50), kCompactCannotOpen);
    EXPECT_EQ(Bytes(base), before);
    ASSERT_TRUE(platform::RemoveTree(base + ".~dx"));

    // Once writing works again the next run overwrites the leftovers.
    ASSERT_EQ(CompactByCount(base, 50), kCompactOk);
    EXPECT_EQ(ListedIds(kFolderRegion, "320").size(), 49u);
    ExpectPacked(base);
}

class ReplacementStop {
  public:
    explicit ReplacementStop(int step) { StopReplacementAfterStepForTest(step); }
    ~ReplacementStop() { StopReplacementAfterStepForTest(0); }
};

TEST_F(CompactionTest, AReplacementStoppedAtAnyStepIsCompletedByTheNextTouch) {
    for (int step = 1; step <= 3; ++step) {
        SCOPED_TRACE("stopped after step " + std::to_string(step));
        const std::string name = "crash" + std::to_string(step);
        const std::string base = Base(kFolderTrade, name);
        for (int id = 1; id <= 45; ++id) {
            Append(kFolderTrade, name, MakeItem(id, "2024-6-1 8:0:0", Body(id)));
        }
        {
            ReplacementStop stop(step);
            EXPECT_EQ(CompactByCount(base, 20), kCompactWriteFailed);
        }
        ASSERT_TRUE(platform::FileExists(base + std::string(kCommitMarkerExt)));
        // The first operation on the file finishes the replacement before it reads.
        std::vector<std::int32_t> ids = ListedIds(kFolderTrade, name);
        ASSERT_EQ(ids.size(), 20u);
        EXPECT_EQ(ids.front(), 26);
        EXPECT_EQ(ids.back(), 45);
        EXPECT_EQ(Content(kFolderTrade, name, 26), Body(26));
        EXPECT_EQ(Content(kFolderTrade, name, 45), Body(45));
        ExpectPacked(base);
        for (const char* ext : {".~dx", ".~at", ".~cm"}) {
            EXPECT_FALSE(platform::PathExists(base + ext)) << ext;
        }
        // Appending goes on from the replaced pair.
        Append(kFolderTrade, name, MakeItem(46, "2024-6-1 8:0:0", Body(46)));
        EXPECT_EQ(Content(kFolderTrade, name, 46), Body(46));
        EXPECT_EQ(Header(kFolderTrade, name).liveCount, 21);
    }
}

TEST_F(CompactionTest, StartUpRecoveryCompletesEveryInterruptedReplacement) {
    const std::string region = Base(kFolderRegion, "440");
    const std::string stock = Base(kFolderStock, "600101");
    for (int id = 1; id <= 30; ++id) {
        Append(kFolderRegion, "440", MakeItem(id, "2024-6-1 8:0:0", Body(id)));
        Append(kFolderStock, "600101", MakeItem(id, "2024-6-1 8:0:0", Body(id)));
    }
    {
        ReplacementStop stop(2);  // content replaced, index not yet
        EXPECT_EQ(CompactByCount(region, 10), kCompactWriteFailed);
    }
    {
        ReplacementStop stop(1);
        EXPECT_EQ(CompactByCount(stock, 5), kCompactWriteFailed);
    }
    EXPECT_EQ(RecoverInterruptedCompactions(content_), 2);
    EXPECT_EQ(RecoverInterruptedCompactions(content_), 0);
    ExpectPacked(region);
    ExpectPacked(stock);
    EXPECT_EQ(Header(kFolderRegion, "440").liveCount, 10);
    EXPECT_EQ(Content(kFolderStock, "600101", 26), Body(26));
}

TEST_F(CompactionTest, TemporariesWithoutAValidMarkerAreNeverUsed) {
    const std::string base = Base(kFolderTrade, "09");
    for (int id = 1; id <= 30; ++id) {
        Append(kFolderTrade, "09", MakeItem(id, "2024-6-1 8:0:0", Body(id)));
    }
    auto before = Bytes(base);
    const std::string marker = base + std::string(kCommitMarkerExt);
    {
        ReplacementStop stop(1);
        ASSERT_EQ(CompactByCount(base, 10), kCompactWriteFailed);
    }
    // Complete temporaries, but the commit never happened: the old pair stays.
    ASSERT_TRUE(platform::RemoveFile(marker));
    EXPECT_EQ(ListedIds(kFolderTrade, "09").size(), 30u);
    EXPECT_EQ(Bytes(base), before);

    // A marker that does not match the temporaries beside it is withdrawn.
    WriteFileBytes(marker, "index=1\r\ncontent=2\r\n");
    EXPECT_EQ(ListedIds(kFolderTrade, "09").size(), 30u);
    EXPECT_EQ(Bytes(base), before);
    EXPECT_FALSE(platform::PathExists(marker));
}

}  // namespace
}  // namespace brevio::store
