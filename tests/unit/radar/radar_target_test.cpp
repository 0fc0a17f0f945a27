// Radar targets and their list, the target's file names, and how a fetched page is stored.
#include "radar/radar_target.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text.h"
#include "radar/radar_page.h"
#include "radar/target_files.h"

namespace brevio::radar {
namespace {

using namespace std::string_literals;

std::vector<std::string> Names(const RadarTargetList& list) {
    std::vector<std::string> names;
    for (auto pos = list.GetFirst(); const RadarTarget* t = list.GetNext(pos);) {
        names.push_back(t->name);
    }
    return names;
}

// ---- The list ----

TEST(RadarTargetList, IteratesInOrderAndCopiesAppendDeepCopies) {
    RadarTargetList list;
    EXPECT_EQ(list.GetFirst(), RadarTargetList::kEnd);
    list.Append({0, "a", "http://a/"});
    list.Append({3, "b", "http://b/"});
    EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "b"}));

    RadarTargetList snapshot;
    snapshot.Append({0, "old", "x"});
    list.CopyInto(snapshot);  // appends, does not clear
    EXPECT_EQ(Names(snapshot), (std::vector<std::string>{"old", "a", "b"}));
    EXPECT_EQ(snapshot.At(2)->changeCount, 3);
    // The copies are separate objects.
    auto pos = snapshot.GetFirst();
    snapshot.GetNext(pos);
    snapshot.GetNext(pos)->changeCount = 7;
    EXPECT_EQ(list.At(0)->changeCount, 0);

    list.CopyInto(list);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "b", "a", "b"}));
    list.Clear();
    EXPECT_EQ(list.Size(), 0u);
    EXPECT_FALSE(list.At(0));
}

TEST(RadarTargetList, IncrementMatchingCountsOnTheFirstExactMatch) {
    RadarTargetList list;
    list.Append({0, "news", "http://a/"});
    list.Append({0, "news", "http://b/"});
    list.Append({0, "news", "http://b/"});
    EXPECT_FALSE(list.AnyChanged());

    EXPECT_EQ(list.IncrementMatching({5, "news", "http://b/"}), 1);
    EXPECT_EQ(list.IncrementMatching({0, "news", "http://b/"}), 2);
    EXPECT_EQ(list.At(1)->changeCount, 2);
    EXPECT_EQ(list.At(2)->changeCount, 0) << "only the first of two equal targets counts";
    EXPECT_TRUE(list.AnyChanged());

    // Name and URL must match byte for byte.
    EXPECT_EQ(list.IncrementMatching({0, "News", "http://b/"}), 0);
    EXPECT_EQ(list.IncrementMatching({0, "news", "http://b"}), 0);
    EXPECT_EQ(list.IncrementMatching({0, "news ", "http://b/"}), 0);

    EXPECT_TRUE(list.ResetChangeCount(1));
    EXPECT_FALSE(list.AnyChanged());
    EXPECT_FALSE(list.ResetChangeCount(3));
}

// ---- File names ----

TEST(RadarTargetFiles, NamesThatLeaveTheFolderAreRefused) {
    for (const std::string& name :
         {""s, "a/b"s, "../x"s, ".."s, "a..b"s, "x\0y"s, "/etc/passwd"s}) {
        EXPECT_FALSE(FilesOfTarget("/c/", name)) << name;
    }
    // Backslashes, dots and GBK double-byte names are ordinary file names here.
    EXPECT_TRUE(FilesOfTarget("/c/", "a\\b"));
    EXPECT_TRUE(FilesOfTarget("/c/", ".hidden.page"));
    EXPECT_TRUE(FilesOfTarget("/c/", "\xB1\xAF\xCE\xC4"));
}

TEST(RadarTargetFiles, PathsOf260BytesOrMoreAreRefusedNotCut) {
    // The longest path is the change log: folder + "News/" + name + "_changeAll.html".
    const std::string folder = "/c/";
    const std::size_t fixed = folder.size() + 5 + 15;
    const std::string fits(259 - fixed, 'n');
    auto files = FilesOfTarget(folder, fits);
    ASSERT_TRUE(files);
    EXPECT_EQ(files->changeLog.size(), 259u);
    EXPECT_FALSE(FilesOfTarget(folder, fits + "n"));
}

// ---- Stored page text ----

TEST(RadarPageText, EveryLineEndsInLineFeedAndCarriageReturnsStay) {
    EXPECT_EQ(PageLines(""), "");
    EXPECT_EQ(PageLines("a"), "a\n");
    EXPECT_EQ(PageLines("a\n"), "a\n");
    EXPECT_EQ(PageLines("a\r\nb\r\n"), "a\r\nb\r\n");
    EXPECT_EQ(PageLines("a\n\nb"), "a\n\nb\n");
    EXPECT_EQ(PageLines("\n"), "\n");
}

TEST(RadarPageText, BlogHostIsFoundAnywhereInTheConfiguredUrl) {
    EXPECT_TRUE(IsBlogPage("http://blog.host/u/1", "http://blog.host/"));
    EXPECT_TRUE(IsBlogPage("x=http://blog.host/", "http://blog.host/"));
    EXPECT_FALSE(IsBlogPage("blog.host/u/1", "http://blog.host/")) << "as configured";
    EXPECT_FALSE(IsBlogPage("HTTP://blog.host/u/1", "http://blog.host/"));
    EXPECT_FALSE(IsBlogPage("http://any/", "")) << "an empty host matches nothing";
}

TEST(RadarPageText, BlogRuleKeepsTheArticleListInGbk) {
    // The markers in UTF-8, as the blog pages carry them.
    const std::string list = platform::GbkToUtf8("最新文章列表");
    const std::string categories = platform::GbkToUtf8("我的文章分类");
    const std::string comments = platform::GbkToUtf8("最新评论");
    const std::string article = platform::GbkToUtf8("文章一\n");
    EXPECT_EQ(BlogArticleList("<p>" + list + article + categories + "x" + comments),
              "最新文章列表文章一\n");
    // Without the categories marker after the start, the list ends at the comments marker.
    EXPECT_EQ(BlogArticleList(categories + "<p>" + list + article + comments),
              "最新文章列表文章一\n");
    // Without any end marker 3000 bytes are kept.
    const std::string tail(5000, 'x');
    EXPECT_EQ(BlogArticleList("<p>" + list + tail),
              "最新文章列表" + tail.substr(0, 3000 - list.size()));
    // No marker, or the marker at the very first byte: nothing.
    EXPECT_EQ(BlogArticleList("<html>" + article + categories), "");
    EXPECT_EQ(BlogArticleList(list + article + categories), "");
}

}  // namespace
}  // namespace brevio::radar
