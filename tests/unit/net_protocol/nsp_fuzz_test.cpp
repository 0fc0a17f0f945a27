// Damaged, truncated and random replies through the reply readers: nothing may crash, read or
// write outside its input, lose bytes or hand on half a record (runs in the sanitizer build).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "net/nsp_message.h"

namespace brevio::net {
namespace {

std::string RandomReply(std::mt19937& rng, std::size_t maxLen) {
    // Mostly protocol-like bytes, with 0x80 frequent enough to make terminators and halves.
    static const std::string alphabet = "\x80\x80\x80\r\n:,20158-ID \xB0\xA1";
    std::uniform_int_distribution<std::size_t> len(0, maxLen);
    std::string s(len(rng), '\0');
    const bool raw = rng() % 4 == 0;
    for (char& c : s) {
        c = raw ? static_cast<char>(rng() & 0xFF) : alphabet[rng() % alphabet.size()];
    }
    return s;
}

// Feeds the text in random chunks (sizes 0 to 1023, like socket reads) and checks what the
// splitter hands on against the text itself.
void CheckSplit(std::mt19937& rng, const std::string& text) {
    RecordSplitter splitter;
    std::string delivered;
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t n = std::min<std::size_t>(rng() % 1024, text.size() - from);
        splitter.Feed(std::string_view(text).substr(from, n), [&](std::string_view rec) {
            ASSERT_GE(rec.size(), 2u);
            // Ends in the terminator, which occurs nowhere earlier in the record.
            EXPECT_EQ(rec.find(kRecordTerminator), rec.size() - 2);
            delivered.append(rec);
        });
        from += n;
    }
    std::string rest = splitter.TakeLeftover();
    EXPECT_EQ(rest.find(kRecordTerminator), std::string::npos);
    EXPECT_EQ(delivered + rest, text);  // no byte lost, duplicated or reordered
}

void CheckReaders(const std::string& text) {
    ReplyStatus s = ParseReplyStatus(text);
    EXPECT_LE(s.firstLine.size(), kMaxStatusLineBytes);
    EXPECT_EQ(s.firstLine.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(text.compare(0, s.firstLine.size(), s.firstLine), 0);
    if (s.kind == ReplyKind::kData) {
        EXPECT_EQ(s.code, kStatusData);
    }
    for (std::size_t size : {0u, 1u, 2u, 8u, 128u}) {
        for (const char* name : {"ID", ":", "\x80", "CONTENT"}) {
            auto v = FindHeaderValue(text, name, size);
            if (!v) continue;
            EXPECT_LT(v->size(), std::max<std::size_t>(size, 1));
            EXPECT_EQ(v->find_first_of("\r\n"), std::string::npos);
            EXPECT_NE(text.find(*v), std::string::npos);
        }
    }
}

TEST(NspFuzz, RandomReplies) {
    std::mt19937 rng(20240611);
    for (int i = 0; i < 3000; ++i) {
        std::string text = RandomReply(rng, i % 10 == 0 ? 8000 : 300);
        CheckSplit(rng, text);
        CheckReaders(text);
    }
}

TEST(NspFuzz, TruncatedReplies) {
    const std::string full =
        "200,OK\r\nID:17\r\nTITLE:标题\r\nCONTENT:内容\r\n第二行\x80\x80"
        "ID:18\r\nCONTENT:\x81\x80\x80\x80ID:19\r\nCONTENT:x\x80\x80";
    std::mt19937 rng(7);
    for (std::size_t n = 0; n <= full.size(); ++n) {
        std::string prefix = full.substr(0, n);
        CheckSplit(rng, prefix);
        CheckReaders(prefix);
    }
}

TEST(NspFuzz, HugeLinesAndMissingTerminators) {
    std::mt19937 rng(99);
    const std::string huge(1 << 20, 'A');
    for (const std::string& text :
         {huge, "201," + huge, "200,OK\r\nCONTENT:" + huge, "CONTENT:" + huge + "\x80",
          huge + "\x80\x80" + huge, std::string(4096, '\x80'), "2" + std::string(50, '9') + ","}) {
        CheckSplit(rng, text);
        CheckReaders(text);
        EXPECT_LE(FindHeaderValue(text, "CONTENT", 256).value_or("").size(), 255u);
    }
}

}  // namespace
}  // namespace brevio::net
