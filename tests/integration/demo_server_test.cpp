// The demo news server and portal as the client meets them: the real server program runs on
// free loopback ports and is spoken to over plain sockets, NSP/0.2 and HTTP byte for byte.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <iconv.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <tinyxml2.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "integration/demo_process.h"
#include "platform/md5.h"
#include "platform/text.h"

namespace {

using brevio::test::DemoServer;

using brevio::platform::Format;
using brevio::platform::Md5Hex;
using brevio::platform::Utf8ToGbk;

const std::string kDataDir = BREVIO_DEMO_DATA;
const std::string kTerminator = "\x80\x80";

// ---------------------------------------------------------------------------------------
// Sockets.

int Connect(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Everything the peer sends until it closes (or ten seconds pass without a byte).
std::string ReadToClose(int fd) {
    std::string reply;
    char buf[4096];
    while (true) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 10000) != 1) break;
        ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) break;
        reply.append(buf, static_cast<std::size_t>(n));
    }
    return reply;
}

std::string Exchange(int port, const std::string& request) {
    int fd = Connect(port);
    if (fd < 0) return std::string();
    ssize_t sent = send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string reply = sent == static_cast<ssize_t>(request.size()) ? ReadToClose(fd) : "";
    close(fd);
    return reply;
}

struct HttpReply {
    int status = 0;
    std::string head;
    std::string body;
};

HttpReply Http(int port, const std::string& method, const std::string& target,
               const std::string& extraHeaders = "Accept:   */*\r\n",
               const std::string& body = std::string()) {
    std::string request = method + " " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n" +
                          extraHeaders + "Connection: close\r\n";
    if (method == "POST") {
        request += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                   std::to_string(body.size()) + "\r\n";
    }
    std::string raw = Exchange(port, request + "\r\n" + body);
    HttpReply reply;
    std::size_t headEnd = raw.find("\r\n\r\n");
    if (headEnd == std::string::npos) return reply;
    reply.head = raw.substr(0, headEnd);
    reply.body = raw.substr(headEnd + 4);
    std::sscanf(reply.head.c_str(), "HTTP/%*s %d", &reply.status);
    return reply;
}

// ---------------------------------------------------------------------------------------
// NSP requests as the client writes them.

std::string Authorization(const std::string& password, unsigned long serial = 0x3A5C0F12) {
    return Md5Hex(Format("%8lX", serial)) + "\xFF" + Md5Hex(password);
}

struct NewsQuery {
    std::string category;
    long long maxId = 0;
    std::string websites;
    std::string keywords;
    int keyRange = 0;
    std::string user = "demo";
    std::string authorization = Authorization("demo123");
};

NewsQuery Query(std::string category, long long maxId = 0, std::string websites = "",
                std::string keywords = "", int keyRange = 0) {
    NewsQuery q;
    q.category = std::move(category);
    q.maxId = maxId;
    q.websites = std::move(websites);
    q.keywords = std::move(keywords);
    q.keyRange = keyRange;
    return q;
}

std::string NewsRequest(const NewsQuery& q) {
    return "TRANSFER_NEWS NSP/0.2\r\nAUTHORIZATION:" + q.authorization + "\r\nUSERID:" + q.user +
           "\r\nCLASSIFY:" + q.category + "," + std::to_string(q.maxId) +
           "|\r\nWEBSITES:" + q.websites + "\r\nKEYWORDS:" + q.keywords +
           "\r\nKEYRANGE:" + std::to_string(q.keyRange) + "\r\nPRODUCTID:9-QRTL4.0\r\n\r\n";
}

std::string ListRequest(const std::string& type, const std::string& extra = "",
                        const std::string& lastUpdate = "2001-8-13 0:0:0") {
    return "UPDATE_CATEGORY NSP/0.2\r\nAUTHORIZATION:" + Authorization("demo123") +
           "\r\nUSERID:demo\r\nTYPE:" + type + "\r\nLASTUPDATE:" + lastUpdate + "\r\n" + extra +
           "\r\n";
}

int StatusCode(const std::string& reply) {
    int code = -1;
    return std::sscanf(reply.c_str(), "%d,", &code) == 1 ? code : -1;
}

std::string FirstLine(const std::string& reply) {
    return reply.substr(0, reply.find("\r\n"));
}

// A key's value in a record, found the way the client finds it: first occurrence anywhere,
// up to the next LF; CONTENT runs up to the terminator.
std::string Field(const std::string& record, const std::string& key) {
    std::size_t at = record.find(key + ":");
    if (at == std::string::npos) return std::string();
    at += key.size() + 1;
    std::size_t end = record.find(key == "CONTENT" ? kTerminator : "\n", at);
    return end == std::string::npos ? std::string() : record.substr(at, end - at);
}

struct NewsRecord {
    long long id = 0;
    std::string text;  // the whole record with its terminator
    std::string title, category, region, trade, time, relstocks, content;
    int website = -1;
};

// The records of a 200 reply; each must end with the terminator and nothing may follow the
// last one.
std::vector<NewsRecord> Records(const std::string& reply) {
    std::vector<NewsRecord> records;
    std::size_t start = reply.find("\r\n");
    EXPECT_NE(start, std::string::npos);
    start += 2;
    while (start < reply.size()) {
        std::size_t end = reply.find(kTerminator, start);
        EXPECT_NE(end, std::string::npos) << "bytes after the last record";
        if (end == std::string::npos) break;
        NewsRecord r;
        r.text = reply.substr(start, end + 2 - start);
        r.id = std::atoll(Field(r.text, "ID").c_str());
        r.title = Field(r.text, "TITLE");
        r.category = Field(r.text, "CATEGORY");
        r.website = std::atoi(Field(r.text, "WEBSITE").c_str());
        r.region = Field(r.text, "REGION");
        r.trade = Field(r.text, "TRADE");
        r.time = Field(r.text, "TIME");
        r.relstocks = Field(r.text, "RELSTOCKS");
        r.content = Field(r.text, "CONTENT");
        records.push_back(std::move(r));
        start = end + 2;
    }
    return records;
}

// Records of a reference-list reply: the body cut at runs of 0x80.
std::vector<std::string> ListRecords(const std::string& reply) {
    std::vector<std::string> records;
    std::size_t at = reply.find("\r\n");
    if (at == std::string::npos) return records;
    at += 2;
    while (at < reply.size()) {
        std::size_t end = reply.find('\x80', at);
        if (end == std::string::npos) end = reply.size();
        if (end > at) records.push_back(reply.substr(at, end - at));
        at = end;
        while (at < reply.size() && reply[at] == '\x80') ++at;
    }
    return records;
}

// ---------------------------------------------------------------------------------------
// Text checks.

bool Converts(const std::string& text, const char* from, const char* to) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string in = text;
    char* src = in.data();
    size_t left = in.size();
    std::string out(in.size() * 4 + 16, '\0');
    char* dst = out.data();
    size_t room = out.size();
    size_t rc = iconv(cd, &src, &left, &dst, &room);
    iconv_close(cd);
    return rc != static_cast<size_t>(-1) && left == 0;
}

bool IsGbk(const std::string& text) {
    return Converts(text, "GBK", "UTF-8");
}

bool IsUtf8(const std::string& text) {
    return Converts(text, "UTF-8", "UTF-16LE");
}

// The first two double-byte characters in a row at or after byte `from` of a GBK text.
std::string TwoCharacters(const std::string& text, std::size_t from) {
    for (std::size_t i = 0; i < text.size();) {
        const bool wide = static_cast<unsigned char>(text[i]) >= 0x81;
        if (i >= from && wide && i + 4 <= text.size() &&
            static_cast<unsigned char>(text[i + 2]) >= 0x81)
            return text.substr(i, 4);
        i += wide ? 2 : 1;
    }
    return std::string();
}

// Occurrence of `needle` at a character boundary of the GBK text `hay`.
bool GbkHas(const std::string& hay, const std::string& needle) {
    for (std::size_t i = 0; i + needle.size() <= hay.size();) {
        if (hay.compare(i, needle.size(), needle) == 0) return true;
        i += static_cast<unsigned char>(hay[i]) >= 0x81 ? 2 : 1;
    }
    return false;
}

std::vector<std::string> Parts(const std::string& list) {
    std::vector<std::string> parts;
    std::size_t start = 0, bar;
    while ((bar = list.find('|', start)) != std::string::npos) {
        parts.push_back(list.substr(start, bar - start));
        start = bar + 1;
    }
    EXPECT_EQ(start, list.size()) << "every code is followed by '|': " << list;
    return parts;
}

template <typename T>
bool Contains(const std::vector<T>& list, const T& value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

// Time text "yyyy-m-d h:m:s" without leading zeros.
bool IsServerTime(const std::string& t) {
    int y, mo, d, h, mi, s;
    char tail;
    if (std::sscanf(t.c_str(), "%d-%d-%d %d:%d:%d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6)
        return false;
    return t == Format("%d-%d-%d %d:%d:%d", y, mo, d, h, mi, s) && mo >= 1 && mo <= 12 && d >= 1 &&
           d <= 31 && h < 24 && mi < 60 && s < 61;
}

// ---------------------------------------------------------------------------------------
// The sample data, read independently of the server (UTF-8 files; names turned to GBK).

std::vector<std::vector<std::string>> Table(const std::string& file) {
    std::ifstream in(kDataDir + "/" + file);
    std::vector<std::vector<std::string>> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> fields;
        std::size_t start = 0, tab;
        do {
            tab = line.find('\t', start);
            std::string f = line.substr(start, tab == std::string::npos ? tab : tab - start);
            f.erase(std::remove(f.begin(), f.end(), '"'), f.end());
            fields.push_back(Utf8ToGbk(f));
            start = tab + 1;
        } while (tab != std::string::npos);
        rows.push_back(fields);
    }
    return rows;
}

std::set<std::string> Codes(const std::string& file) {
    std::set<std::string> codes;
    for (const auto& row : Table(file)) codes.insert(row[0]);
    return codes;
}

// ---------------------------------------------------------------------------------------
// One server for the suite, and every public category's full answer from it.

class DemoServerTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        server_ = new DemoServer;
        ASSERT_TRUE(server_->Start({"--seed", "11", "--items", "300"}));
        all_ = new std::map<std::string, std::vector<NewsRecord>>;
        for (const std::string& code : Codes("NewsClassify.tab")) {
            std::string reply = Exchange(server_->NspPort(), NewsRequest(Query(code)));
            ASSERT_TRUE(StatusCode(reply) == 200 || StatusCode(reply) == 201) << FirstLine(reply);
            (*all_)[code] = StatusCode(reply) == 200 ? Records(reply) : std::vector<NewsRecord>{};
        }
    }
    static void TearDownTestSuite() {
        delete all_;
        EXPECT_EQ(server_->Stop(), 0) << "SIGTERM stops the server cleanly";
        delete server_;
    }

    static int Nsp() { return server_->NspPort(); }
    static int Port() { return server_->HttpPort(); }
    static std::vector<NewsRecord> Receive(const NewsQuery& q) {
        std::string reply = Exchange(Nsp(), NewsRequest(q));
        EXPECT_EQ(StatusCode(reply), 200) << FirstLine(reply);
        return StatusCode(reply) == 200 ? Records(reply) : std::vector<NewsRecord>{};
    }
    // Every item the server holds, from the public categories, by id.
    static std::map<long long, const NewsRecord*> AllById() {
        std::map<long long, const NewsRecord*> byId;
        for (const auto& [code, records] : *all_) {
            for (const NewsRecord& r : records) byId[r.id] = &r;
        }
        return byId;
    }
    static std::vector<long long> Ids(const std::vector<NewsRecord>& records) {
        std::vector<long long> ids;
        for (const auto& r : records) ids.push_back(r.id);
        return ids;
    }

    static DemoServer* server_;
    static std::map<std::string, std::vector<NewsRecord>>* all_;
};

DemoServer* DemoServerTest::server_ = nullptr;
std::map<std::string, std::vector<NewsRecord>>* DemoServerTest::all_ = nullptr;

// ---------------------------------------------------------------------------------------
// News reception.

TEST_F(DemoServerTest, FirstRequestDeliversWellFormedRecordsOfTheCategory) {
    const auto websites = Codes("websites.tab");
    const auto regions = Codes("Region.tab");
    const auto trades = Codes("Trade.tab");
    const auto stocks = Codes("stocktbl.tab");
    std::set<long long> seen;
    int total = 0, longTitles = 0, regionLists = 0, tradeLists = 0, withStocks = 0;
    for (const auto& [code, records] : *all_) {
        long long previous = 0;
        for (const NewsRecord& r : records) {
            SCOPED_TRACE(code + " record " + std::to_string(r.id));
            ++total;
            EXPECT_TRUE(IsGbk(r.text.substr(0, r.text.size() - 2)));
            EXPECT_EQ(r.category, code);
            EXPECT_GT(r.id, previous) << "ids rise within a reply";
            previous = r.id;
            EXPECT_TRUE(seen.insert(r.id).second) << "an item lives in one public category";
            EXPECT_TRUE(IsServerTime(r.time)) << r.time;
            EXPECT_FALSE(r.title.empty());
            EXPECT_FALSE(r.content.empty());
            EXPECT_LE(r.content.size(), 5999u);
            EXPECT_EQ(Field(r.text, "URL"),
                      Format("http://127.0.0.1:%d/news/%lld.html", Port(), r.id));
            if (code != "40005") {
                EXPECT_TRUE(websites.count(std::to_string(r.website)));
            }
            for (const auto& c : Parts(r.region)) EXPECT_TRUE(regions.count(c)) << c;
            for (const auto& c : Parts(r.trade)) EXPECT_TRUE(trades.count(c)) << c;
            for (const auto& c : Parts(r.relstocks)) EXPECT_TRUE(stocks.count(c)) << c;
            longTitles += r.title.size() > 201;
            regionLists += Parts(r.region).size() >= 2;
            tradeLists += Parts(r.trade).size() >= 2;
            withStocks += !r.relstocks.empty();
        }
    }
    EXPECT_EQ(total, 301) << "300 items and the bulletin";
    EXPECT_GT(longTitles, 0);
    EXPECT_GT(regionLists, 0);
    EXPECT_GT(tradeLists, 0);
    EXPECT_GT(withStocks, 0);
    ASSERT_EQ(all_->at("40005").size(), 1u) << "exactly one bulletin";
}

TEST_F(DemoServerTest, LastIdLimitsTheReplyToLaterItems) {
    const auto& full = all_->at("13001");
    ASSERT_GE(full.size(), 4u);
    std::string reply = Exchange(Nsp(), NewsRequest(Query("13001", full.back().id)));
    EXPECT_EQ(StatusCode(reply), 201);
    EXPECT_EQ(reply.find(kTerminator), std::string::npos);

    const std::size_t half = full.size() / 2;
    auto later = Receive(Query("13001", full[half - 1].id));
    std::vector<long long> expected;
    for (std::size_t i = half; i < full.size(); ++i) expected.push_back(full[i].id);
    EXPECT_EQ(Ids(later), expected);
    // Between two ids counts as well as an id of the reply itself.
    EXPECT_EQ(Ids(Receive(Query("13001", full[half].id - 1))).front(), full[half].id);
}

TEST_F(DemoServerTest, TradeAndRegionSubscriptionsCollectMatchingItems) {
    const auto byId = AllById();
    for (const char* trade : {"05", "01"}) {
        SCOPED_TRACE(std::string("trade ") + trade);
        auto records = Receive(Query(trade));
        std::vector<long long> expected;
        for (const auto& [id, r] : byId) {
            if (Contains(Parts(r->trade), std::string(trade))) expected.push_back(id);
        }
        EXPECT_EQ(Ids(records), expected);
        for (const auto& r : records) {
            EXPECT_EQ(r.category, trade) << "a trade reply names the trade as category";
            EXPECT_EQ(r.title, byId.at(r.id)->title);
        }
    }
    for (const char* region : {"110", "440"}) {
        SCOPED_TRACE(std::string("region ") + region);
        auto records = Receive(Query(region));
        std::vector<long long> expected;
        for (const auto& [id, r] : byId) {
            if (Contains(Parts(r->region), std::string(region))) expected.push_back(id);
        }
        EXPECT_EQ(Ids(records), expected);
        for (const auto& r : records) EXPECT_EQ(r.category, byId.at(r.id)->category);
    }
}

TEST_F(DemoServerTest, WebsitesNarrowTheReply) {
    for (const auto& [code, full] : *all_) {
        std::set<int> sites;
        for (const auto& r : full) sites.insert(r.website);
        if (sites.size() < 3) continue;
        const int a = *sites.begin(), b = *std::next(sites.begin());
        auto records = Receive(Query(code, 0, Format("%d|%d|", a, b)));
        std::vector<long long> expected;
        for (const auto& r : full) {
            if (r.website == a || r.website == b) expected.push_back(r.id);
        }
        EXPECT_EQ(Ids(records), expected) << code;
        EXPECT_LT(records.size(), full.size());
        return;
    }
    FAIL() << "no category with three web sites";
}

// Two characters from `from` of some item that the item's `other` text does not hold, and
// that item's id.
std::pair<std::string, long long> WordOnlyIn(const std::vector<NewsRecord>& records,
                                             std::string NewsRecord::*from,
                                             std::string NewsRecord::*other) {
    for (const NewsRecord& r : records) {
        const std::string& text = r.*from;
        for (std::size_t at = 0; at < text.size(); at += 2) {
            std::string word = TwoCharacters(text, at);
            if (word.size() == 4 && !GbkHas(r.*other, word)) return {word, r.id};
        }
    }
    return {std::string(), 0};
}

TEST_F(DemoServerTest, KeywordsMatchTitleOrContent) {
    const auto& full = all_->at("12004");
    ASSERT_GE(full.size(), 3u);
    const auto [inTitle, titleItem] = WordOnlyIn(full, &NewsRecord::title, &NewsRecord::content);
    const auto [inContent, contentItem] =
        WordOnlyIn(full, &NewsRecord::content, &NewsRecord::title);
    ASSERT_FALSE(inTitle.empty());
    ASSERT_FALSE(inContent.empty());
    struct Case {
        std::string keywords;
        int range;  // 0 title or content, 1 title only, 2 content only
        long long mustHave, mustLack;
    };
    for (const Case& c :
         {Case{inTitle + "|", 0, titleItem, 0},
          Case{inTitle + "|" + inContent + "|", 0, contentItem, 0},
          Case{inContent + "|", 1, 0, contentItem}, Case{inTitle + "|", 2, 0, titleItem},
          Case{inTitle + "|", 1, titleItem, 0}}) {
        SCOPED_TRACE("key range " + std::to_string(c.range));
        std::vector<long long> expected;
        for (const auto& r : full) {
            bool hit = false;
            for (const std::string& k : Parts(c.keywords)) {
                hit = hit || (c.range != 2 && GbkHas(r.title, k)) ||
                      (c.range != 1 && GbkHas(r.content, k));
            }
            if (hit) expected.push_back(r.id);
        }
        std::string reply =
            Exchange(Nsp(), NewsRequest(Query("12004", 0, "", c.keywords, c.range)));
        auto ids = StatusCode(reply) == 200 ? Ids(Records(reply)) : std::vector<long long>{};
        EXPECT_EQ(StatusCode(reply), expected.empty() ? 201 : 200);
        EXPECT_EQ(ids, expected);
        EXPECT_TRUE(!c.mustHave || Contains(ids, c.mustHave));
        EXPECT_FALSE(c.mustLack && Contains(ids, c.mustLack));
    }
    // The second half of one character and the first half of the next are no keyword.
    std::string straddling;
    for (const auto& r : full) {
        for (std::size_t i = 0; straddling.empty() && i + 4 <= r.content.size();) {
            const auto b = [&](std::size_t k) { return static_cast<unsigned char>(r.content[k]); };
            if (b(i) >= 0x81 && b(i + 2) >= 0x81 && b(i + 1) >= 0x81) {
                std::string candidate = r.content.substr(i + 1, 2);
                bool aligned = false;
                for (const auto& o : full)
                    aligned = aligned || GbkHas(o.title + o.content, candidate);
                if (!aligned) straddling = candidate;
            }
            i += b(i) >= 0x81 ? 2 : 1;
        }
    }
    ASSERT_FALSE(straddling.empty());
    EXPECT_EQ(StatusCode(Exchange(Nsp(), NewsRequest(Query("12004", 0, "", straddling + "|")))),
              201);
    EXPECT_EQ(StatusCode(Exchange(Nsp(), NewsRequest(Query("12004", 0, "", "鲸鱼|")))), 201)
        << "a keyword no item has";
}

TEST_F(DemoServerTest, BadRequestsGetErrorStatusLines) {
    for (const std::string& request :
         {NewsRequest(Query("99999")), NewsRequest(Query("7")),
          std::string("TRANSFER_NEWS NSP/0.2\r\nAUTHORIZATION:" + Authorization("demo123") +
                      "\r\nUSERID:demo\r\nCLASSIFY:10001|\r\n\r\n"),
          std::string("TRANSFER_NEWS NSP/0.1\r\nUSERID:demo\r\n\r\n"),
          std::string("SHOW_NEWS NSP/0.2\r\nUSERID:demo\r\n\r\n"),
          std::string("no request line\r\n\r\n")}) {
        std::string reply = Exchange(Nsp(), request);
        int code = StatusCode(reply);
        EXPECT_TRUE(code >= 400 && code < 600) << FirstLine(request) << " -> " << FirstLine(reply);
        EXPECT_EQ(reply.find(kTerminator), std::string::npos);
        EXPECT_LE(FirstLine(reply).size(), 127u);
        EXPECT_TRUE(IsGbk(reply));
    }
}

TEST_F(DemoServerTest, WrongAuthorizationIsRefused) {
    const std::string digest = Md5Hex("demo123");
    const std::string machine = Md5Hex(Format("%8lX", 0x1234UL));
    std::string upper = machine;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    for (const NewsQuery& q : {
             NewsQuery{"10001", 0, "", "", 0, "demo", Authorization("demo12")},
             NewsQuery{"10001", 0, "", "", 0, "demo", Authorization("")},
             NewsQuery{"10001", 0, "", "", 0, "demo", machine + digest},
             NewsQuery{"10001", 0, "", "", 0, "demo", machine + "|" + digest},
             NewsQuery{"10001", 0, "", "", 0, "demo", upper + "\xFF" + digest},
             NewsQuery{"10001", 0, "", "", 0, "nobody", Authorization("demo123")},
             NewsQuery{"10001", 0, "", "", 0, "test", Authorization("demo123")},
         }) {
        std::string reply = Exchange(Nsp(), NewsRequest(q));
        EXPECT_EQ(FirstLine(reply), "401,用户验证失败") << q.user << " " << q.authorization;
    }
    // Any machine works with the right password; another user with its own password too.
    NewsQuery other = Query("10001");
    other.user = "test";
    other.authorization = Authorization("test123", 0xFFFFFFFF);
    EXPECT_EQ(StatusCode(Exchange(Nsp(), NewsRequest(other))), 200);
    std::string list = "UPDATE_CATEGORY NSP/0.2\r\nAUTHORIZATION:" + Authorization("x") +
                       "\r\nUSERID:demo\r\nTYPE:trade\r\nLASTUPDATE:2001-8-13 0:0:0\r\n\r\n";
    EXPECT_EQ(StatusCode(Exchange(Nsp(), list)), 401);
}

TEST_F(DemoServerTest, ManyConnectionsAtOnceAreBoundedAndServedAgainLater) {
    std::vector<int> idle;
    for (int i = 0; i < 16; ++i) {
        int fd = Connect(Nsp());
        ASSERT_GE(fd, 0);
        idle.push_back(fd);
    }
    // The server takes the sixteen idle connections in its own time; once it holds them all,
    // one more is turned away.
    std::string busy;
    for (int i = 0; i < 50 && StatusCode(busy) != 503; ++i) {
        usleep(100 * 1000);
        busy = Exchange(Nsp(), NewsRequest(Query("10001")));
    }
    EXPECT_EQ(StatusCode(busy), 503) << FirstLine(busy);
    for (int fd : idle) close(fd);
    int code = 0;
    for (int i = 0; i < 40 && code != 200; ++i) {
        usleep(50 * 1000);
        code = StatusCode(Exchange(Nsp(), NewsRequest(Query("10001"))));
    }
    EXPECT_EQ(code, 200);
}

// ---------------------------------------------------------------------------------------
// Reference lists and site proposals.

TEST_F(DemoServerTest, CodeListsMatchTheTables) {
    struct List {
        const char* type;
        const char* file;
    };
    for (const List& l : {List{"Kind", "NewsKind.tab"}, List{"Classify", "NewsClassify.tab"},
                          List{"trade", "Trade.tab"}, List{"region", "Region.tab"},
                          List{"websites", "websites.tab"}}) {
        SCOPED_TRACE(l.type);
        std::string reply = Exchange(Nsp(), ListRequest(l.type));
        ASSERT_EQ(StatusCode(reply), 200);
        EXPECT_TRUE(IsGbk(reply.substr(0, reply.size() - 2)));
        auto records = ListRecords(reply);
        auto rows = Table(l.file);
        ASSERT_EQ(records.size(), rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(Field(records[i], "ID"), rows[i][0]);
            EXPECT_EQ(Field(records[i], "NAME"), rows[i][1]);
        }
    }
}

TEST_F(DemoServerTest, StockListCarriesNameAliasesAndTrade) {
    std::string reply = Exchange(Nsp(), ListRequest("stock"));
    ASSERT_EQ(StatusCode(reply), 200);
    auto records = ListRecords(reply);
    auto rows = Table("stocktbl.tab");
    ASSERT_EQ(records.size(), rows.size());
    ASSERT_GE(rows.size(), 40u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(Field(records[i], "ID"), rows[i][0]);
        EXPECT_EQ(Field(records[i], "NAME"), rows[i][1]);
        EXPECT_EQ(Field(records[i], "ALIAS"), rows[i][2]);
        EXPECT_EQ(Field(records[i], "TRADE"), rows[i][3]);
    }
}

TEST_F(DemoServerTest, SitesPerCategoryMatchTheSiteTables) {
    struct List {
        const char* cat;
        const char* file;
    };
    for (const List& l : {List{"classify", "WebsiteNews.tab"}, List{"trade", "WebsiteTrade.tab"},
                          List{"Region", "WebsiteRegion.tab"}}) {
        SCOPED_TRACE(l.cat);
        auto rows = Table(l.file);
        std::string reply =
            Exchange(Nsp(), ListRequest("CATWEBSITES", std::string("CAT:") + l.cat + "\r\n"));
        ASSERT_EQ(StatusCode(reply), 200);
        auto records = ListRecords(reply);
        ASSERT_EQ(records.size(), rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(Field(records[i], "WEBSITEID"), rows[i][0]);
            EXPECT_EQ(Field(records[i], "CATID"), rows[i][1]);
        }
        // With a category id only that category's sites come.
        const std::string one = rows.back()[1];
        auto some = ListRecords(Exchange(
            Nsp(),
            ListRequest("catwebsites", std::string("CAT:") + l.cat + "\r\nCATID:" + one + "\r\n")));
        std::size_t expected =
            std::count_if(rows.begin(), rows.end(), [&](const auto& row) { return row[1] == one; });
        EXPECT_EQ(some.size(), expected);
        for (const auto& r : some) EXPECT_EQ(Field(r, "CATID"), one);
    }
    EXPECT_GE(StatusCode(Exchange(Nsp(), ListRequest("catwebsites", "CAT:planets\r\n"))), 400);
}

TEST_F(DemoServerTest, ListRequestsAfterTheLastChangeGetNothingNew) {
    EXPECT_EQ(StatusCode(Exchange(Nsp(), ListRequest("trade", "", "2099-1-1 0:0:0"))), 201);
    EXPECT_EQ(StatusCode(Exchange(Nsp(), ListRequest("stock", "", "2001-8-13 0:0:0"))), 200);
    EXPECT_EQ(StatusCode(Exchange(Nsp(), ListRequest("planets"))), 404);
}

TEST_F(DemoServerTest, SiteProposalIsAcceptedWithItsBody) {
    auto proposal = [&](const std::string& name, const std::string& description) {
        return "ADDSITE NSP/0.2\r\nAUTHORIZATION:" + Authorization("demo123") +
               "\r\nUSERID:demo\r\nNAME:" + name + "\r\nURL:http://www.example.com/\r\n" +
               "CATEGORY:国内经济\r\nTRADE:钢铁\r\nREGION:北京\r\nCONTENT-LENGTH:" +
               std::to_string(description.size()) + "\r\n\r\n" + description;
    };
    std::string ok = Exchange(Nsp(), proposal("示例网", "一个示例网站"));
    EXPECT_EQ(ok.substr(0, 1), "2") << FirstLine(ok);
    std::string noName = Exchange(Nsp(), proposal("", "简介"));
    EXPECT_NE(noName.substr(0, 1), "2") << FirstLine(noName);
    // A body shorter than its CONTENT-LENGTH is not taken.
    std::string request = proposal("示例网", "简介");
    request.replace(request.find("CONTENT-LENGTH:4"), 16, "CONTENT-LENGTH:9");
    int fd = Connect(Nsp());
    ASSERT_GE(fd, 0);
    send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    shutdown(fd, SHUT_WR);
    std::string cut = ReadToClose(fd);
    close(fd);
    EXPECT_EQ(StatusCode(cut), 400) << FirstLine(cut);
}

// ---------------------------------------------------------------------------------------
// Portal.

std::string LoginBody(const std::string& user, const std::string& password) {
    return "__VIEWSTATE=dDwtMTA4MDU2NjU4Nzs7Pg==&Head1%3Auserid=&Head1%3Auserpw=&Head1%3Atxtkey="
           "&userid=" +
           user + "&userpw=" + password + "&Button1=%B5%C7%C2%BC";
}

TEST_F(DemoServerTest, LoginWithTheRightPasswordReturnsTheCategoryList) {
    const std::string marker = "###!!!###OK@@@";
    HttpReply reply = Http(Port(), "POST", "/ggfb.aspx", "", LoginBody("demo", "demo123"));
    ASSERT_EQ(reply.status, 200);
    EXPECT_TRUE(IsGbk(reply.body));
    std::size_t first = reply.body.find(marker);
    ASSERT_NE(first, std::string::npos);
    std::size_t second = reply.body.find(marker, first + marker.size());
    ASSERT_NE(second, std::string::npos);
    std::string list = reply.body.substr(first + marker.size(), second - first - marker.size());
    for (std::size_t at; (at = list.find("<br>")) != std::string::npos;)
        list.replace(at, 4, "\r\n");

    // The INI text the client writes: [n], CategoryID=, CategoryName= for every category.
    std::map<std::string, std::string> names;
    for (const char* file : {"NewsClassify.tab", "Trade.tab", "Region.tab"}) {
        for (const auto& row : Table(file)) names[row[0]] = row[1];
    }
    std::vector<std::string> subscribed;
    for (const auto& row : Table("users.tab")) {
        if (row[0] == "demo") {
            std::string cats = row[2] + ",";
            for (std::size_t s = 0, c; (c = cats.find(',', s)) != std::string::npos; s = c + 1)
                subscribed.push_back(cats.substr(s, c - s));
        }
    }
    ASSERT_FALSE(subscribed.empty());
    std::string expected;
    for (std::size_t i = 0; i < subscribed.size(); ++i) {
        const std::string& code = subscribed[i];
        long long value = std::atoll(code.c_str());
        if (code.size() == 2) value += 200;     // a trade
        if (code.size() == 3) value += 100000;  // a region
        expected += Format("[%zu]\r\nCategoryID=%lld\r\nCategoryName=%s\r\n", i, value,
                           names.at(code).c_str());
    }
    EXPECT_EQ(list, expected);
}

TEST_F(DemoServerTest, LoginWithAWrongPasswordCarriesNoMarker) {
    for (const std::string& body : {LoginBody("demo", "demo12"), LoginBody("nobody", "demo123"),
                                    LoginBody("guest", "guest"), std::string("userid=demo")}) {
        HttpReply reply = Http(Port(), "POST", "/ggfb.aspx", "", body);
        EXPECT_EQ(reply.status, 200);
        EXPECT_EQ(reply.body.find("###!!!###OK@@@"), std::string::npos) << body;
        EXPECT_TRUE(reply.body.find("用户名或密码不正确") != std::string::npos ||
                    reply.body.find("没有订阅新闻") != std::string::npos)
            << body;
    }
}

TEST_F(DemoServerTest, UserConfigurationDocumentParsesWithEverySection) {
    HttpReply reply = Http(Port(), "GET", "/getTree.aspx?userid=demo");
    ASSERT_EQ(reply.status, 200);
    EXPECT_TRUE(IsUtf8(reply.body));
    tinyxml2::XMLDocument doc;
    ASSERT_EQ(doc.Parse(reply.body.c_str(), reply.body.size()), tinyxml2::XML_SUCCESS);
    const tinyxml2::XMLElement* root = doc.FirstChildElement();
    ASSERT_NE(root, nullptr);
    auto items = [](const tinyxml2::XMLElement* section) {
        std::vector<std::pair<std::string, std::string>> out;
        for (auto* e = section ? section->FirstChildElement() : nullptr; e;
             e = e->NextSiblingElement()) {
            auto* t = e->FirstChildElement("tltie");
            auto* l = e->FirstChildElement("link");
            out.emplace_back(t && t->GetText() ? t->GetText() : "",
                             l && l->GetText() ? l->GetText() : "");
        }
        return out;
    };
    const tinyxml2::XMLElement* favourites = root->FirstChildElement("MyFavorites");
    ASSERT_NE(favourites, nullptr);
    const std::string base = Format("http://127.0.0.1:%d/", Port());
    for (const tinyxml2::XMLElement* section :
         {root->FirstChildElement("myRadar"), root->FirstChildElement("myNews"),
          root->FirstChildElement("myStock"), root->FirstChildElement("informationRelease"),
          favourites->FirstChildElement("MyWeb"), favourites->FirstChildElement("MyEmail"),
          favourites->FirstChildElement("MyBlog")}) {
        ASSERT_NE(section, nullptr);
        auto list = items(section);
        EXPECT_FALSE(list.empty()) << section->Name();
        for (const auto& [title, link] : list) {
            EXPECT_FALSE(title.empty());
            ASSERT_EQ(link.substr(0, base.size()), base) << link;
            // Every link leads to a page of the portal (a radar page may be away this time).
            HttpReply page = Http(Port(), "GET", link.substr(base.size() - 1));
            if (page.status == 404) page = Http(Port(), "GET", link.substr(base.size() - 1));
            EXPECT_EQ(page.status, 200) << link;
        }
    }
    auto radar = items(root->FirstChildElement("myRadar"));
    ASSERT_GE(radar.size(), 3u);
    EXPECT_EQ(radar[0].second, base + "radar/1.html");
    // The titles are the portal file's own, in UTF-8.
    auto rows = Table("portal.txt");
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(Utf8ToGbk(radar[0].first), rows[1][0]) << "after the [myRadar] line";
    EXPECT_EQ(Http(Port(), "GET", "/getTree.aspx?userid=nobody").status, 404);
}

TEST_F(DemoServerTest, SettingsPagesOfferTheirTwoButtonsAndChangeTheDocument) {
    struct Page {
        const char* path;
        const char* ok;
        const char* cancel;
    };
    const Page pages[] = {
        {"/radarSet1.aspx", "Button2", "Button3"},  {"/myNewsSet.aspx", "Button1", "Button2"},
        {"/stockSet.aspx", "Button2", "Button3"},   {"/myweb.aspx", "DeleteButton", "cancel"},
        {"/myBLOG.aspx", "DeleteButton", "cancel"}, {"/myemail.aspx", "DeleteButton", "cancel"}};
    for (const Page& p : pages) {
        SCOPED_TRACE(p.path);
        HttpReply form = Http(Port(), "GET", std::string(p.path) + "?userid=demo&userpw=demo123");
        ASSERT_EQ(form.status, 200);
        EXPECT_NE(form.body.find(std::string("id=\"") + p.ok + "\""), std::string::npos);
        EXPECT_NE(form.body.find(std::string("id=\"") + p.cancel + "\""), std::string::npos);
        HttpReply refused = Http(Port(), "GET", std::string(p.path) + "?userid=demo&userpw=no");
        EXPECT_EQ(refused.body.find(std::string("id=\"") + p.ok + "\""), std::string::npos);
    }
    // The second user's web sites: cancel keeps them, the first button deletes and adds.
    const std::string path = "/myweb.aspx?userid=test&userpw=test123";
    auto webSites = [&] {
        std::string xml = Http(Port(), "GET", "/getTree.aspx?userid=test").body;
        tinyxml2::XMLDocument doc;
        doc.Parse(xml.c_str(), xml.size());
        std::vector<std::string> titles;
        auto* web =
            doc.FirstChildElement()->FirstChildElement("MyFavorites")->FirstChildElement("MyWeb");
        for (auto* e = web->FirstChildElement(); e; e = e->NextSiblingElement())
            titles.push_back(e->FirstChildElement("tltie")->GetText());
        return titles;
    };
    const auto before = webSites();
    ASSERT_GE(before.size(), 2u);
    Http(Port(), "POST", path, "", "del=0&title=New+Site&link=http%3A%2F%2Fx.example%2F&cancel=x");
    EXPECT_EQ(webSites(), before);
    HttpReply saved = Http(Port(), "POST", path, "",
                           "del=0&title=New+Site&link=http%3A%2F%2Fx.example%2F&DeleteButton=x");
    EXPECT_EQ(saved.status, 200);
    std::vector<std::string> expected(before.begin() + 1, before.end());
    expected.push_back("New Site");
    EXPECT_EQ(webSites(), expected);
    // Another user's document is not touched.
    EXPECT_NE(Http(Port(), "GET", "/getTree.aspx?userid=demo").body.find(before[0]),
              std::string::npos);
}

TEST_F(DemoServerTest, RadarPagesChangeAsDocumented) {
    auto lines = [](const std::string& text) {
        std::vector<std::string> out;
        std::size_t start = 0, end;
        while ((end = text.find('\n', start)) != std::string::npos) {
            out.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        return out;
    };
    HttpReply a = Http(Port(), "GET", "/radar/1.html");
    HttpReply b = Http(Port(), "GET", "/radar/1.html");
    ASSERT_EQ(a.status, 200);
    ASSERT_EQ(b.status, 200);
    EXPECT_TRUE(IsGbk(a.body));
    auto la = lines(a.body), lb = lines(b.body);
    ASSERT_EQ(la.size(), lb.size());
    int changed = 0;
    for (std::size_t i = 0; i < la.size(); ++i) changed += la[i] != lb[i];
    EXPECT_EQ(changed, 1) << "one line changes on every fetch";

    HttpReply s1 = Http(Port(), "GET", "/radar/2.html");
    HttpReply s2 = Http(Port(), "GET", "/radar/2.html");
    EXPECT_EQ(s1.status, 200);
    EXPECT_EQ(s1.body, s2.body);

    std::vector<int> statuses;
    std::vector<std::string> bodies;
    for (int i = 0; i < 4; ++i) {
        HttpReply r = Http(Port(), "GET", "/radar/3.html");
        statuses.push_back(r.status);
        if (r.status == 200) bodies.push_back(r.body);
    }
    EXPECT_NE(statuses[0], statuses[1]);
    EXPECT_EQ(statuses[0], statuses[2]);
    EXPECT_EQ(statuses[1], statuses[3]);
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), 404), 2);
    ASSERT_EQ(bodies.size(), 2u);
    EXPECT_NE(bodies[0], bodies[1]) << "each appearance differs from the last";
}

TEST_F(DemoServerTest, PlainPageWantsTheAcceptHeaderOfTheWebFetch) {
    HttpReply ok = Http(Port(), "GET", "/fetch/accept.txt", "Accept:   */*\r\n");
    EXPECT_EQ(ok.status, 200);
    EXPECT_TRUE(IsGbk(ok.body));
    EXPECT_EQ(std::count(ok.body.begin(), ok.body.end(), '\n'), 3);
    EXPECT_EQ(Http(Port(), "GET", "/fetch/accept.txt", "").status, 406);
    EXPECT_EQ(Http(Port(), "GET", "/fetch/accept.txt", "Accept: text/html\r\n").status, 406);
}

TEST_F(DemoServerTest, RecordAddressesLeadToTheirArticles) {
    const auto& records = all_->at("11001");
    ASSERT_FALSE(records.empty());
    const NewsRecord& r = records.front();
    const std::string url = Field(r.text, "URL");
    HttpReply page = Http(Port(), "GET", url.substr(url.find("/news/")));
    ASSERT_EQ(page.status, 200);
    EXPECT_NE(page.body.find(r.title), std::string::npos);
    EXPECT_EQ(Http(Port(), "GET", "/news/1.html").status, 404);
}

// ---------------------------------------------------------------------------------------
// A second server: batches of new items, the same items for the same seed, clean stop.

TEST(DemoServerBatchTest, BatchesAddNewerItemsAndTheServerStopsCleanly) {
    DemoServer plain;
    ASSERT_TRUE(plain.Start({"--seed", "5", "--items", "120"}));
    DemoServer batches;
    ASSERT_TRUE(batches.Start(
        {"--seed", "5", "--items", "120", "--batch-every", "1", "--batch-size", "4"}));

    const auto categories = Codes("NewsClassify.tab");
    auto maxIds = [&](int port, std::map<std::string, std::vector<std::string>>* titles) {
        std::map<std::string, long long> ids;
        for (const std::string& code : categories) {
            std::string reply = Exchange(port, NewsRequest(Query(code)));
            ids[code] = 0;
            if (StatusCode(reply) != 200) continue;
            for (const auto& r : Records(reply)) {
                ids[code] = std::max(ids[code], r.id);
                if (titles) (*titles)[code].push_back(r.title);
            }
        }
        return ids;
    };
    std::map<std::string, std::vector<std::string>> plainTitles;
    const auto plainIds = maxIds(plain.NspPort(), &plainTitles);
    long long plainMax = 0;
    for (const auto& [code, id] : plainIds) plainMax = std::max(plainMax, id);

    usleep(2500 * 1000);
    const auto before = maxIds(batches.NspPort(), nullptr);
    long long beforeMax = 0;
    for (const auto& [code, id] : before) beforeMax = std::max(beforeMax, id);
    EXPECT_GE(beforeMax, plainMax + 4) << "at least one batch after two seconds";

    // The first items are those of the plain server with the same seed.
    for (const std::string& code : categories) {
        std::string reply = Exchange(batches.NspPort(), NewsRequest(Query(code)));
        std::vector<std::string> titles;
        if (StatusCode(reply) == 200) {
            for (const auto& r : Records(reply)) {
                if (r.id <= plainMax) titles.push_back(r.title);
            }
        }
        EXPECT_EQ(titles, plainTitles[code]) << code;
    }

    usleep(1500 * 1000);
    int fresh = 0;
    for (const auto& [code, last] : before) {
        std::string reply = Exchange(batches.NspPort(), NewsRequest(Query(code, last)));
        if (StatusCode(reply) != 200) continue;
        for (const auto& r : Records(reply)) {
            EXPECT_GT(r.id, plainMax) << "new items get higher ids than the first ones";
            EXPECT_TRUE(IsServerTime(r.time));
            ++fresh;
        }
    }
    EXPECT_GE(fresh, 4) << "at least one more batch";

    EXPECT_EQ(batches.Stop(), 0);
    EXPECT_EQ(plain.Stop(), 0);
    EXPECT_LT(Connect(batches.NspPort()), 0) << "nothing listens after the stop";
}

}  // namespace
