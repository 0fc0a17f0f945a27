#include "nsp_protocol.h"

#include <array>

#include "log.h"
#include "text_util.h"

namespace brevio::demo {
namespace {

constexpr char kRecordEnd[] = "\x80\x80";

// Status lines. The code is what the client acts on; the text after the comma is shown to
// the user as it is, so it is written in the user's language (and sent as GBK).
constexpr std::string_view kOk = "200,OK";
constexpr std::string_view kNoNews = "201,没有新的新闻";
constexpr std::string_view kNoUpdate = "201,暂无更新";
constexpr std::string_view kSiteAccepted = "200,递交成功,谢谢!";
constexpr std::string_view kBadRequest = "400,请求格式错误";
constexpr std::string_view kBadProtocol = "400,不支持的协议版本";
constexpr std::string_view kUnknownCommand = "400,未知的命令";
constexpr std::string_view kBadClassify = "400,CLASSIFY格式错误";
constexpr std::string_view kSiteIncomplete = "400,网站名称和网址不能为空";
constexpr std::string_view kUnauthorized = "401,用户验证失败";
constexpr std::string_view kUnknownCategory = "404,未知的新闻类别";
constexpr std::string_view kUnknownList = "404,未知的列表类型";
constexpr std::string_view kUnsupported = "501,演示服务器不支持该命令";
constexpr std::string_view kBusy = "503,服务器忙,请稍后再试";

NspReply StatusOnly(std::string_view status) {
    std::string code(status.substr(0, status.find(',')));
    return {ToGbk(status) + "\r\n", code};
}

std::string HeaderOr(const NspRequest& r, std::string_view name) {
    const std::string* v = r.Header(name);
    return v ? *v : std::string();
}

}  // namespace

NspCommand CommandFromName(std::string_view name) {
    static constexpr std::array<std::pair<std::string_view, NspCommand>, 11> kNames{{
        {"TRANSFER_NEWS", NspCommand::kTransferNews},
        {"UPDATE_CATEGORY", NspCommand::kUpdateCategory},
        {"REGISTER_USER", NspCommand::kRegisterUser},
        {"ADDSITE", NspCommand::kAddSite},
        {"REG_DISTRIBUTOR", NspCommand::kRegDistributor},
        {"LOOKUP_INFO", NspCommand::kLookupInfo},
        {"SEARCH_USER", NspCommand::kSearchUser},
        {"INVITE", NspCommand::kInvite},
        {"DETECT", NspCommand::kDetect},
        {"DISTRIBUTE_INFO", NspCommand::kDistributeInfo},
        {"DISTRIBUTE_RIGHT", NspCommand::kDistributeRight},
    }};
    for (const auto& [n, code] : kNames) {
        if (EqualsIgnoreCase(n, name)) return code;
    }
    return NspCommand::kUnknown;
}

const std::string* NspRequest::Header(std::string_view name) const {
    for (const auto& [n, v] : headers) {
        if (EqualsIgnoreCase(n, name)) return &v;
    }
    return nullptr;
}

bool ParseRequestHead(std::string_view head, NspRequest& out) {
    out = NspRequest{};
    bool first = true;
    while (!head.empty()) {
        std::size_t end = head.find('\n');
        std::string_view line = head.substr(0, end);
        head = end == std::string_view::npos ? std::string_view() : head.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (first) {
            std::size_t blank = line.find(' ');
            if (blank == 0 || blank == std::string_view::npos) return false;
            out.command = std::string(line.substr(0, blank));
            out.protocol = std::string(TrimSpace(line.substr(blank + 1)));
            first = false;
            continue;
        }
        if (line.empty()) continue;
        std::size_t colon = line.find(':');
        if (colon == 0 || colon == std::string_view::npos) return false;
        out.headers.emplace_back(std::string(line.substr(0, colon)),
                                 std::string(line.substr(colon + 1)));
    }
    return !first;
}

NspReply NspService::Malformed() {
    return StatusOnly(kBadRequest);
}

NspReply NspService::Busy() {
    return StatusOnly(kBusy);
}

NspReply NspService::Handle(const NspRequest& request) const {
    if (request.protocol != kProtocolTag) return StatusOnly(kBadProtocol);
    NspCommand command = CommandFromName(request.command);
    if (command == NspCommand::kUnknown) return StatusOnly(kUnknownCommand);

    const User* user = users_.Find(HeaderOr(request, "USERID"));
    if (!user || !UserTable::AuthorizationMatches(*user, HeaderOr(request, "AUTHORIZATION")))
        return StatusOnly(kUnauthorized);

    switch (command) {
        case NspCommand::kTransferNews:
            return TransferNews(request);
        case NspCommand::kUpdateCategory:
            return UpdateCategory(request);
        case NspCommand::kAddSite:
            return AddSite(request);
        default:
            return StatusOnly(kUnsupported);
    }
}

std::string NspService::Record(const NewsItem& item, std::string_view category) {
    std::string r;
    r.reserve(item.content.size() + item.title.size() + 256);
    r += "ID:" + std::to_string(item.id) + "\n";
    r += "TITLE:" + item.title + "\n";
    r += "URL:" + item.url + "\n";
    r += "CATEGORY:" + std::string(category) + "\n";
    r += "WEBSITE:" + std::to_string(item.website) + "\n";
    r += "REGION:" + item.region + "\n";
    r += "TRADE:" + item.trade + "\n";
    r += "TIME:" + item.time + "\n";
    r += "RELSTOCKS:" + item.relstocks + "\n";
    r += "CONTENT:" + item.content + kRecordEnd;
    return r;
}

NspReply NspService::TransferNews(const NspRequest& request) const {
    // CLASSIFY: "<category>,<highest id received>|"
    std::string classify = HeaderOr(request, "CLASSIFY");
    std::size_t comma = classify.find(',');
    if (comma == std::string::npos) return StatusOnly(kBadClassify);
    std::string_view idText = std::string_view(classify).substr(comma + 1);
    idText = TrimSpace(idText.substr(0, idText.find('|')));
    auto afterId = ParseDecimal(idText);
    if (!afterId) return StatusOnly(kBadClassify);

    NewsSelection sel;
    sel.code = std::string(TrimSpace(std::string_view(classify).substr(0, comma)));
    sel.group = refs_.GroupOf(sel.code);
    // The client keys its regional subscriptions "R" + the region code.
    if (sel.group == Group::kNone && sel.code.size() > 1 && sel.code[0] == 'R' &&
        refs_.GroupOf(std::string_view(sel.code).substr(1)) == Group::kRegion) {
        sel.code.erase(0, 1);
        sel.group = Group::kRegion;
    }
    if (sel.group == Group::kNone) return StatusOnly(kUnknownCategory);
    sel.afterId = *afterId;
    for (const std::string& site : SplitNonEmpty(HeaderOr(request, "WEBSITES"), '|')) {
        if (auto id = ParseDecimal(site)) sel.websites.insert(static_cast<int>(*id));
    }
    sel.keywords = SplitNonEmpty(HeaderOr(request, "KEYWORDS"), '|');
    if (auto range = ParseDecimal(TrimSpace(HeaderOr(request, "KEYRANGE"))))
        sel.keyRange = static_cast<int>(*range);

    std::vector<NewsItem> items = pool_.Select(sel);
    if (items.empty()) return StatusOnly(kNoNews);
    NspReply reply;
    reply.bytes = std::string(kOk) + "\r\n";
    for (const NewsItem& item : items)
        reply.bytes += Record(item, sel.group == Group::kTrade ? sel.code : item.category);
    reply.summary = "200 (" + std::to_string(items.size()) + " records, ids " +
                    std::to_string(items.front().id) + "-" + std::to_string(items.back().id) + ")";
    return reply;
}

NspReply NspService::UpdateCategory(const NspRequest& request) const {
    const std::string type = HeaderOr(request, "TYPE");
    std::string file;
    std::vector<std::string> records;
    auto codeList = [&](const std::vector<CodeName>& list) {
        for (const CodeName& e : list)
            records.push_back("ID:" + e.code + "\nNAME:" + ToGbk(e.name) + "\n");
    };
    if (EqualsIgnoreCase(type, "Kind")) {
        file = "NewsKind.tab";
        codeList(refs_.kinds);
    } else if (EqualsIgnoreCase(type, "Classify")) {
        file = "NewsClassify.tab";
        codeList(refs_.classify);
    } else if (EqualsIgnoreCase(type, "trade")) {
        file = "Trade.tab";
        codeList(refs_.trades);
    } else if (EqualsIgnoreCase(type, "region")) {
        file = "Region.tab";
        codeList(refs_.regions);
    } else if (EqualsIgnoreCase(type, "websites")) {
        file = "websites.tab";
        codeList(refs_.websites);
    } else if (EqualsIgnoreCase(type, "stock")) {
        file = "stocktbl.tab";
        for (const StockRow& s : refs_.stocks) {
            records.push_back("ID:" + s.code + "\nNAME:" + ToGbk(s.name) +
                              "\nALIAS:" + ToGbk(s.aliases) + "\nTRADE:" + s.trade + "\n");
        }
    } else if (EqualsIgnoreCase(type, "catwebsites")) {
        const std::string cat = HeaderOr(request, "CAT");
        const std::vector<SitePair>* pairs = nullptr;
        if (EqualsIgnoreCase(cat, "classify")) {
            file = "WebsiteNews.tab";
            pairs = &refs_.websiteNews;
        } else if (EqualsIgnoreCase(cat, "trade")) {
            file = "WebsiteTrade.tab";
            pairs = &refs_.websiteTrade;
        } else if (EqualsIgnoreCase(cat, "region")) {
            file = "WebsiteRegion.tab";
            pairs = &refs_.websiteRegion;
        } else {
            return StatusOnly(kUnknownList);
        }
        const std::string* catId = request.Header("CATID");
        for (const SitePair& p : *pairs) {
            if (catId && !catId->empty() && p.category != *catId) continue;
            records.push_back("WEBSITEID:" + p.site + "\nCATID:" + p.category + "\n");
        }
    } else {
        return StatusOnly(kUnknownList);
    }

    // A client that refreshed after the table last changed has it already.
    if (auto since = ParseLocalTime(HeaderOr(request, "LASTUPDATE"))) {
        if (*since >= refs_.Modified(file)) return StatusOnly(kNoUpdate);
    }
    if (records.empty()) return StatusOnly(kNoUpdate);
    NspReply reply;
    reply.bytes = std::string(kOk) + "\r\n";
    for (const std::string& r : records) reply.bytes += r + kRecordEnd;
    reply.summary = "200 (" + std::to_string(records.size()) + " records of " + file + ")";
    return reply;
}

NspReply NspService::AddSite(const NspRequest& request) const {
    const std::string name = HeaderOr(request, "NAME");
    const std::string url = HeaderOr(request, "URL");
    if (TrimSpace(name).empty() || TrimSpace(url).empty()) return StatusOnly(kSiteIncomplete);
    LogLine("nsp: site proposal from " + ToUtf8(HeaderOr(request, "USERID")) + ": name \"" +
            ToUtf8(name) + "\", url \"" + ToUtf8(url) + "\", category \"" +
            ToUtf8(HeaderOr(request, "CATEGORY")) + "\", trade \"" +
            ToUtf8(HeaderOr(request, "TRADE")) + "\", region \"" +
            ToUtf8(HeaderOr(request, "REGION")) + "\", description \"" + ToUtf8(request.body) +
            "\"");
    return StatusOnly(kSiteAccepted);
}

}  // namespace brevio::demo
