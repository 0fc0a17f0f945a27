#include "store/store_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/fs.h"
#include "store/compaction.h"
#include "store/news_file_lock.h"
#include "store/news_file_replace.h"
#include "unit/store/store_fixture.h"

namespace brevio::store {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;
using test_support::MakeItem;

std::string Body(std::int32_t id) {
    return "content of item " + std::to_string(id);
}

std::vector<CheckProblem> Problems(const std::vector<CheckFinding>& findings) {
    std::vector<CheckProblem> out;
    for (const CheckFinding& f : findings) out.push_back(f.problem);
    return out;
}

std::string Describe(const std::vector<CheckFinding>& findings) {
    std::string out;
    for (const CheckFinding& f : findings) {
        out += f.path + "\t" + CheckFindingText(f) + (f.repaired ? "\trepaired\n" : "\t-\n");
    }
    return out;
}

class StoreCheckTest : public test_support::StoreTest {
  protected:
    std::string Base(FolderKind kind, const std::string& base) const {
        return BasePath(Folder(kind), base);
    }
    // Items 1..count, each with its own content.
    void Fill(FolderKind kind, const std::string& base, int count) {
        for (int id = 1; id <= count; ++id) {
            ASSERT_GT(AppendItem(Folder(kind), base, MakeItem(id, "2024-6-1 8:0:0", Body(id)), "s"),
                      0);
        }
    }
    // The counts as the header stores them (ReadHeader would report recounted ones).
    std::pair<std::int32_t, std::int32_t> StoredCounts(const std::string& basePath) const {
        std::string idx = ReadFileBytes(IndexPath(basePath));
        if (idx.size() < kIndexHeaderSize) return {-1, -1};
        return {GetInt32(idx.data() + header_offset::kLiveCount),
                GetInt32(idx.data() + header_offset::kDeletedCount)};
    }
    void SetStoredLiveCount(const std::string& basePath, std::int32_t live) {
        std::string idx = ReadFileBytes(IndexPath(basePath));
        PutInt32(idx.data() + header_offset::kLiveCount, live);
        WriteFileBytes(IndexPath(basePath), idx);
    }
    static void Truncate(const std::string& path, std::uintmax_t size) {
        std::filesystem::resize_file(path, size);
    }

    // Checks without repair (which must change nothing), repairs, and checks again: the
    // findings of the first check, which the repair must report the same way, all repaired.
    std::vector<CheckFinding> CheckRepairRecheck() {
        const std::vector<std::string> before = StoreBytes();
        StoreCheckResult checked = CheckStore(content_, false);
        EXPECT_EQ(StoreBytes(), before) << "a check without repair changed a file";
        for (const CheckFinding& f : checked.findings) EXPECT_FALSE(f.repaired) << f.path;

        StoreCheckResult repaired = CheckStore(content_, true);
        EXPECT_EQ(Problems(repaired.findings), Problems(checked.findings))
            << Describe(repaired.findings);
        for (const CheckFinding& f : repaired.findings) {
            EXPECT_TRUE(f.repaired) << f.path << " " << CheckFindingText(f);
        }
        StoreCheckResult again = CheckStore(content_, false);
        EXPECT_TRUE(again.findings.empty()) << Describe(again.findings);
        return checked.findings;
    }

    // Every file under the content folder, name and bytes, in name order.
    std::vector<std::string> StoreBytes() const {
        std::vector<std::string> out;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(content_)) {
            if (!entry.is_regular_file()) continue;
            if (entry.path().filename() == std::string(kNewsLockFileName)) continue;
            out.push_back(entry.path().string() + "=" + ReadFileBytes(entry.path().string()));
        }
        std::sort(out.begin(), out.end());
        return out;
    }
};

TEST_F(StoreCheckTest, AStoreWrittenByAppendsChecksCleanInEveryFolder) {
    Fill(kFolderPublic, "10001", 25);
    Fill(kFolderRegion, "110", 3);
    Fill(kFolderTrade, "01", 2);
    Fill(kFolderStock, "600000", 1);
    Fill(kFolderFavorite, "1", 2);
    Fill(kFolderSubscription, "7", 2);  // creates Favorite2/
    ASSERT_EQ(MarkDeleted(Folder(kFolderPublic), "10001", 4, true), kWritten);
    ASSERT_GT(AppendItem(Folder(kFolderTrade), "01", MakeItem(9, "2024-6-1 8:0:0", ""), "s"), -1);

    for (bool repair : {false, true}) {
        const std::vector<std::string> before = StoreBytes();
        StoreCheckResult result = CheckStore(content_, repair);
        EXPECT_TRUE(result.findings.empty()) << Describe(result.findings);
        EXPECT_EQ(result.newsFiles, 6);
        EXPECT_EQ(result.Repaired(), 0);
        EXPECT_EQ(StoreBytes(), before);
    }
    // Files that are not news files (the radar's pages in the news folder) are not looked at.
    WriteFileBytes(Folder(kFolderPublic) + "page_change.html", "<html>");
    EXPECT_EQ(CheckStore(content_, false).newsFiles, 6);
    // A content folder without news folders is healthy too.
    EXPECT_EQ(CheckStore(Home() + "empty/", false).newsFiles, 0);
}

TEST_F(StoreCheckTest, AnIndexCutMidRecordIsTruncatedToItsWholeRecords) {
    Fill(kFolderTrade, "01", 3);
    const std::string base = Base(kFolderTrade, "01");
    Truncate(IndexPath(base), kIndexHeaderSize + 2 * kRecordSize + 100);

    std::vector<CheckFinding> found = CheckRepairRecheck();
    // The header still counts the third record.
    ASSERT_EQ(Problems(found),
              (std::vector<CheckProblem>{CheckProblem::kTornTail, CheckProblem::kCountsWrong}));
    EXPECT_EQ(found[0].path, IndexPath(base));
    EXPECT_NE(found[0].detail.find("100 bytes"), std::string::npos) << found[0].detail;

    EXPECT_EQ(std::filesystem::file_size(IndexPath(base)), kIndexHeaderSize + 2 * kRecordSize);
    EXPECT_EQ(StoredCounts(base), std::make_pair(2, 0));
    EXPECT_EQ(ListedIds(kFolderTrade, "01"), (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(Content(kFolderTrade, "01", 2), Body(2));
}

TEST_F(StoreCheckTest, CountsOffByOneAreRecountedFromTheFlags) {
    Fill(kFolderRegion, "110", 4);
    const std::string base = Base(kFolderRegion, "110");
    ASSERT_EQ(MarkDeleted(Folder(kFolderRegion), "110", 2, true), kWritten);
    SetStoredLiveCount(base, 4);  // one too many: the deletion did not reach the header

    std::vector<CheckFinding> found = CheckRepairRecheck();
    ASSERT_EQ(Problems(found), (std::vector<CheckProblem>{CheckProblem::kCountsWrong}));
    EXPECT_NE(found[0].detail.find("live 4, deleted 1"), std::string::npos) << found[0].detail;
    EXPECT_EQ(StoredCounts(base), std::make_pair(3, 1));
    EXPECT_EQ(ListedIds(kFolderRegion, "110"), (std::vector<std::int32_t>{1, 3, 4}));

    // Counts that add up but do not match the flags are wrong as well.
    ASSERT_EQ(MarkDeleted(Folder(kFolderRegion), "110", 3, true), kWritten);
    std::string idx = ReadFileBytes(IndexPath(base));
    PutInt32(idx.data() + header_offset::kLiveCount, 1);
    PutInt32(idx.data() + header_offset::kDeletedCount, 3);
    WriteFileBytes(IndexPath(base), idx);
    found = CheckRepairRecheck();
    ASSERT_EQ(Problems(found), (std::vector<CheckProblem>{CheckProblem::kCountsWrong}));
    EXPECT_EQ(StoredCounts(base), std::make_pair(2, 2));
}

TEST_F(StoreCheckTest, RecordsWhoseContentLiesOutsideTheContentFileAreDeleted) {
    Fill(kFolderPublic, "10001", 7);
    const std::string base = Base(kFolderPublic, "10001");
    const auto contentSize =
        static_cast<std::int32_t>(std::filesystem::file_size(ContentPath(base)));
    PatchRecordInt(base, 1, record_offset::kOffset, contentSize);  // record 2: past the end
    PatchRecordInt(base, 3, record_offset::kLength, -5);           // record 4
    PatchRecordInt(base, 4, record_offset::kLength, static_cast<std::int32_t>(kContentMax) + 1);
    // A deleted record out of range is not listed anyway.
    ASSERT_EQ(MarkDeleted(Folder(kFolderPublic), "10001", 6, true), kWritten);
    PatchRecordInt(base, 5, record_offset::kOffset, contentSize + 1000);
    // Record 7 ends exactly at the content file's end, and an empty content may point anywhere.
    const std::string dat = ReadFileBytes(ContentPath(base));
    ASSERT_EQ(dat.substr(dat.size() - Body(7).size()), Body(7));
    ASSERT_EQ(AppendRecord(base, BuildRecord(MakeItem(8, "2024-6-1 8:0:0", ""), ""), ""), 0);
    PatchRecordInt(base, 7, record_offset::kOffset, contentSize + 1000);

    std::vector<CheckFinding> found = CheckRepairRecheck();
    ASSERT_EQ(Problems(found), (std::vector<CheckProblem>{CheckProblem::kRecordOutOfRange,
                                                          CheckProblem::kRecordOutOfRange,
                                                          CheckProblem::kRecordOutOfRange}));
    EXPECT_NE(found[0].detail.find("(ID 2)"), std::string::npos) << found[0].detail;
    EXPECT_NE(found[1].detail.find("length -5"), std::string::npos) << found[1].detail;
    EXPECT_NE(found[2].detail.find("(ID 5)"), std::string::npos) << found[2].detail;

    EXPECT_EQ(ListedIds(kFolderPublic, "10001"), (std::vector<std::int32_t>{1, 3, 7, 8}));
    EXPECT_EQ(StoredCounts(base), std::make_pair(4, 4));
    EXPECT_EQ(Content(kFolderPublic, "10001", 1), Body(1));
    EXPECT_EQ(Content(kFolderPublic, "10001", 3), Body(3));
    EXPECT_EQ(Content(kFolderPublic, "10001", 7), Body(7));
}

TEST_F(StoreCheckTest, AMissingContentFileLeavesNoRecordListed) {
    Fill(kFolderStock, "600000", 3);
    const std::string base = Base(kFolderStock, "600000");
    ASSERT_TRUE(platform::RemoveFile(ContentPath(base)));
    // An empty content keeps nothing in the content file, so it is not lost.
    ASSERT_EQ(AppendRecord(base, BuildRecord(MakeItem(4, "2024-6-1 8:0:0", ""), ""), ""), 0);
    ASSERT_TRUE(platform::RemoveFile(ContentPath(base)));

    // A Length no content file could hold is reported on its own.
    PatchRecordInt(base, 2, record_offset::kLength, -1);

    std::vector<CheckFinding> found = CheckRepairRecheck();
    ASSERT_EQ(Problems(found), (std::vector<CheckProblem>{CheckProblem::kContentMissing,
                                                          CheckProblem::kRecordOutOfRange}));
    EXPECT_EQ(found[0].path, ContentPath(base));
    EXPECT_NE(found[0].detail.find("2 listed records"), std::string::npos) << found[0].detail;
    EXPECT_NE(found[1].detail.find("(ID 3)"), std::string::npos) << found[1].detail;
    EXPECT_EQ(ListedIds(kFolderStock, "600000"), (std::vector<std::int32_t>{4}));
    EXPECT_EQ(StoredCounts(base), std::make_pair(1, 3));

    // The next append starts a new content file at 0; no old record reads its bytes.
    ASSERT_GT(
        AppendItem(Folder(kFolderStock), "600000", MakeItem(5, "2024-6-1 8:0:0", Body(5)), "s"), 0);
    EXPECT_EQ(ListedIds(kFolderStock, "600000"), (std::vector<std::int32_t>{4, 5}));
    EXPECT_EQ(Content(kFolderStock, "600000", 5), Body(5));
    EXPECT_TRUE(CheckStore(content_, false).findings.empty());
}

TEST_F(StoreCheckTest, LeftoverTemporariesWithoutAMarkerAreRemoved) {
    Fill(kFolderTrade, "02", 2);
    const std::string base = Base(kFolderTrade, "02");
    WriteFileBytes(base + ".~dx", std::string(32, 'x'));
    WriteFileBytes(base + ".~at", "partial");
    WriteFileBytes(base + ".~cm.tmp4242_0", "index=32\r\n");
    // Temporaries of a news file whose pair is gone are found too.
    const std::string orphan = Base(kFolderFavorite, "3");
    WriteFileBytes(orphan + ".~at", "left");

    std::vector<CheckFinding> found = CheckRepairRecheck();
    ASSERT_EQ(Problems(found), std::vector<CheckProblem>(4, CheckProblem::kLeftoverTemporary));
    std::vector<std::string> paths;
    for (const CheckFinding& f : found) paths.push_back(f.path);
    EXPECT_EQ(paths, (std::vector<std::string>{base + ".~dx", base + ".~at",
                                               base + ".~cm.tmp4242_0", orphan + ".~at"}));
    for (const std::string& path : paths) EXPECT_FALSE(platform::PathExists(path)) << path;
    EXPECT_EQ(ListedIds(kFolderTrade, "02"), (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(Content(kFolderTrade, "02", 2), Body(2));
}

class ReplacementStop {
  public:
    explicit ReplacementStop(int step) { StopReplacementAfterStepForTest(step); }
    ~ReplacementStop() { StopReplacementAfterStepForTest(0); }
};

TEST_F(StoreCheckTest, AnInterruptedReplacementIsCompletedAtAnyStep) {
    for (int step = 1; step <= 3; ++step) {
        SCOPED_TRACE("stopped after step " + std::to_string(step));
        const std::string name = "r" + std::to_string(step);
        const std::string base = Base(kFolderRegion, name);
        Fill(kFolderRegion, name, 30);
        {
            ReplacementStop stop(step);
            ASSERT_EQ(CompactByCount(base, 10), kCompactWriteFailed);
        }
        const std::string marker = base + std::string(kCommitMarkerExt);
        ASSERT_TRUE(platform::FileExists(marker));

        // Until the marker is resolved the pair on disk may be a mixture: only the marker is
        // reported, never the mixture's mismatch.
        std::vector<CheckFinding> found = CheckRepairRecheck();
        ASSERT_EQ(Problems(found),
                  (std::vector<CheckProblem>{CheckProblem::kInterruptedReplacement}));
        EXPECT_EQ(found[0].path, marker);

        for (const char* ext : {".~dx", ".~at", ".~cm"}) {
            EXPECT_FALSE(platform::PathExists(base + ext)) << ext;
        }
        std::vector<std::int32_t> ids = ListedIds(kFolderRegion, name);
        ASSERT_EQ(ids.size(), 10u);
        EXPECT_EQ(ids.front(), 21);
        EXPECT_EQ(Content(kFolderRegion, name, 30), Body(30));
        EXPECT_EQ(StoredCounts(base), std::make_pair(10, 0));
    }
}

TEST_F(StoreCheckTest, DamagedHeadersAreRewritten) {
    Fill(kFolderFavorite, "1", 2);
    const std::string base = Base(kFolderFavorite, "1");
    std::string idx = ReadFileBytes(IndexPath(base));
    idx.replace(0, 5, "Xstra");
    WriteFileBytes(IndexPath(base), idx);
    // An index created by an append that stopped before its header holds no record.
    const std::string fresh = Base(kFolderFavorite, "2");
    WriteFileBytes(IndexPath(fresh), "Ostr");
    WriteFileBytes(ContentPath(fresh), Body(1));

    std::vector<CheckFinding> found = CheckRepairRecheck();
    ASSERT_EQ(Problems(found),
              (std::vector<CheckProblem>{CheckProblem::kWrongTag, CheckProblem::kHeaderShort}));
    EXPECT_EQ(found[1].path, IndexPath(fresh));
    EXPECT_EQ(ReadFileBytes(IndexPath(base)).substr(0, 6), std::string("Ostra\0", 6));
    EXPECT_EQ(ListedIds(kFolderFavorite, "1"), (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(ReadFileBytes(IndexPath(fresh)).size(), kIndexHeaderSize);
    EXPECT_EQ(StoredCounts(fresh), std::make_pair(0, 0));
    ASSERT_GT(AppendItem(Folder(kFolderFavorite), "2", MakeItem(7, "2024-6-1 8:0:0", Body(7)), "s"),
              0);
    EXPECT_EQ(Content(kFolderFavorite, "2", 7), Body(7));
}

TEST_F(StoreCheckTest, AContentFileWithoutAnIndexIsReportedButKept) {
    const std::string base = Base(kFolderPublic, "10002");
    WriteFileBytes(ContentPath(base), Body(1));
    for (bool repair : {false, true}) {
        StoreCheckResult result = CheckStore(content_, repair);
        ASSERT_EQ(Problems(result.findings),
                  (std::vector<CheckProblem>{CheckProblem::kIndexMissing}));
        EXPECT_FALSE(result.findings[0].repaired);
        EXPECT_EQ(result.findings[0].path, ContentPath(base));
    }
    EXPECT_EQ(ReadFileBytes(ContentPath(base)), Body(1));
}

TEST_F(StoreCheckTest, OneNewsFileIsCheckedOnItsOwn) {
    Fill(kFolderTrade, "01", 2);
    Fill(kFolderTrade, "03", 2);
    const std::string damaged = Base(kFolderTrade, "01");
    Truncate(IndexPath(damaged), kIndexHeaderSize + kRecordSize + 1);
    WriteFileBytes(damaged + ".~cm.tmp1_2", "");

    EXPECT_TRUE(CheckNewsFile(Base(kFolderTrade, "03"), true).empty());
    std::vector<CheckFinding> found = CheckNewsFile(damaged, true);
    EXPECT_EQ(Problems(found),
              (std::vector<CheckProblem>{CheckProblem::kLeftoverTemporary, CheckProblem::kTornTail,
                                         CheckProblem::kCountsWrong}))
        << Describe(found);
    EXPECT_TRUE(CheckNewsFile(damaged, false).empty());
    EXPECT_EQ(ListedIds(kFolderTrade, "01"), (std::vector<std::int32_t>{1}));
}

}  // namespace
}  // namespace brevio::store
