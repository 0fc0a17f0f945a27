// Server replies: the status line, header lookups, and the record splitter and reply reader
// fed the same bytes cut into chunks in the ways the input chooses.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "net/nsp_message.h"

namespace {

using namespace brevio;

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Chunk sizes from the input's first bytes (0 to 63 bytes each, 0 meaning an empty read),
// repeated until the text is used up.
std::vector<std::string_view> Chunks(std::string_view text, std::string_view sizes) {
    std::vector<std::string_view> chunks;
    std::size_t from = 0;
    for (std::size_t i = 0; from < text.size(); ++i) {
        std::size_t n =
            sizes.empty() ? text.size() : static_cast<unsigned char>(sizes[i % sizes.size()]) % 64;
        if (i > 4 * text.size() + 8) n = text.size();  // sizes of only zeros still end
        n = std::min(n, text.size() - from);
        chunks.push_back(text.substr(from, n));
        from += n;
    }
    return chunks;
}

void CheckStatus(std::string_view text) {
    const net::ReplyStatus s = net::ParseReplyStatus(text);
    FUZZ_CHECK(s.firstLine.size() <= net::kMaxStatusLineBytes);
    FUZZ_CHECK(s.firstLine.find_first_of("\r\n") == std::string::npos);
    FUZZ_CHECK(text.substr(0, s.firstLine.size()) == s.firstLine);
    FUZZ_CHECK(s.firstLine == net::FirstLine(text));
    switch (s.kind) {
        case net::ReplyKind::kData:
            FUZZ_CHECK(s.code == net::kStatusData);
            break;
        case net::ReplyKind::kNothingNew:
            FUZZ_CHECK(s.code == net::kStatusNothingNew);
            break;
        case net::ReplyKind::kError:
            FUZZ_CHECK(s.code != net::kStatusData && s.code != net::kStatusNothingNew);
            break;
    }
    // A reply that does not begin (after blanks and a sign) with a digit has no code.
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (i == text.size() || text[i] < '0' || text[i] > '9') FUZZ_CHECK(!s.code);
    FUZZ_CHECK(net::SiteProposalAccepted(text) == (!text.empty() && text[0] == '2'));
}

void CheckHeaders(std::string_view text, std::string_view name) {
    for (std::size_t size :
         {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{9}, std::size_t{300}}) {
        auto value = net::FindHeaderValue(text, name, size);
        if (name.empty() || text.find(name) == std::string_view::npos) {
            FUZZ_CHECK(!value);
            continue;
        }
        FUZZ_CHECK(value.has_value());
        FUZZ_CHECK(value->size() < std::max<std::size_t>(size, 1));
        FUZZ_CHECK(value->find_first_of("\r\n") == std::string::npos);
        FUZZ_CHECK(text.find(*value) != std::string_view::npos);
    }
}

// What the splitter hands on: records that end in the one terminator they hold, within the
// limit, and that together with the leftover give back the text.
void CheckSplitter(const std::vector<std::string_view>& chunks, std::string_view text,
                   std::size_t limit) {
    net::RecordSplitter splitter(limit);
    std::string delivered;
    bool refused = false;
    std::size_t largestChunk = 0;
    for (std::string_view chunk : chunks) {
        largestChunk = std::max(largestChunk, chunk.size());
        bool more = splitter.Feed(chunk, [&](std::string_view record) {
            FUZZ_CHECK(!refused);
            FUZZ_CHECK(record.size() >= net::kRecordTerminator.size());
            FUZZ_CHECK(record.size() <= limit);
            FUZZ_CHECK(record.find(net::kRecordTerminator) ==
                       record.size() - net::kRecordTerminator.size());
            delivered.append(record);
        });
        FUZZ_CHECK(more == !splitter.TooLong());
        if (!more) refused = true;
        // Never more held than the limit plus one chunk.
        FUZZ_CHECK(splitter.PendingBytes() <= limit ||
                   splitter.PendingBytes() - limit <= largestChunk);
    }
    FUZZ_CHECK(text.substr(0, delivered.size()) == delivered);
    if (refused) return;
    const std::string rest = splitter.TakeLeftover();
    FUZZ_CHECK(rest.find(net::kRecordTerminator) == std::string::npos);
    FUZZ_CHECK(delivered + rest == text);
}

struct ReaderResult {
    std::optional<net::ReplyStatus> status;
    std::vector<std::string> records;
    bool tooLong = false;
};

ReaderResult Read(const std::vector<std::string_view>& chunks) {
    ReaderResult r;
    net::NewsReplyReader reader;
    int statusCalls = 0;
    auto onStatus = [&](const net::ReplyStatus& s, std::string_view) {
        ++statusCalls;
        r.status = s;
    };
    auto onRecord = [&](std::string_view record) { r.records.emplace_back(record); };
    bool going = true;
    for (std::string_view chunk : chunks) {
        if (!reader.Feed(chunk, onStatus, onRecord)) {
            going = false;
            break;
        }
    }
    if (going) reader.Finish(onStatus, onRecord);
    FUZZ_CHECK(statusCalls <= 1);
    r.tooLong = reader.RecordTooLong();
    return r;
}

// The reader's result does not depend on how the bytes were cut, as long as the status line
// ends early and holds the whole status number before its line feed.
void CheckReader(const std::vector<std::string_view>& chunks, std::string_view text) {
    const ReaderResult cut = Read(chunks);
    const ReaderResult whole = Read({text});
    FUZZ_CHECK(cut.status.has_value() == !text.empty());
    for (const std::string& record : cut.records) {
        FUZZ_CHECK(record.size() <= net::kMaxNewsRecordBytes);
        FUZZ_CHECK(record.find(net::kRecordTerminator) ==
                   record.size() - net::kRecordTerminator.size());
    }
    const std::size_t lineEnd = text.find('\n');
    if (lineEnd == std::string_view::npos || lineEnd + 1 >= net::kMaxStatusLineWaitBytes) return;
    std::string_view line = text.substr(0, lineEnd);
    if (std::all_of(line.begin(), line.end(), IsSpace)) return;
    FUZZ_CHECK(cut.status && whole.status);
    FUZZ_CHECK(cut.status->code == whole.status->code);
    FUZZ_CHECK(cut.status->firstLine == whole.status->firstLine);
    FUZZ_CHECK(cut.records == whole.records);
    FUZZ_CHECK(cut.tooLong == whole.tooLong);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputCursor in(data, size);
    const std::size_t limit = 2 + in.Short() % 2048;
    const std::string_view sizes = in.Take(in.Byte() % 8);
    const std::string_view name = in.Take(in.Byte() % 6);
    const std::string_view text = in.Rest();

    CheckStatus(text);
    CheckHeaders(text, name);
    net::CommandCode(net::FirstLine(text));
    net::CategoryGroupFromName(net::FirstLine(text));

    const std::vector<std::string_view> chunks = Chunks(text, sizes);
    CheckSplitter(chunks, text, limit);
    CheckSplitter(chunks, text, net::RecordSplitter::kNoLimit);
    CheckReader(chunks, text);
    return 0;
}
