#include "net/add_website_form.h"

namespace brevio::net {
namespace {

using platform::MessageBoxSink;

std::optional<AddWebsiteProblem> Problem(const char* text, const char* title,
                                         AddWebsiteField focus) {
    return AddWebsiteProblem{{text, title, MessageBoxSink::kWarning}, focus};
}

std::vector<std::string> Names(const std::shared_ptr<const reference::RefList>& list) {
    std::vector<std::string> names;
    if (!list) return names;
    names.reserve(list->size());
    for (const reference::RefEntry& e : *list) names.push_back(e.name);
    return names;
}

}  // namespace

const AddWebsiteTexts& AddWebsiteDialogTexts() {
    static const AddWebsiteTexts texts{
        "添加网站", "请认真填写下列信息,递交成功后,经检查,通过后即可将此网站加入搜索网站之列。"};
    return texts;
}

AddWebsiteLists FillAddWebsiteLists(const reference::ReferenceTables& tables) {
    reference::Snapshot s = tables.Current();
    return {Names(s.publicCategories), Names(s.trades), Names(s.regions)};
}

std::optional<AddWebsiteProblem> CheckAddWebsite(const AddWebsiteFields& f) {
    const char* kTitle = "添加网站";
    if (f.name.empty())
        return Problem("请输入网站名称!", "网站名称不能为空", AddWebsiteField::kName);
    if (f.name.size() < kSiteNameMin || f.name.size() > kSiteNameMax) {
        return Problem("网站名称的长度在6-128字符之间!", kTitle, AddWebsiteField::kName);
    }
    if (f.url.empty()) return Problem("请输入网址(URL)!", "网址不能为空", AddWebsiteField::kUrl);
    if (f.url.size() < kSiteUrlMin || f.url.size() > kSiteUrlMax) {
        return Problem("网址(URL)的长度在6-128字符之间!", kTitle, AddWebsiteField::kUrl);
    }
    if (f.category.size() > kSiteListFieldMax) {
        return Problem("类别长度应小于64字符!", kTitle, AddWebsiteField::kCategory);
    }
    // The region is checked before the trade, and shares the category's text.
    if (f.region.size() > kSiteListFieldMax) {
        return Problem("类别长度应小于64字符!", kTitle, AddWebsiteField::kRegion);
    }
    if (f.trade.size() > kSiteListFieldMax) {
        return Problem("行业长度应小于64字符!", kTitle, AddWebsiteField::kTrade);
    }
    if (f.introduction.size() > kSiteIntroductionMax) {
        return Problem("简介太长!", kTitle, AddWebsiteField::kIntroduction);
    }
    return std::nullopt;
}

AddWebsiteOutcome AddWebsiteOutcomeOf(const ExchangeResult& result) {
    const std::string title = AddWebsiteDialogTexts().title;
    auto info = [&](std::string text, bool close) {
        return AddWebsiteOutcome{{std::move(text), title, MessageBoxSink::kInformation}, close};
    };
    if (result.code != result::kSuccess) return info(ResultText(result.code), false);
    if (result.reply.empty()) return info("递交失败!\r\n", false);
    std::string line = FirstLine(result.reply, kSiteReplyLineMax);
    if (!line.empty() && line[0] == '2') return info("递交成功,谢谢!\r\n", true);
    return info("递交失败!\r\n" + line, false);
}

SiteProposalSender ServerProposalSender(const ServerEndpoint& server) {
    return [&server](const SiteProposalInput& input) { return SendSiteProposal(server, input); };
}

AddWebsiteForm::SubmitResult AddWebsiteForm::Submit() const {
    SubmitResult r;
    r.problem = CheckAddWebsite(fields);
    if (r.problem) return r;
    SiteProposalInput input{userId_,         password_,    fields.name,   fields.url,
                            fields.category, fields.trade, fields.region, fields.introduction};
    r.outcome = AddWebsiteOutcomeOf(send_(input));
    return r;
}

}  // namespace brevio::net
