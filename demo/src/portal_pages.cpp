#include "portal_pages.h"

#include <algorithm>

#include "text_util.h"

namespace brevio::demo {
namespace {

constexpr std::string_view kSections[] = {"myRadar", "myNews",  "myStock", "informationRelease",
                                          "MyWeb",   "MyEmail", "MyBlog"};

// Builds a GBK page from UTF-8 pieces (converted) and GBK pieces (taken as they are).
class GbkPage {
  public:
    explicit GbkPage(std::string_view titleUtf8) {
        Text(
            "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
            "charset=gb2312\">\n<title>");
        Text(XmlEscape(titleUtf8));
        Text("</title>\n</head>\n<body>\n");
    }
    GbkPage& Text(std::string_view utf8) {
        out_ += ToGbk(utf8);
        return *this;
    }
    GbkPage& Gbk(std::string_view gbk) {
        out_ += gbk;
        return *this;
    }
    std::string Finish() {
        Text("</body>\n</html>\n");
        return std::move(out_);
    }

  private:
    std::string out_;
};

std::string Utf8PageHead(std::string_view title, std::string_view style = {}) {
    std::string head =
        "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
        "charset=utf-8\">\n<title>" +
        XmlEscape(title) + "</title>\n";
    if (!style.empty()) head += "<style>\n" + std::string(style) + "</style>\n";
    return head + "</head>\n<body>\n";
}

// The settings pages show in the client's small settings window (about 200 pixels wide for
// most lists): small type, one entry per block, long addresses cut with an ellipsis.
constexpr std::string_view kSettingsStyle =
    "body{font-size:12px;margin:6px;font-family:sans-serif}\n"
    "h3{font-size:14px;margin:0 0 6px}\n"
    ".entry{margin:0 0 4px;border-bottom:1px solid #e4e4e4;padding-bottom:3px}\n"
    ".link{color:#777;font-size:11px;white-space:nowrap;overflow:hidden;"
    "text-overflow:ellipsis;margin-left:20px}\n"
    "p{margin:6px 0}\n"
    "input[type=text]{width:100%;box-sizing:border-box}\n";

constexpr std::string_view kUtf8PageEnd = "</body>\n</html>\n";

// A list of news links, newest first (GBK).
void NewsList(GbkPage& page, const std::vector<NewsItem>& news) {
    if (news.empty()) {
        page.Text("<p>暂无相关新闻。</p>\n");
        return;
    }
    page.Text("<ul>\n");
    for (const NewsItem& item : news) {
        page.Text("<li><a href=\"/news/" + std::to_string(item.id) + ".html\">")
            .Gbk(XmlEscape(item.title))
            .Text("</a> ")
            .Gbk(item.time)
            .Text("</li>\n");
    }
    page.Text("</ul>\n");
}

std::string CodeNames(const std::string& codes, const ReferenceData& refs,
                      const CodeName* (ReferenceData::*find)(std::string_view) const) {
    std::string names;
    for (const std::string& code : SplitNonEmpty(codes, '|')) {
        const CodeName* e = (refs.*find)(code);
        if (!names.empty()) names += "、";
        names += e ? e->name : code;
    }
    return names;
}

}  // namespace

bool LoadPortalLists(const std::string& path, PortalLists& lists, std::string& error) {
    std::vector<std::pair<std::string, std::vector<std::string>>> sections;
    if (!ReadSectionFile(path, sections)) {
        error = "cannot read " + path;
        return false;
    }
    lists.clear();
    for (const auto& [name, lines] : sections) {
        if (std::find(std::begin(kSections), std::end(kSections), name) == std::end(kSections)) {
            error = path + ": unknown portal list [" + name + "]";
            return false;
        }
        auto& list = lists[name];
        for (const std::string& line : lines) {
            auto fields = TabFields(line);
            if (fields.size() < 2) {
                error = path + ": an entry needs a title and a link: \"" + line + "\"";
                return false;
            }
            list.push_back({fields[0], fields[1]});
        }
    }
    return true;
}

std::string ExpandLink(std::string_view link, std::string_view base) {
    constexpr std::string_view kPlaceholder = "{portal}";
    std::string out;
    std::size_t at;
    while ((at = link.find(kPlaceholder)) != std::string_view::npos) {
        out.append(link.substr(0, at));
        out.append(base);
        link.remove_prefix(at + kPlaceholder.size());
    }
    out.append(link);
    return out;
}

std::string CategoryListText(const User& user, const ReferenceData& refs) {
    std::string text;
    int section = 0;
    for (const std::string& code : user.categories) {
        const CodeName* entry = nullptr;
        long long value = ParseDecimal(code).value_or(0);
        switch (refs.GroupOf(code)) {
            case Group::kPublic:
                entry = refs.FindPublic(code);
                break;
            case Group::kTrade:
                entry = refs.FindTrade(code);
                value += 200;
                break;
            case Group::kRegion:
                entry = refs.FindRegion(code);
                value += 100000;
                break;
            case Group::kNone:
                break;
        }
        if (!entry) continue;
        text += "[" + std::to_string(section++) + "]<br>CategoryID=" + std::to_string(value) +
                "<br>CategoryName=" + ToGbk(entry->name) + "<br>";
    }
    return text;
}

std::string LoginAcceptedPage(const User& user, const ReferenceData& refs) {
    GbkPage page("用户登录");
    page.Text("<p>登录成功，欢迎您，" + XmlEscape(user.id) + "！</p>\n");
    page.Text("<div style=\"display:none\">")
        .Text(kLoginMarker)
        .Gbk(CategoryListText(user, refs))
        .Text(kLoginMarker)
        .Text("</div>\n");
    return page.Finish();
}

std::string LoginFormPage(std::string_view messageUtf8) {
    GbkPage page("用户登录");
    if (!messageUtf8.empty())
        page.Text("<p><font color=\"red\">" + XmlEscape(messageUtf8) + "</font></p>\n");
    page.Text(
        "<form method=\"post\" action=\"/ggfb.aspx\">\n"
        "<input type=\"hidden\" name=\"__VIEWSTATE\" value=\"dDwtMTA4MDU2NjU4Nzs7Pg==\">\n"
        "<p>用 户 名：<input type=\"text\" name=\"userid\"></p>\n"
        "<p>用户密码：<input type=\"password\" name=\"userpw\"></p>\n"
        "<p><input type=\"submit\" name=\"Button1\" value=\"登录\"> "
        "<a href=\"/login.aspx\">注册新用户</a></p>\n"
        "</form>\n");
    return page.Finish();
}

std::string RegistrationPage() {
    GbkPage page("用户注册");
    page.Text(
        "<h2>用户注册</h2>\n"
        "<p>演示服务器不接受新的注册。请使用演示用户 demo（密码 demo123）登录。</p>\n"
        "<p><a href=\"/ggfb.aspx\">返回登录</a></p>\n");
    return page.Finish();
}

std::string UserTreeXml(const User& user, const PortalLists& lists, std::string_view base) {
    auto section = [&](std::string_view name, std::string_view indent) {
        std::string xml = std::string(indent) + "<" + std::string(name) + ">\n";
        auto it = lists.find(name);
        if (it != lists.end()) {
            for (const PortalEntry& e : it->second) {
                xml += std::string(indent) + "  <item><tltie>" + XmlEscape(e.title) +
                       "</tltie><link>" + XmlEscape(ExpandLink(e.link, base)) + "</link></item>\n";
            }
        }
        return xml + std::string(indent) + "</" + std::string(name) + ">\n";
    };
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<userConfig userid=\"" +
                      XmlEscape(user.id) + "\">\n";
    for (std::string_view name : {"myRadar", "myNews", "myStock", "informationRelease"})
        xml += section(name, "  ");
    xml += "  <MyFavorites>\n";
    for (std::string_view name : {"MyWeb", "MyEmail", "MyBlog"}) xml += section(name, "    ");
    xml += "  </MyFavorites>\n</userConfig>\n";
    return xml;
}

const std::vector<SettingsPageInfo>& SettingsPages() {
    static const std::vector<SettingsPageInfo> kPages = {
        {"/radarSet1.aspx", "myRadar", "设置信息雷达", "Button2", "Button3"},
        {"/myNewsSet.aspx", "myNews", "设置自选新闻", "Button1", "Button2"},
        {"/stockSet.aspx", "myStock", "设置自选股票", "Button2", "Button3"},
        {"/myweb.aspx", "MyWeb", "设置我的网站", "DeleteButton", "cancel"},
        {"/myBLOG.aspx", "MyBlog", "设置我的博客", "DeleteButton", "cancel"},
        {"/myemail.aspx", "MyEmail", "设置我的E-mail", "DeleteButton", "cancel"},
    };
    return kPages;
}

const SettingsPageInfo* FindSettingsPage(std::string_view path) {
    for (const SettingsPageInfo& page : SettingsPages()) {
        if (EqualsIgnoreCase(page.path, path)) return &page;
    }
    return nullptr;
}

std::string SettingsFormPage(const SettingsPageInfo& page, const std::vector<PortalEntry>& list,
                             std::string_view action, std::string_view base) {
    std::string html = Utf8PageHead(page.title, kSettingsStyle);
    html += "<form method=\"post\" action=\"" + XmlEscape(action) + "\">\n<h3>" +
            std::string(page.title) + "</h3>\n";
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string link = XmlEscape(ExpandLink(list[i].link, base));
        html += "<div class=\"entry\"><label><input type=\"checkbox\" name=\"del\" value=\"" +
                std::to_string(i) + "\">" + XmlEscape(list[i].title) +
                "</label><div class=\"link\" title=\"" + link + "\">" + link + "</div></div>\n";
    }
    html +=
        "<p>勾选的项目将被删除。</p>\n"
        "<p>新增名称：<input type=\"text\" name=\"title\"></p>\n"
        "<p>新增地址：<input type=\"text\" name=\"link\" value=\"http://\"></p>\n";
    html += "<p><input type=\"submit\" id=\"" + std::string(page.okId) + "\" name=\"" +
            std::string(page.okId) + "\" value=\"确定\"> <input type=\"submit\" id=\"" +
            std::string(page.cancelId) + "\" name=\"" + std::string(page.cancelId) +
            "\" value=\"取消\"></p>\n</form>\n";
    return html + std::string(kUtf8PageEnd);
}

std::string SettingsResultPage(const SettingsPageInfo& page, bool saved,
                               const std::vector<PortalEntry>& list, std::string_view base) {
    std::string html = Utf8PageHead(page.title, kSettingsStyle);
    html += std::string("<h3>") + (saved ? "设置已保存" : "未作修改") + "</h3>\n<ul>\n";
    for (const PortalEntry& e : list) {
        html +=
            "<li>" + XmlEscape(e.title) + " — " + XmlEscape(ExpandLink(e.link, base)) + "</li>\n";
    }
    return html + "</ul>\n" + std::string(kUtf8PageEnd);
}

std::string SettingsRefusedPage() {
    return Utf8PageHead("用户验证失败") + "<p>用户名或密码不正确，无法修改设置。</p>\n" +
           std::string(kUtf8PageEnd);
}

std::string NewsPage(const NewsItem& item, const ReferenceData& refs) {
    const CodeName* category = refs.FindPublic(item.category);
    const CodeName* site = refs.FindWebsite(std::to_string(item.website));
    GbkPage page(ToUtf8(item.title));
    page.Text("<h2>").Gbk(XmlEscape(item.title)).Text("</h2>\n");
    page.Text("<p>时间：").Gbk(item.time);
    page.Text("　来源：" + (site ? site->name : std::string("演示服务器")));
    page.Text("　类别：" + (category ? category->name : item.category) + "</p>\n");
    if (!item.region.empty())
        page.Text("<p>地区：" + CodeNames(item.region, refs, &ReferenceData::FindRegion) +
                  "</p>\n");
    if (!item.trade.empty())
        page.Text("<p>行业：" + CodeNames(item.trade, refs, &ReferenceData::FindTrade) + "</p>\n");
    if (!item.relstocks.empty()) {
        page.Text("<p>相关股票：");
        for (const std::string& code : SplitNonEmpty(item.relstocks, '|')) {
            const StockRow* stock = refs.FindStock(code);
            page.Text("<a href=\"/stock/" + code + ".html\">" + (stock ? stock->name : code) +
                      "</a> ");
        }
        page.Text("</p>\n");
    }
    std::string body = XmlEscape(item.content);
    for (std::size_t at = 0; (at = body.find("\r\n", at)) != std::string::npos;) {
        body.replace(at, 2, "<br>\n");
        at += 5;
    }
    page.Text("<p>").Gbk(body).Text("</p>\n");
    return page.Finish();
}

std::string StockPage(const StockRow& stock, const std::vector<NewsItem>& news,
                      const ReferenceData& refs) {
    const CodeName* trade = refs.FindTrade(stock.trade);
    GbkPage page(stock.name);
    page.Text("<h2>" + stock.name + "（" + stock.code + "）</h2>\n");
    page.Text("<p>简称：" + stock.aliases + "　行业：" + (trade ? trade->name : stock.trade) +
              "</p>\n<h3>相关新闻</h3>\n");
    NewsList(page, news);
    return page.Finish();
}

std::string SitePage(const CodeName& site, const std::vector<NewsItem>& news,
                     const ReferenceData& refs) {
    GbkPage page(site.name);
    page.Text("<h2>" + site.name + "</h2>\n<p>栏目：");
    std::string columns;
    for (const SitePair& p : refs.websiteNews) {
        if (p.site != site.code) continue;
        const CodeName* c = refs.FindPublic(p.category);
        if (!columns.empty()) columns += "、";
        columns += c ? c->name : p.category;
    }
    page.Text(columns + "</p>\n<h3>最新新闻</h3>\n");
    NewsList(page, news);
    return page.Finish();
}

std::string PlainPortalPage(std::string_view name) {
    return Utf8PageHead("演示页面") + "<h2>演示页面</h2>\n<p>" + XmlEscape(name) +
           "</p>\n<p>这是演示门户中的一个示例页面。</p>\n" + std::string(kUtf8PageEnd);
}

std::string IndexPage(std::string_view base) {
    std::string b(base);
    std::string html = Utf8PageHead("Brevio演示门户");
    html +=
        "<h2>Brevio演示门户</h2>\n<ul>\n"
        "<li><a href=\"/ggfb.aspx\">用户登录</a></li>\n"
        "<li><a href=\"/getTree.aspx?userid=demo\">用户配置（demo）</a></li>\n"
        "<li><a href=\"/radar/1.html\">雷达页面一（每次变化）</a></li>\n"
        "<li><a href=\"/radar/2.html\">雷达页面二（从不变化）</a></li>\n"
        "<li><a href=\"/radar/3.html\">雷达页面三（时有时无）</a></li>\n"
        "</ul>\n<p>门户地址：" +
        XmlEscape(b) + "</p>\n";
    return html + std::string(kUtf8PageEnd);
}

std::string RadarPageChanging(int fetch, std::string_view headline) {
    GbkPage page("行情快报");
    page.Text("<h2>行情快报</h2>\n");
    page.Text("<p>本页每次被抓取时，下面的一行都会改变。</p>\n");
    page.Text("<p>第" + std::to_string(fetch) + "次抓取，最新消息：")
        .Gbk(XmlEscape(headline))
        .Text("</p>\n");
    page.Text("<p>本页由演示服务器生成。</p>\n");
    return page.Finish();
}

std::string RadarPageStatic(const ReferenceData& refs) {
    GbkPage page("机构名录");
    page.Text("<h2>机构名录</h2>\n<p>本页内容从不改变。</p>\n<ul>\n");
    for (const CodeName& site : refs.websites) page.Text("<li>" + site.name + "</li>\n");
    page.Text("</ul>\n");
    return page.Finish();
}

std::string RadarPageSometimes(int appearance) {
    GbkPage page("临时公告栏");
    page.Text("<h2>临时公告栏</h2>\n");
    page.Text("<p>本页隔一次抓取才出现一次，其余时候不存在。</p>\n");
    page.Text("<p>这是本页第" + std::to_string(appearance) + "次出现。</p>\n");
    return page.Finish();
}

}  // namespace brevio::demo
