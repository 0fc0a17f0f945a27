// The main window's handling of radar changes: the change log and the opened target.
#include "radar/radar_changes.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/fs.h"
#include "support/temp_home.h"

namespace brevio::radar {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

class RadarChanges : public test::TempHomeTest {
  protected:
    void SetUp() override {
        content_ = Home() + "content/";
        ASSERT_TRUE(platform::CreateFolders(content_ + "News/"));
        list_.Append({0, "page", "http://a/"});
        list_.Append({0, "other", "http://b/"});
    }
    std::string File(const std::string& name) const { return content_ + "News/" + name; }
    // The radar thread's copy of a target after its n-th change.
    RadarTarget Changed(const std::string& name, const std::string& url, int n) const {
        return {n, name, url};
    }

    std::string content_;
    RadarTargetList list_;
};

TEST_F(RadarChanges, FirstChangeCopiesLaterChangesAppendNumberedHeaders) {
    WriteFileBytes(File("page_change.html"), "<p>one</p>");
    ChangeNotice n1 = HandleRadarChange(list_, content_, Changed("page", "http://a/", 1));
    EXPECT_EQ(n1.text, "page变化了1次");
    EXPECT_EQ(n1.link, "http://a/");
    EXPECT_EQ(n1.count, 1);
    EXPECT_EQ(ReadFileBytes(File("page_changeAll.html")), "<p>one</p>");

    WriteFileBytes(File("page_change.html"), "<p>two</p>");
    EXPECT_EQ(HandleRadarChange(list_, content_, Changed("page", "http://a/", 2)).count, 2);
    WriteFileBytes(File("page_change.html"), "");
    EXPECT_EQ(HandleRadarChange(list_, content_, Changed("page", "http://a/", 3)).count, 3);
    EXPECT_EQ(ReadFileBytes(File("page_changeAll.html")),
              "<p>one</p><br/><div>第2次改变</div><br/><p>two</p>"
              "<br/><div>第3次改变</div><br/>");
    EXPECT_EQ(list_.At(0)->changeCount, 3);
    EXPECT_EQ(list_.At(1)->changeCount, 0);

    // After the user opened the target the count starts again at 1: the log starts anew.
    ASSERT_TRUE(OpenRadarTarget(list_, 0, content_));
    WriteFileBytes(File("page_change.html"), "<p>fresh</p>");
    HandleRadarChange(list_, content_, Changed("page", "http://a/", 1));
    EXPECT_EQ(ReadFileBytes(File("page_changeAll.html")), "<p>fresh</p>");
}

TEST_F(RadarChanges, LargeChangePagesAreAppendedWhole) {
    WriteFileBytes(File("page_changeAll.html"), "log");
    list_.IncrementMatching({0, "page", "http://a/"});
    for (std::size_t size : {10240u, 20480u, 25000u}) {
        std::string page(size, 'x');
        page.back() = 'y';
        WriteFileBytes(File("page_change.html"), page);
        std::string before = ReadFileBytes(File("page_changeAll.html"));
        int n = HandleRadarChange(list_, content_, Changed("page", "http://a/", 9)).count;
        EXPECT_EQ(ReadFileBytes(File("page_changeAll.html")),
                  before + "<br/><div>第" + std::to_string(n) + "次改变</div><br/>" + page);
    }
}

TEST_F(RadarChanges, MissingLogIsNotCreatedAndUnknownTargetsAppendNumberZero) {
    // A second change while the log is missing: nothing is written, the count still moves.
    list_.IncrementMatching({0, "page", "http://a/"});
    WriteFileBytes(File("page_change.html"), "<p>two</p>");
    ChangeNotice n = HandleRadarChange(list_, content_, Changed("page", "http://a/", 2));
    EXPECT_EQ(n.count, 2);
    EXPECT_EQ(n.text, "page变化了2次");
    EXPECT_FALSE(platform::FileExists(File("page_changeAll.html")));

    // A target that a reload removed: nothing matches, the header carries 0.
    WriteFileBytes(File("gone_changeAll.html"), "log");
    WriteFileBytes(File("gone_change.html"), "new");
    n = HandleRadarChange(list_, content_, Changed("gone", "http://gone/", 4));
    EXPECT_EQ(n.count, 0);
    EXPECT_EQ(n.text, "gone变化了4次");
    EXPECT_EQ(ReadFileBytes(File("gone_changeAll.html")), "log<br/><div>第0次改变</div><br/>new");

    // Without a change page the log is left alone.
    platform::RemoveFile(File("gone_change.html"));
    HandleRadarChange(list_, content_, Changed("gone", "http://gone/", 5));
    EXPECT_EQ(ReadFileBytes(File("gone_changeAll.html")), "log<br/><div>第0次改变</div><br/>new");
}

TEST_F(RadarChanges, HostileNamesTouchNoFile) {
    WriteFileBytes(content_ + "evil_change.html", "x");
    RadarTargetList list;
    list.Append({0, "../evil", "http://e/"});
    list.IncrementMatching({0, "../evil", "http://e/"});
    ChangeNotice n = HandleRadarChange(list, content_, Changed("../evil", "http://e/", 2));
    EXPECT_EQ(n.count, 2);
    EXPECT_FALSE(platform::FileExists(content_ + "evil_changeAll.html"));
    EXPECT_FALSE(RadarChangeContent(list, 0, content_));
    EXPECT_EQ(list.At(0)->changeCount, 0);
}

TEST_F(RadarChanges, OpeningATargetResetsItsCountAndCopiesTheLog) {
    list_.IncrementMatching({0, "page", "http://a/"});
    list_.IncrementMatching({0, "other", "http://b/"});
    EXPECT_EQ(RadarEntryLabel(*list_.At(0)), "page(1)");
    WriteFileBytes(File("page_changeAll.html"), "the log");

    auto opened = OpenRadarTarget(list_, 0, content_);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->target, (RadarTarget{0, "page", "http://a/"}));
    EXPECT_TRUE(opened->anyChanged) << "the other target still counts";
    EXPECT_EQ(ReadFileBytes(File("page_diff.html")), "the log");
    EXPECT_EQ(RadarEntryLabel(*list_.At(0)), "page");

    auto diff = RadarChangeContent(list_, 1, content_);
    ASSERT_TRUE(diff);
    EXPECT_EQ(*diff, File("other_diff.html"));
    EXPECT_FALSE(list_.AnyChanged());
    EXPECT_FALSE(OpenRadarTarget(list_, 2, content_));

    // Without a log the earlier copy stays as it was.
    WriteFileBytes(File("other_diff.html"), "earlier");
    opened = OpenRadarTarget(list_, 1, content_);
    ASSERT_TRUE(opened);
    EXPECT_FALSE(opened->anyChanged);
    EXPECT_EQ(ReadFileBytes(File("other_diff.html")), "earlier");
}

}  // namespace
}  // namespace brevio::radar
