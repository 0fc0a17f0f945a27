// The add-website form: checks in their order with their texts and focus, the lists from the
// reference tables, and the closing message of each kind of answer.
#include "net/add_website_form.h"

#include <gtest/gtest.h>

namespace brevio::net {
namespace {

AddWebsiteFields Valid() {
    return {"新浪", "http://x.cn", "国内", "银行", "北京", "简介"};
}

AddWebsiteField FocusOf(const AddWebsiteFields& f) {
    auto p = CheckAddWebsite(f);
    return p ? p->focus : AddWebsiteField::kNone;
}

TEST(AddWebsiteChecks, EachRuleInItsOrderWithItsTextAndBounds) {
    AddWebsiteFields f = Valid();
    f.name = "网";  // one Chinese character: two bytes
    EXPECT_FALSE(CheckAddWebsite(f));
    f.url = std::string(6, 'u');
    EXPECT_FALSE(CheckAddWebsite(f));

    // Everything wrong at once: the name is reported first, then each later field in turn.
    AddWebsiteFields bad{"",
                         "",
                         std::string(65, 'c'),
                         std::string(65, 't'),
                         std::string(65, 'r'),
                         std::string(129, 'i')};
    auto p = CheckAddWebsite(bad);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->message.text, "请输入网站名称!");
    EXPECT_EQ(p->message.title, "网站名称不能为空");
    EXPECT_EQ(p->message.icon, platform::MessageBoxSink::kWarning);
    EXPECT_EQ(p->focus, AddWebsiteField::kName);

    bad.name = "a";
    EXPECT_EQ(CheckAddWebsite(bad)->message.text, "网站名称的长度在6-128字符之间!");
    EXPECT_EQ(CheckAddWebsite(bad)->message.title, "添加网站");
    bad.name = std::string(129, 'n');
    EXPECT_EQ(FocusOf(bad), AddWebsiteField::kName);
    bad.name = std::string(128, 'n');
    p = CheckAddWebsite(bad);
    EXPECT_EQ(p->message.text, "请输入网址(URL)!");
    EXPECT_EQ(p->message.title, "网址不能为空");
    bad.url = "http:";  // 5 bytes
    p = CheckAddWebsite(bad);
    EXPECT_EQ(p->message.text, "网址(URL)的长度在6-128字符之间!");
    EXPECT_EQ(p->focus, AddWebsiteField::kUrl);
    bad.url = std::string(129, 'u');
    EXPECT_EQ(FocusOf(bad), AddWebsiteField::kUrl);
    bad.url = std::string(128, 'u');
    EXPECT_EQ(CheckAddWebsite(bad)->message.text, "类别长度应小于64字符!");
    EXPECT_EQ(FocusOf(bad), AddWebsiteField::kCategory);
    bad.category = std::string(64, 'c');
    EXPECT_EQ(CheckAddWebsite(bad)->message.text, "类别长度应小于64字符!");
    EXPECT_EQ(FocusOf(bad), AddWebsiteField::kRegion);  // region before trade
    bad.region = "";
    EXPECT_EQ(CheckAddWebsite(bad)->message.text, "行业长度应小于64字符!");
    EXPECT_EQ(FocusOf(bad), AddWebsiteField::kTrade);
    bad.trade = std::string(64, 't');
    EXPECT_EQ(CheckAddWebsite(bad)->message.text, "简介太长!");
    EXPECT_EQ(FocusOf(bad), AddWebsiteField::kIntroduction);
    bad.introduction = std::string(128, 'i');
    EXPECT_FALSE(CheckAddWebsite(bad));
}

TEST(AddWebsiteOutcomes, ReplyDigitTwoClosesOtherRepliesAndErrorsStayOpen) {
    ExchangeResult r;
    r.code = 0;
    r.reply = "200 OK\r\nmore";
    AddWebsiteOutcome o = AddWebsiteOutcomeOf(r);
    EXPECT_EQ(o.message.text, "递交成功,谢谢!\r\n");
    EXPECT_EQ(o.message.title, "添加网站");
    EXPECT_EQ(o.message.icon, platform::MessageBoxSink::kInformation);
    EXPECT_TRUE(o.close);

    r.reply = "500 网站已存在\r\nmore";
    o = AddWebsiteOutcomeOf(r);
    EXPECT_EQ(o.message.text, "递交失败!\r\n500 网站已存在");
    EXPECT_FALSE(o.close);

    r.reply = std::string(200, '5');
    EXPECT_EQ(AddWebsiteOutcomeOf(r).message.text, "递交失败!\r\n" + std::string(127, '5'));

    r.reply.clear();
    EXPECT_EQ(AddWebsiteOutcomeOf(r).message.text, "递交失败!\r\n");

    r.code = result::kCannotConnect;
    r.reply = "200 stale";
    o = AddWebsiteOutcomeOf(r);
    EXPECT_EQ(o.message.text, ResultText(result::kCannotConnect));
    EXPECT_FALSE(o.close);
    r.code = -77;
    EXPECT_EQ(AddWebsiteOutcomeOf(r).message.text, "Unknown error code");
}

TEST(AddWebsiteForm, SendsTheSixFieldsOnlyWhenEveryCheckPasses) {
    std::vector<SiteProposalInput> sent;
    AddWebsiteForm form("user1", "pw", [&](const SiteProposalInput& in) {
        sent.push_back(in);
        ExchangeResult r;
        r.code = 0;
        r.reply = "201 accepted";
        return r;
    });
    form.fields = Valid();
    form.fields.url = "http:";
    AddWebsiteForm::SubmitResult r = form.Submit();
    EXPECT_TRUE(r.problem);
    EXPECT_FALSE(r.outcome);
    EXPECT_TRUE(sent.empty());

    form.fields.url = "http://x.cn";
    r = form.Submit();
    ASSERT_TRUE(r.outcome);
    EXPECT_TRUE(r.outcome->close);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].userId, "user1");
    EXPECT_EQ(sent[0].password, "pw");
    EXPECT_EQ(sent[0].name, "新浪");
    EXPECT_EQ(sent[0].url, "http://x.cn");
    EXPECT_EQ(sent[0].category, "国内");
    EXPECT_EQ(sent[0].trade, "银行");
    EXPECT_EQ(sent[0].region, "北京");
    EXPECT_EQ(sent[0].description, "简介");
}

TEST(AddWebsiteLists, NamesInReferenceListOrder) {
    reference::ReferenceTables tables;
    reference::RefList publics, trades;
    publics.push_back({"2", "国际"});
    publics.push_back({"1", "国内"});
    trades.push_back({"T", "银行"});
    tables.Replace(reference::Table::kPublic, publics);
    tables.Replace(reference::Table::kTrades, trades);
    AddWebsiteLists lists = FillAddWebsiteLists(tables);
    EXPECT_EQ(lists.categories, (std::vector<std::string>{"国际", "国内"}));
    EXPECT_EQ(lists.trades, (std::vector<std::string>{"银行"}));
    EXPECT_TRUE(lists.regions.empty());
}

}  // namespace
}  // namespace brevio::net
