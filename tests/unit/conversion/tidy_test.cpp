// The tidy-up of converted news: which day folders go, which index entries go, that nothing
// outside the group folders is touched whatever the names, and that a conversion writing into
// a day folder is never cut off by a tidy-up deleting it.
#include "conversion/tidy.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "conversion/news_export.h"
#include "conversion/output_layout.h"
#include "conversion_fixture.h"
#include "platform/fs.h"

namespace brevio::conversion {
namespace {

using test_support::ConversionTest;
namespace fs = std::filesystem;

TEST(TidyDates, DaysBeforeFollowsTheCalendar) {
    EXPECT_EQ(DaysBefore(20261210, 2), 20261208);
    EXPECT_EQ(DaysBefore(20261210, 0), 20261210);
    EXPECT_EQ(DaysBefore(20260301, 1), 20260228);
    EXPECT_EQ(DaysBefore(20240301, 1), 20240229);
    EXPECT_EQ(DaysBefore(20270101, 1), 20261231);
    EXPECT_EQ(DaysBefore(20270102, 368), 20251230);
}

TEST(TidyDates, DayFoldersAreNamesEndingInEightDigits) {
    EXPECT_TRUE(IsExpiredDayFolder("20261208", 20261208));
    EXPECT_FALSE(IsExpiredDayFolder("20261209", 20261208));
    EXPECT_TRUE(IsExpiredDayFolder("copy of 20261201", 20261208));
    EXPECT_FALSE(IsExpiredDayFolder("2026120", 20261208));
    EXPECT_FALSE(IsExpiredDayFolder("2026120x", 20261208));
    EXPECT_FALSE(IsExpiredDayFolder("Index", 20261208));
    EXPECT_FALSE(IsExpiredDayFolder("1234567820261209", 20261208));
}

class TidyTest : public ConversionTest {
  protected:
    std::string Group(OutputForm form, int kind = kKindPublic) const {
        return GroupOutputFolder(settings_.convertPath, form, kind);
    }
    static void Make(const std::string& gbkFile) {
        ASSERT_TRUE(platform::CreateFolders(gbkFile.substr(0, gbkFile.rfind('/') + 1)));
        ASSERT_EQ(WriteWholeFile(gbkFile, "x"), 1) << gbkFile;
    }
    static void Link(const std::string& gbkLink, const std::string& gbkTarget) {
        fs::create_directory_symlink(platform::NativePath(gbkTarget),
                                     platform::NativePath(gbkLink));
    }
    void Register(OutputForm form, std::int32_t id, const std::string& time) {
        store::NewsItem item = Item(id, "T", time);
        ASSERT_EQ(store::RegisterItem(GroupIndexBase(settings_.convertPath, kKindPublic, form), "f",
                                      9001, item, ""),
                  0);
    }
    std::vector<std::int32_t> Ids(OutputForm form) {
        std::vector<std::int32_t> ids;
        for (const auto& r : Records(GroupIndexBase(settings_.convertPath, kKindPublic, form))) {
            ids.push_back(r.newsId);
        }
        return ids;
    }
};

TEST_F(TidyTest, TwoDaysOnTheTenthRemovesTheEighthAndEarlierOnly) {
    for (OutputForm form : {OutputForm::kHtml, OutputForm::kText}) {
        for (const char* day : {"20261130", "20261207", "20261208", "20261209", "20261210"}) {
            Make(Group(form) + day + "/今日要闻/item.txt");
        }
        Make(Group(form) + "notes/20261201.txt");  // a file, not a day folder
        Make(Group(form) + "2026120/keep.txt");
    }
    Make(Group(OutputForm::kText) + "20261207/Index/PeopleText.idx");
    for (OutputForm form : {OutputForm::kHtml, OutputForm::kText}) {
        Register(form, 1, "2026-12-7 23:59:59");
        Register(form, 2, "2026-12-08 00:00:00");
        Register(form, 3, "2026-12-10 08:00:00");
    }

    TidyResult r = TidyConverted(settings_, kKindPublic, 2, 20261210);
    EXPECT_FALSE(r.refusal);
    EXPECT_EQ(r.cutoff, 20261208);
    EXPECT_EQ(r.done.text, "整理完毕!");
    EXPECT_EQ(r.done.title, "整理文件信息提示");
    std::vector<std::string> expected;
    for (OutputForm form : {OutputForm::kHtml, OutputForm::kText}) {
        for (const char* day : {"20261130", "20261207", "20261208"})
            expected.push_back(Group(form) + day);
    }
    EXPECT_EQ(r.removedFolders, expected);
    EXPECT_TRUE(r.failedFolders.empty());
    for (OutputForm form : {OutputForm::kHtml, OutputForm::kText}) {
        EXPECT_EQ(FilesBelow(Group(form)),
                  (std::vector<std::string>{"2026120/keep.txt", "20261209/今日要闻/item.txt",
                                            "20261210/今日要闻/item.txt", "notes/20261201.txt"}));
        // Entries dated before the cutoff go; the cutoff day itself stays in the index.
        EXPECT_EQ(Ids(form), (std::vector<std::int32_t>{2, 3}));
    }
    EXPECT_EQ(r.droppedHtml, 1);
    EXPECT_EQ(r.droppedText, 1);
}

TEST_F(TidyTest, NothingOutsideTheGroupFoldersIsTouched) {
    const std::string p = settings_.convertPath;
    const std::vector<std::string> untouched = {
        p + "文本格式/20261201/今日要闻/by hand.txt",  // converted by hand
        p + "网页格式/20261201/今日要闻/by hand.htm",
        p + "文本格式/TradeNews/20261201/钢铁/x.txt",  // another group
        p + "other/PeopleNews/20261201/x.txt",         // looks like a group folder elsewhere
        p + "20261201/x.txt",
        Home() + "outside/20261201/precious.txt",  // outside the conversion path
        Home() + "elsewhere/20200101/precious.txt",
    };
    for (const std::string& f : untouched) Make(f);
    // A link named like an old day folder, pointing outside: neither followed nor deleted.
    ASSERT_TRUE(platform::CreateFolders(Group(OutputForm::kText)));
    Link(Group(OutputForm::kText) + "20261205", Home() + "outside/20261201");
    // A group folder that is a link to a place outside the conversion path is left alone.
    ASSERT_TRUE(platform::CreateFolders(p + "网页格式/"));
    Link(p + "网页格式/PeopleNews", Home() + "elsewhere");

    TidyResult r = TidyConverted(settings_, kKindPublic, 2, 20261210);
    EXPECT_TRUE(r.removedFolders.empty());
    for (const std::string& f : untouched) EXPECT_TRUE(platform::FileExists(f)) << f;
    EXPECT_TRUE(fs::is_symlink(platform::NativePath(Group(OutputForm::kText) + "20261205")));
}

TEST_F(TidyTest, FewerThanTwoDaysIsRefused) {
    Make(Group(OutputForm::kText) + "20200101/x.txt");
    TidyResult r = TidyConverted(settings_, kKindPublic, 1, 20261210);
    ASSERT_TRUE(r.refusal);
    EXPECT_EQ(r.refusal->text, "保留的天数不能小于2!");
    EXPECT_EQ(r.refusal->title, "信息提示");
    EXPECT_EQ(r.refusal->icon, platform::MessageBoxSink::kInformation);
    EXPECT_TRUE(platform::FileExists(Group(OutputForm::kText) + "20200101/x.txt"));
    // A conversion path that does not exist yet is nothing to tidy.
    settings_.convertPath = Home() + "none/";
    EXPECT_TRUE(TidyConverted(settings_, kKindPublic, 2, 20261210).removedFolders.empty());
    EXPECT_FALSE(platform::PathExists(settings_.convertPath));
}

TEST_F(TidyTest, TodayAndYesterdayAreNeverTidiedAway) {
    for (int days = kMinTidyDays; days <= 3; ++days) {
        Make(Group(OutputForm::kText) + "20261210/a/x.txt");
        Make(Group(OutputForm::kText) + "20261209/a/x.txt");
        TidyConverted(settings_, kKindPublic, days, 20261210);
        EXPECT_TRUE(platform::FileExists(Group(OutputForm::kText) + "20261210/a/x.txt"));
        EXPECT_TRUE(platform::FileExists(Group(OutputForm::kText) + "20261209/a/x.txt"));
    }
}

// Conversions of old items write into a day folder that every tidy-up deletes. The output
// lock keeps them apart: no conversion fails half way and no deletion finds a folder being
// filled.
TEST_F(TidyTest, ConversionsAndTidyUpsOfTheSameDayFolderDoNotCollide) {
    constexpr int kItems = 120;
    std::atomic<bool> stop{false};
    std::atomic<int> failedWrites{0};
    std::atomic<int> written{0};
    std::thread writer([&] {
        ConversionItem item;
        item.kind = kKindPublic;
        item.code = 9001;
        item.content = "c";
        for (int i = 0; i < kItems && !stop; ++i) {
            item.record = Record(i + 1, "Old item " + std::to_string(i), 20261201, 0);
            item.fileTitle = SafeTitle(item.record.Title());
            const std::string folder = AutoFolder(settings_.convertPath, OutputForm::kText,
                                                  kKindPublic, 20261201, "今日要闻");
            // The file may be gone again by now: a tidy-up may have run since.
            if (ConvertToText(settings_, folder, item).result != 0) ++failedWrites;
            ++written;
        }
    });
    int failedDeletes = 0;
    int tidies = 0;
    while (written < kItems && tidies < 5000) {
        TidyResult r = TidyConverted(settings_, kKindPublic, 2, 20261210);
        failedDeletes += static_cast<int>(r.failedFolders.size());
        ++tidies;
    }
    stop = true;
    writer.join();
    EXPECT_EQ(failedWrites, 0);
    EXPECT_EQ(failedDeletes, 0);
}

}  // namespace
}  // namespace brevio::conversion
