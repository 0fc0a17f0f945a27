// NSP/0.2 messages: command table, field encodings, the exact bytes of the three requests,
// and the readers of replies (status, headers, news records).
#include "net/nsp_message.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <optional>
#include <string>
#include <vector>

namespace brevio::net {
namespace {

// Digests computed outside the program (md5sum).
constexpr const char* kMd5Empty = "d41d8cd98f00b204e9800998ecf8427e";
constexpr const char* kMd5Secret = "5ebe2294ecd0e0f08eab7690d2a6ee69";       // "secret"
constexpr const char* kMd5GbkPassword = "d2293e30f0c964c5f6242486aa8a483c";  // GBK "密码"
constexpr const char* kMachine = "0123456789abcdef0123456789abcdef";

// "AUTHORIZATION:<machine>" 0xFF "<digest>\r\n" (the raw byte kept apart from the hex digits).
std::string Authorization(const std::string& digest) {
    return std::string("AUTHORIZATION:") + kMachine + '\xFF' + digest + "\r\n";
}

TEST(NspCommands, NamesAndCodesBothWays) {
    const std::vector<std::string> names = {"TRANSFER_NEWS",   "UPDATE_CATEGORY", "REGISTER_USER",
                                            "ADDSITE",         "REG_DISTRIBUTOR", "LOOKUP_INFO",
                                            "SEARCH_USER",     "INVITE",          "DETECT",
                                            "DISTRIBUTE_INFO", "DISTRIBUTE_RIGHT"};
    for (int code = 1; code <= 11; ++code) {
        EXPECT_EQ(CommandName(code), names[code - 1]);
        EXPECT_EQ(CommandCode(names[code - 1]), code);
    }
    EXPECT_EQ(CommandCode("transfer_news"), 1);
    EXPECT_EQ(CommandCode("AddSite"), 4);
    EXPECT_EQ(CommandCode(""), kUnknownCommand);
    EXPECT_EQ(CommandCode("TRANSFER"), kUnknownCommand);
    EXPECT_EQ(CommandCode("ADDSITE "), kUnknownCommand);
    EXPECT_TRUE(CommandName(0).empty());
    EXPECT_TRUE(CommandName(12).empty());
    EXPECT_TRUE(CommandName(-1).empty());
}

TEST(NspFields, MachineIdentificationDigestsThePaddedHexSerial) {
    EXPECT_EQ(MachineIdentification(0x1A2B), "2e5a6133251a9fccf4df08dbc047f163");  // "    1A2B"
    EXPECT_EQ(MachineIdentification(0xDEADBEEF), "7bc3a60fbf38e98f6fef654afa26d270");
    EXPECT_EQ(MachineIdentification(0), "c6d9f198754f75345dcef2281dd88ddc");  // "       0"

    setenv("BREVIO_VOLUME_SERIAL", "1a2b", 1);
    EXPECT_EQ(MachineIdentification(), MachineIdentification(0x1A2B));
    unsetenv("BREVIO_VOLUME_SERIAL");
}

TEST(NspFields, PasswordDigestOfTheStoredBytes) {
    EXPECT_EQ(PasswordDigest(""), kMd5Empty);
    EXPECT_EQ(PasswordDigest("secret"), kMd5Secret);
    EXPECT_EQ(PasswordDigest("密码"), kMd5GbkPassword);  // GBK bytes C3 DC C2 EB
}

NewsRequestInput SampleNews(CategoryGroup group, std::string id) {
    NewsRequestInput in;
    in.userId = "zhang";
    in.password = "secret";
    in.categoryId = std::move(id);
    in.maxId = 123456;
    in.webSites = "1,2,7";
    in.keywords = "股票 基金";
    in.keyRange = 3;
    in.group = group;
    return in;
}

std::string ExpectedNews(const std::string& id, bool reduced) {
    return "TRANSFER_NEWS NSP/0.2\r\n" + Authorization(kMd5Secret) + "USERID:zhang\r\n" +
           "CLASSIFY:" + id + ",123456|\r\n" + (reduced ? "WEBSITES:\r\n" : "WEBSITES:1,2,7\r\n") +
           (reduced ? "KEYWORDS:\r\n" : "KEYWORDS:股票 基金\r\n") +
           (reduced ? "KEYRANGE:0\r\n" : "KEYRANGE:3\r\n") + "PRODUCTID:9-QRTL4.0\r\n\r\n";
}

TEST(NspRequests, NewsRequestFullAndReducedForms) {
    struct Case {
        std::string groupName;  // as a subscription record holds it
        std::string id;
        bool reduced;
    };
    const std::vector<Case> cases = {
        {"大众", "40001", true},  {"大众", "5", true},      {"大众", "400000", true},
        {"大众", "40000", false}, {"大众", "10001", false}, {"大众", "", false},
        {"行业", "40001", false}, {"地区", "90001", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        auto group = CategoryGroupFromName(c.groupName);
        ASSERT_TRUE(group.has_value());
        EXPECT_EQ(UsesReducedNewsRequest(*group, c.id), c.reduced);
        EXPECT_EQ(BuildNewsRequest(SampleNews(*group, c.id), kMachine),
                  ExpectedNews(c.id, c.reduced));
    }
    EXPECT_FALSE(CategoryGroupFromName("public").has_value());
    // A byte above 0x7F sorts after every digit: such an id counts as greater than "40000".
    EXPECT_TRUE(UsesReducedNewsRequest(CategoryGroup::kPublic, "\xB0\xA1"));
}

TEST(NspRequests, NewsRequestCarriesEmptyPasswordDigestAndNegativeMaxId) {
    NewsRequestInput in = SampleNews(CategoryGroup::kTrade, "T01");
    in.password.clear();
    in.maxId = -1;
    std::string req = BuildNewsRequest(in, kMachine);
    EXPECT_NE(req.find(Authorization(kMd5Empty)), std::string::npos) << req;
    EXPECT_NE(req.find("CLASSIFY:T01,-1|\r\n"), std::string::npos) << req;
}

// Sets TZ for one test and restores it.
class ScopedTimeZone {
  public:
    explicit ScopedTimeZone(const char* tz) {
        if (const char* old = getenv("TZ")) {
            had_ = true;
            old_ = old;
        }
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (had_) {
            setenv("TZ", old_.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

  private:
    bool had_ = false;
    std::string old_;
};

TEST(NspRequests, ReferenceListRequestBytes) {
    ScopedTimeZone tz("CST-8");
    ReferenceListRequestInput in;
    in.userId = "zhang";
    in.password = "secret";
    in.type = "trade";
    in.lastUpdate = 997632000;  // 2001-08-13 00:00:00 at UTC+8, the first-refresh value
    in.cat = "classify";        // ignored for other types than catwebsites
    const std::string head =
        "UPDATE_CATEGORY NSP/0.2\r\n" + Authorization(kMd5Secret) + "USERID:zhang\r\n";
    EXPECT_EQ(BuildReferenceListRequest(in, kMachine),
              head + "TYPE:trade\r\nLASTUPDATE:2001-8-13 0:0:0\r\n\r\n");

    in.type = "CATWEBSITES";
    EXPECT_EQ(BuildReferenceListRequest(in, kMachine),
              head + "TYPE:CATWEBSITES\r\nLASTUPDATE:2001-8-13 0:0:0\r\nCAT:classify\r\n\r\n");

    in.type = "catwebsites";
    in.cat = "Region";
    in.catId = "30012";
    in.lastUpdate = 997632000 + 13 * 3600 + 4 * 60 + 59;
    EXPECT_EQ(BuildReferenceListRequest(in, kMachine),
              head +
                  "TYPE:catwebsites\r\nLASTUPDATE:2001-8-13 13:4:59\r\nCAT:Region\r\n"
                  "CATID:30012\r\n\r\n");

    ScopedTimeZone utc("UTC");  // the same moment written in another zone's local time
    EXPECT_EQ(FormatLastUpdate(997632000), "2001-8-12 16:0:0");
}

TEST(NspRequests, SiteProposalBytesCountGbkBytes) {
    SiteProposalInput in;
    in.userId = "zhang";
    in.password = "";
    in.name = "新浪";
    in.url = "http://example.cn/";
    in.category = "财经";
    in.trade = "";
    in.region = "北京";
    in.description = "好网站";  // three characters, six GBK bytes
    EXPECT_EQ(BuildSiteProposalRequest(in, kMachine),
              "ADDSITE NSP/0.2\r\n" + Authorization(kMd5Empty) +
                  "USERID:zhang\r\nNAME:新浪\r\nURL:http://example.cn/\r\nCATEGORY:财经\r\n"
                  "TRADE:\r\nREGION:北京\r\nCONTENT-LENGTH:6\r\n\r\n好网站");

    in.description.clear();
    std::string empty = BuildSiteProposalRequest(in, kMachine);
    EXPECT_TRUE(empty.ends_with("\r\nREGION:北京\r\nCONTENT-LENGTH:0\r\n\r\n")) << empty;
}

TEST(NspReplies, StatusKinds) {
    struct Case {
        std::string reply;
        ReplyKind kind;
        std::optional<int> code;
        std::string firstLine;
    };
    const std::vector<Case> cases = {
        {"200,OK\r\nID:1", ReplyKind::kData, 200, "200,OK"},
        {"201,nothing\r\n", ReplyKind::kNothingNew, 201, "201,nothing"},
        {"200 OK\n", ReplyKind::kData, 200, "200 OK"},  // the comma is not checked
        {"  201,", ReplyKind::kNothingNew, 201, "  201,"},
        {"404,未找到\r\nmore", ReplyKind::kError, 404, "404,未找到"},
        {"2000,x", ReplyKind::kError, 2000, "2000,x"},
        {"-4,", ReplyKind::kError, -4, "-4,"},
        {"OK 200", ReplyKind::kError, std::nullopt, "OK 200"},
        {"", ReplyKind::kError, std::nullopt, ""},
        {"\r\n200,", ReplyKind::kData, 200, ""},  // white space before the number is skipped
        {"99999999999999999999,", ReplyKind::kError, std::nullopt, "99999999999999999999,"},
        {"-", ReplyKind::kError, std::nullopt, "-"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        ReplyStatus s = ParseReplyStatus(c.reply);
        EXPECT_EQ(s.kind, c.kind);
        EXPECT_EQ(s.code, c.code);
        EXPECT_EQ(s.firstLine, c.firstLine);
    }
}

TEST(NspReplies, FirstLineIsCutAt127BytesBetweenCharacters) {
    std::string ascii = "500," + std::string(300, 'x');
    EXPECT_EQ(ParseReplyStatus(ascii).firstLine, ascii.substr(0, 127));
    // 125 ASCII bytes, then a double-byte character on bytes 126-127 (kept) and 128-129 (cut).
    std::string mixed = std::string(125, 'a') + "中文\r\n";
    EXPECT_EQ(FirstLine(mixed), std::string(125, 'a') + "中");
    // 126 ASCII bytes: the next character would need bytes 127-128, so it goes entirely.
    std::string odd = std::string(126, 'a') + "中文";
    EXPECT_EQ(FirstLine(odd), std::string(126, 'a'));
    EXPECT_EQ(FirstLine("abc\rdef"), "abc");
    EXPECT_EQ(FirstLine("abc\ndef", 2), "ab");
}

TEST(NspReplies, SiteProposalLooksAtTheFirstCharacterOnly) {
    EXPECT_TRUE(SiteProposalAccepted("200,thanks"));
    EXPECT_TRUE(SiteProposalAccepted("2"));
    EXPECT_TRUE(SiteProposalAccepted("2xx"));
    EXPECT_FALSE(SiteProposalAccepted(""));
    EXPECT_FALSE(SiteProposalAccepted("500,refused"));
    EXPECT_FALSE(SiteProposalAccepted(" 200"));
}

TEST(NspReplies, HeaderLookup) {
    const std::string reply = "200,OK\r\nMAXID:1234567\r\nNAME:新闻\nTAIL:end";
    EXPECT_EQ(FindHeaderValue(reply, "MAXID", 16), "1234567");
    EXPECT_EQ(FindHeaderValue(reply, "NAME", 16), "新闻");
    EXPECT_EQ(FindHeaderValue(reply, "TAIL", 16), "end");  // runs to the end of the text
    EXPECT_FALSE(FindHeaderValue(reply, "MISSING", 16).has_value());
    EXPECT_FALSE(FindHeaderValue(reply, "", 16).has_value());

    // Bounded by the buffer: at most size - 1 bytes, never half a character.
    EXPECT_EQ(FindHeaderValue(reply, "MAXID", 4), "123");
    EXPECT_EQ(FindHeaderValue(reply, "MAXID", 1), "");
    EXPECT_EQ(FindHeaderValue(reply, "MAXID", 0), "");
    EXPECT_EQ(FindHeaderValue(reply, "NAME", 4), "新");
    EXPECT_EQ(FindHeaderValue(reply, "NAME", 3), "新");
    EXPECT_EQ(FindHeaderValue(reply, "NAME", 2), "");

    // The name is found anywhere (first occurrence); the separator may be any byte.
    EXPECT_EQ(FindHeaderValue("NOTE:see MAXID=9\r\nMAXID:2", "MAXID", 16), "9");
    // A name at the very end, or followed only by its separator, has an empty value.
    EXPECT_EQ(FindHeaderValue("x\r\nMAXID", "MAXID", 16), "");
    EXPECT_EQ(FindHeaderValue("x\r\nMAXID:", "MAXID", 16), "");
    EXPECT_EQ(FindHeaderValue("MAXID:\r\nNEXT:1", "MAXID", 16), "");
}

// ---- Record splitting ---------------------------------------------------------------------

const std::string T = "\x80\x80";

struct SampleReply {
    std::string text;
    std::vector<std::string> records;
    std::string leftover;
};

// Status line inside the first record; a content with line ends; a GBK character whose trail
// byte is 0x80 followed by text; three 0x80 in a row (the first two end the record); an empty
// record; a trailing record without its terminator.
SampleReply MakeSampleReply() {
    SampleReply r;
    r.records = {
        "200,OK\r\nID:1\r\nTITLE:一\r\nCONTENT:第一行\r\n第二行" + T,
        "ID:2\r\nCONTENT:\x81\x80x\x80y" + T,
        "ID:3\r\nCONTENT:z" + T,
        "\x80"
        "ID:4" +
            T,
        T,
    };
    r.leftover = "ID:5\r\nCONTENT:half a rec\x80";
    for (const auto& rec : r.records) r.text += rec;
    r.text += r.leftover;
    return r;
}

std::vector<std::string> SplitInChunks(const std::string& text, const std::vector<size_t>& cuts,
                                       std::string& leftover) {
    RecordSplitter splitter;
    std::vector<std::string> out;
    std::size_t from = 0;
    for (std::size_t cut : cuts) {
        splitter.Feed(std::string_view(text).substr(from, cut - from),
                      [&](std::string_view rec) { out.emplace_back(rec); });
        from = cut;
    }
    splitter.Feed(std::string_view(text).substr(from),
                  [&](std::string_view rec) { out.emplace_back(rec); });
    EXPECT_EQ(splitter.PendingBytes(), leftover.size());
    leftover = splitter.TakeLeftover();
    EXPECT_EQ(splitter.PendingBytes(), 0u);
    return out;
}

TEST(NspRecords, SameRecordsAtEveryChunkBoundary) {
    const SampleReply sample = MakeSampleReply();
    const std::size_t n = sample.text.size();
    for (std::size_t i = 0; i <= n; ++i) {
        for (std::size_t j = i; j <= n; ++j) {
            std::string leftover = sample.leftover;
            auto records = SplitInChunks(sample.text, {i, j}, leftover);
            ASSERT_EQ(records, sample.records) << "cuts at " << i << " and " << j;
            ASSERT_EQ(leftover, sample.leftover) << "cuts at " << i << " and " << j;
        }
    }
}

TEST(NspRecords, ByteByByteAndLoneTerminatorHalves) {
    const SampleReply sample = MakeSampleReply();
    std::vector<std::size_t> everyByte;
    for (std::size_t i = 1; i < sample.text.size(); ++i) everyByte.push_back(i);
    std::string leftover = sample.leftover;
    EXPECT_EQ(SplitInChunks(sample.text, everyByte, leftover), sample.records);
    EXPECT_EQ(leftover, sample.leftover);

    // A chunk ending in a lone 0x80: no record until the next chunk brings the second byte.
    RecordSplitter splitter;
    std::vector<std::string> got;
    auto collect = [&](std::string_view rec) { got.emplace_back(rec); };
    splitter.Feed("ID:7\x80", collect);
    EXPECT_TRUE(got.empty());
    EXPECT_EQ(splitter.PendingBytes(), 5u);
    splitter.Feed("", collect);
    EXPECT_TRUE(got.empty());
    splitter.Feed("\x80ID:8", collect);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], "ID:7" + T);
    // A lone 0x80 followed by something else is content.
    splitter.Feed("\x80!", collect);
    EXPECT_EQ(got.size(), 1u);
    EXPECT_EQ(splitter.TakeLeftover(), "ID:8\x80!");
}

TEST(NspRecords, ReplyWithoutTerminatorDeliversNothing) {
    RecordSplitter splitter;
    int records = 0;
    splitter.Feed("201,no news\r\n", [&](std::string_view) { ++records; });
    EXPECT_EQ(records, 0);
    EXPECT_EQ(splitter.TakeLeftover(), "201,no news\r\n");
    // The splitter is reusable after its leftover was taken.
    splitter.Feed("a" + T, [&](std::string_view rec) {
        ++records;
        EXPECT_EQ(rec, "a" + T);
    });
    EXPECT_EQ(records, 1);
}

TEST(NspRecords, RecordLimitRefusesLongRecordsCompleteOrNot) {
    std::vector<std::string> got;
    auto collect = [&](std::string_view rec) { got.emplace_back(rec); };

    // A complete record one byte above the limit, behind one at the limit, in one chunk: the
    // first is delivered, the long one and everything after it are not.
    RecordSplitter complete(8);
    EXPECT_FALSE(complete.Feed("ID:1.." + T + "ID:22.." + T + "ID:3" + T, collect));
    EXPECT_EQ(got, std::vector<std::string>{"ID:1.." + T});
    EXPECT_TRUE(complete.TooLong());
    EXPECT_FALSE(complete.Feed("ID:4" + T, collect));
    EXPECT_EQ(got.size(), 1u);

    // A record without its terminator is refused once it holds more than the limit, so what
    // is held stays bounded however long the server goes on.
    got.clear();
    RecordSplitter open(8);
    EXPECT_TRUE(open.Feed("ID:5" + T + "ABCDEFG", collect));
    EXPECT_EQ(open.PendingBytes(), 7u);
    EXPECT_FALSE(open.Feed("HI", collect));
    EXPECT_TRUE(open.TooLong());
    const std::size_t held = open.PendingBytes();
    for (int i = 0; i < 100; ++i) EXPECT_FALSE(open.Feed(std::string(1000, 'x'), collect));
    EXPECT_EQ(open.PendingBytes(), held);
    EXPECT_EQ(got, std::vector<std::string>{"ID:5" + T});

    // Exactly at the limit, the terminator's halves in two chunks.
    got.clear();
    RecordSplitter edge(8);
    EXPECT_TRUE(edge.Feed("ID:6..\x80", collect));
    EXPECT_TRUE(edge.Feed("\x80", collect));
    EXPECT_EQ(got, std::vector<std::string>{"ID:6..\x80\x80"});
}

// ---- News reply reading -------------------------------------------------------------------

struct ReadReply {
    int statusCalls = 0;
    std::optional<int> code;
    std::string received;  // what onStatus was given
    std::vector<std::string> records;
    bool reading = true;  // what the last Feed returned
};

// Feeds the pieces in order (stopping where Feed says so), then Finish when `closed`.
ReadReply ReadPieces(NewsReplyReader& reader, const std::vector<std::string>& pieces,
                     bool closed = true) {
    ReadReply out;
    auto onStatus = [&](const ReplyStatus& status, std::string_view received) {
        ++out.statusCalls;
        out.code = status.code;
        out.received = std::string(received);
    };
    auto onRecord = [&](std::string_view rec) { out.records.emplace_back(rec); };
    for (const auto& piece : pieces) {
        out.reading = reader.Feed(piece, onStatus, onRecord);
        if (!out.reading) break;
    }
    if (closed) reader.Finish(onStatus, onRecord);
    return out;
}

TEST(NspNewsReply, StatusLineIsReadWholeWhereverTheBytesAreCut) {
    const std::string head = "200,OK\r\n";
    const std::string r1 = "ID:1\r\nCONTENT:a" + T, r2 = "ID:2\r\nCONTENT:b" + T;
    const std::string reply = head + r1 + r2;
    for (std::size_t cut = 1; cut < reply.size(); ++cut) {
        NewsReplyReader reader;
        ReadReply r = ReadPieces(reader, {reply.substr(0, cut), reply.substr(cut)});
        ASSERT_EQ(r.statusCalls, 1) << "cut at " << cut;
        ASSERT_EQ(r.code, kStatusData) << "cut at " << cut;
        ASSERT_EQ(r.records, (std::vector<std::string>{head + r1, r2})) << "cut at " << cut;
        ASSERT_TRUE(r.reading);
    }

    // Byte by byte: nothing is decided before the line feed.
    NewsReplyReader reader;
    int calls = 0;
    auto count = [&](const ReplyStatus& status, std::string_view) {
        ++calls;
        EXPECT_EQ(status.kind, ReplyKind::kNothingNew);
    };
    auto none = [](std::string_view) { ADD_FAILURE() << "a 201 reply has no records"; };
    const std::string nothing = "201,没有新的新闻\r\n";
    for (std::size_t i = 0; i + 1 < nothing.size(); ++i) {
        EXPECT_TRUE(reader.Feed(nothing.substr(i, 1), count, none)) << i;
        EXPECT_EQ(calls, 0) << i;
    }
    EXPECT_FALSE(reader.Feed("\n", count, none));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(reader.Status()->code, kStatusNothingNew);
}

TEST(NspNewsReply, ErrorsCloseBeforeTheLineEndAndLongLines) {
    // An error status: onStatus gets every byte received so far, the reading ends.
    NewsReplyReader error;
    ReadReply e = ReadPieces(error, {"50", "0,服务器忙\r\nrest", "never read"}, false);
    EXPECT_FALSE(e.reading);
    EXPECT_EQ(e.code, 500);
    EXPECT_EQ(e.received, "500,服务器忙\r\nrest");
    EXPECT_EQ(error.Status()->kind, ReplyKind::kError);

    // The server closed without a line feed: what came is the status line.
    NewsReplyReader unended;
    ReadReply u = ReadPieces(unended, {"20", "1,none"}, false);
    EXPECT_EQ(u.statusCalls, 0);
    EXPECT_EQ(unended.PendingBytes(), 8u);
    ReadPieces(unended, {}, true);
    ASSERT_TRUE(unended.Status().has_value());
    EXPECT_EQ(unended.Status()->kind, ReplyKind::kNothingNew);

    // Nothing at all: no status, even at the close.
    NewsReplyReader empty;
    EXPECT_EQ(ReadPieces(empty, {""}).statusCalls, 0);
    EXPECT_FALSE(empty.Status().has_value());

    // A first line that never ends is read once the wait limit is reached.
    NewsReplyReader endless;
    ReadReply l =
        ReadPieces(endless, {"200," + std::string(kMaxStatusLineWaitBytes - 5, 'x')}, false);
    EXPECT_EQ(l.statusCalls, 0);
    l = ReadPieces(endless, {"x", "y"}, false);
    EXPECT_EQ(l.statusCalls, 1);
    EXPECT_EQ(l.code, kStatusData);
}

TEST(NspNewsReply, RecordsAreBoundedByTheLargestValidRecord) {
    // A record with a content far beyond the kept length still passes.
    const std::string big = "200,OK\r\nID:1\r\nCONTENT:" + std::string(60000, 'c') + T;
    NewsReplyReader reader;
    std::vector<std::string> pieces;
    for (std::size_t at = 0; at < big.size(); at += 1023) pieces.push_back(big.substr(at, 1023));
    ReadReply ok = ReadPieces(reader, pieces);
    EXPECT_TRUE(ok.reading);
    EXPECT_EQ(ok.records, std::vector<std::string>{big});
    EXPECT_FALSE(reader.RecordTooLong());

    // One without a terminator ends the reply once it passes the limit, and no more is held.
    NewsReplyReader endless;
    ReadReply r = ReadPieces(endless, {"200,OK\r\nID:2" + T, "ID:3\r\nCONTENT:"}, false);
    std::size_t fed = 0;
    const std::string kilobyte(1023, 'z');
    auto ignoreStatus = [](const ReplyStatus&, std::string_view) {};
    auto ignoreRecord = [](std::string_view) {};
    while (endless.Feed(kilobyte, ignoreStatus, ignoreRecord)) {
        fed += kilobyte.size();
        ASSERT_LE(fed, kMaxNewsRecordBytes + kilobyte.size());
    }
    // Refused with the chunk that took the open record ("ID:3\r\nCONTENT:" and what followed)
    // beyond the limit, not earlier.
    const std::size_t open = std::string("ID:3\r\nCONTENT:").size() + fed;
    EXPECT_LE(open, kMaxNewsRecordBytes);
    EXPECT_GT(open + kilobyte.size(), kMaxNewsRecordBytes);
    EXPECT_TRUE(endless.RecordTooLong());
    EXPECT_LE(endless.PendingBytes(), kMaxNewsRecordBytes + kilobyte.size());
    EXPECT_EQ(r.records, std::vector<std::string>{"200,OK\r\nID:2" + T});
}

TEST(NspResults, CodeTable) {
    EXPECT_EQ(ResultText(result::kSuccess), "Success");
    EXPECT_EQ(ResultText(result::kMemory), "Memory allocation error");
    EXPECT_EQ(ResultText(result::kNetworkKernel), "Network kernel error");
    EXPECT_EQ(ResultText(result::kCannotCreateSocket), "Cannot create socket");
    EXPECT_EQ(ResultText(result::kCannotConnect), "无法与服务器建立连接.请检测网络设置!");
    EXPECT_EQ(ResultText(result::kReadFile), "Read File Error");
    EXPECT_EQ(ResultText(result::kWriteFile), "Write File Error");
    EXPECT_EQ(result::kCannotConnect, -4);
    EXPECT_EQ(result::kReadFile, -10);
    for (int other : {1, -5, -9, -12, 200}) EXPECT_EQ(ResultText(other), "Unknown error code");
}

}  // namespace
}  // namespace brevio::net
