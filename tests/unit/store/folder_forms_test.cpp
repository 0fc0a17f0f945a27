#include "store/folder_forms.h"

#include <gtest/gtest.h>

#include "platform/host.h"
#include "settings/keys.h"
#include "settings/registry_values.h"
#include "unit/store/store_fixture.h"

namespace brevio::store {
namespace {

using test::ReadFileBytes;
using test_support::MakeItem;

struct NavigationRecorder {
    std::vector<int> refreshed;
};

class FolderFormsTest : public test_support::StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        lists_.SetOnSaved([this](int code) { window_.refreshed.push_back(code); });
    }

    // Stores a list as the program finds it at start-up and loads it.
    void Store(FolderListKind kind, const FolderList& list) {
        ASSERT_TRUE(SaveFolders(lists_.File(kind), list));
        lists_.Holder(kind).Reload(lists_.File(kind));
    }
    static int FavMaxID() { return settings::ReadInt(settings::keys::kFavMaxID, 0); }
    static std::optional<std::size_t> Row(std::size_t i) { return i; }

    NavigationRecorder window_;
    FolderListHolder favorites_, subscriptions_;
    FolderLists lists_{favorites_, Home() + "Pemlo.ini", subscriptions_, Home() + "Pemlo2.ini"};
};

TEST_F(FolderFormsTest, ANewEntryIsCheckedAgainstTheStoredListAndGetsTheNextFreeId) {
    Store(FolderListKind::kFavorites, {{8, "Bank", {}}, {9, "股票", {}}});
    settings::WriteInt(settings::keys::kFavMaxID, 7);
    FolderOrganizer organizer(FolderListKind::kFavorites, lists_);

    NewFolderForm form = organizer.NewEntry();
    auto refused = form.Ok("  bANK ", "");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->message.text, "文件夹\"bANK\"已存在!");  // the name as typed
    EXPECT_EQ(refused->message.title, "Brevio提示");
    EXPECT_EQ(refused->focus, NewFolderForm::Field::kName);
    EXPECT_EQ(FavMaxID(), 7);
    ASSERT_TRUE(form.Ok(" ", "a"));  // no name
    EXPECT_EQ(form.Ok(" ", "a")->message.text, "收藏夹的名称不能为空!");

    ASSERT_FALSE(form.Ok(" 新闻 ", " a, b ,,c "));
    EXPECT_EQ(form.Entry().id, 10);  // 8 and 9 are taken
    EXPECT_EQ(form.Entry().name, "新闻");
    EXPECT_EQ(form.Entry().keywords, (std::vector<std::string>{"a", " b ", "c"}));
    EXPECT_EQ(FavMaxID(), 10);  // stored at once
    EXPECT_EQ(organizer.Add(form), 2u);

    // Only the stored list counts: a second entry of the same name in the dialog passes.
    NewFolderForm again = organizer.NewEntry();
    EXPECT_FALSE(again.Ok("新闻", ""));
    EXPECT_EQ(again.Entry().id, 11);

    // Subscriptions draw from the same counter and skip the IDs of both lists.
    Store(FolderListKind::kSubscriptions, {{12, "Bank", {"银行"}}});
    NewFolderForm subscription(FolderListKind::kSubscriptions, lists_);
    EXPECT_TRUE(subscription.Ok("BANK", ""));
    EXPECT_FALSE(subscription.Ok("股票", "x"));
    EXPECT_EQ(subscription.Entry().id, 13);
}

TEST_F(FolderFormsTest, OkRewritesTheSectionReloadsAndRefreshesTheNavigation) {
    Store(FolderListKind::kFavorites, {{1, "a", {"k1"}}, {2, "b", {}}, {3, "c", {"k3"}}});
    ASSERT_GE(AppendItem(Folder(kFolderFavorite), "2", MakeItem(5, "2024-6-1 8:0:0", "x"), ""), 0);
    FolderOrganizer organizer(FolderListKind::kFavorites, lists_);
    EXPECT_EQ(organizer.Delete(std::nullopt), SelectFolderMessage());
    EXPECT_EQ(organizer.Delete(Row(3)), SelectFolderMessage());
    EXPECT_EQ(SelectFolderMessage().text, "请选择一个收藏文件夹!");
    EXPECT_FALSE(organizer.Delete(Row(1)));
    EXPECT_EQ(organizer.Names(), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(favorites_.Get()->size(), 3u);  // nothing stored before OK

    ASSERT_TRUE(organizer.Ok());
    EXPECT_EQ(ReadFileBytes(lists_.File(FolderListKind::kFavorites)),
              "[Favorite]\r\nCount=2\r\nFavID0=1\r\nFavName0=a\r\nKeywords0=k1\r\n"
              "FavID1=3\r\nFavName1=c\r\nKeywords1=k3\r\n");
    EXPECT_EQ(*favorites_.Get(), organizer.Entries());
    EXPECT_EQ(window_.refreshed, (std::vector<int>{8}));
    EXPECT_TRUE(platform::FileExists(Folder(kFolderFavorite) + "2.idx"));  // files remain

    FolderOrganizer subscriptions(FolderListKind::kSubscriptions, lists_);
    ASSERT_TRUE(subscriptions.Ok());
    EXPECT_EQ(window_.refreshed, (std::vector<int>{8, 9}));
    EXPECT_EQ(ReadFileBytes(lists_.File(FolderListKind::kSubscriptions)),
              "[Favorite]\r\nCount=0\r\n");
}

TEST_F(FolderFormsTest, CancelDropsTheChangesButNotTheIdsHandedOut) {
    Store(FolderListKind::kSubscriptions, {{4, "s", {"kw"}}});
    const std::string before = ReadFileBytes(lists_.File(FolderListKind::kSubscriptions));
    FolderOrganizer organizer(FolderListKind::kSubscriptions, lists_);
    NewFolderForm form = organizer.NewEntry();
    ASSERT_FALSE(form.Ok("new", "x"));
    organizer.Add(form);
    // Someone else's save meanwhile is what Cancel reloads.
    ASSERT_TRUE(SaveFolders(lists_.File(FolderListKind::kSubscriptions), {{4, "t", {"kw"}}}));
    const std::string saved = ReadFileBytes(lists_.File(FolderListKind::kSubscriptions));
    ASSERT_NE(saved, before);
    organizer.Cancel();
    EXPECT_EQ(ReadFileBytes(lists_.File(FolderListKind::kSubscriptions)), saved);
    EXPECT_EQ(subscriptions_.Get()->front().name, "t");
    EXPECT_EQ(FavMaxID(), form.Entry().id);
    EXPECT_TRUE(window_.refreshed.empty());
}

TEST_F(FolderFormsTest, RenameAndPropertiesChangeTheirRowInPlace) {
    Store(FolderListKind::kFavorites, {{1, "a", {"k1", "k2"}}, {2, "b", {}}});
    FolderOrganizer organizer(FolderListKind::kFavorites, lists_);

    EXPECT_TRUE(std::holds_alternative<FormMessage>(organizer.Rename(std::nullopt)));
    auto step = organizer.Rename(Row(0));
    RenameForm& rename = std::get<RenameForm>(step);
    EXPECT_EQ(rename.OldName(), "a");
    ASSERT_TRUE(rename.Ok("  "));
    EXPECT_EQ(rename.Ok("")->text, "收藏夹的名称不能为空!");
    ASSERT_FALSE(rename.Ok(" b "));  // no duplicate check on renaming
    organizer.Apply(0, rename);
    EXPECT_EQ(organizer.Names(), (std::vector<std::string>{"b", "b"}));

    EXPECT_TRUE(std::holds_alternative<FormMessage>(organizer.Properties(Row(2))));
    auto props = organizer.Properties(Row(0));
    PropertiesForm& properties = std::get<PropertiesForm>(props);
    EXPECT_EQ(properties.Name(), "b");
    EXPECT_EQ(properties.KeywordText(), "k1,k2");
    properties.Ok(" x ,, y ");
    organizer.Apply(0, properties);
    EXPECT_EQ(organizer.Entries()[0], (FolderEntry{1, "b", {"x ", " y"}}));
}

TEST_F(FolderFormsTest, ChoosingAFavouriteCopiesTheItemWithItsRecordBytes) {
    Store(FolderListKind::kFavorites, {{3, "收藏", {}}});
    ASSERT_GE(AppendItem(Folder(kFolderTrade), "05", MakeItem(77, "2024-6-1 8:0:0", "钢铁正文"),
                         "华岳财经网"),
              0);
    ASSERT_EQ(MarkRead(Folder(kFolderTrade), "05", 77, true), kWritten);

    ChooseFavouriteForm choose(lists_);
    EXPECT_EQ(choose.Names(), (std::vector<std::string>{"收藏"}));
    EXPECT_EQ(choose.InitialSelection(), Row(0));
    EXPECT_EQ(choose.Ok(std::nullopt), SelectFolderMessage());

    // The organise button: a folder added there shows once that dialog closed with OK.
    FolderOrganizer organizer = choose.Organize();
    NewFolderForm form = organizer.NewEntry();
    ASSERT_FALSE(form.Ok("第二", ""));
    organizer.Add(form);
    ASSERT_TRUE(organizer.Ok());
    choose.Refill();
    EXPECT_EQ(choose.Names(), (std::vector<std::string>{"收藏", "第二"}));

    ASSERT_FALSE(choose.Ok(Row(0)));
    EXPECT_EQ(choose.ChosenId(), 3);
    ASSERT_EQ(CopyItemToFolder(content_, kFolderTrade, "05", 77, kFolderFavorite, 3), 8);
    std::vector<NewsRecord> source = Listed(kFolderTrade, "05");
    std::vector<NewsRecord> copy = Listed(kFolderFavorite, "3");
    ASSERT_EQ(copy.size(), 1u);
    // Every byte but Offset (and Length, the same here) is the source's, read flag included.
    NewsRecord expected = source.at(0);
    expected.offset = copy[0].offset;
    char a[kRecordSize], b[kRecordSize];
    EncodeRecord(expected, a);
    EncodeRecord(copy[0], b);
    EXPECT_EQ(std::string(a, sizeof a), std::string(b, sizeof b));
    EXPECT_EQ(copy[0].isRead, 1);
    EXPECT_EQ(Content(kFolderFavorite, "3", 77), "钢铁正文");
    EXPECT_EQ(CopyItemToFolder(content_, kFolderTrade, "05", 78, kFolderFavorite, 3), kFailed);
}

}  // namespace
}  // namespace brevio::store
