// NSP/0.2, the text protocol spoken with the news server: command table, field encodings,
// the three requests the client builds, and the readers of the server's replies.
//
// All text is GBK bytes; lines end in CR LF. A request is one string sent in one piece on a
// fresh connection; the server answers and closes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brevio::net {

inline constexpr const char* kProtocolTag = "NSP/0.2";
// Ends the headers of every news request.
inline constexpr const char* kProductLine = "PRODUCTID:9-QRTL4.0\r\n";
// Separates machine identification and password digest in AUTHORIZATION (a raw byte, not a
// GBK character).
inline constexpr char kAuthorizationSeparator = '\xFF';
// Ends every news record of a TRANSFER_NEWS reply.
inline constexpr std::string_view kRecordTerminator = "\x80\x80";

// ---- Command table --------------------------------------------------------------------------

enum class NspCommand : int {
    kTransferNews = 1,
    kUpdateCategory = 2,
    kRegisterUser = 3,
    kAddSite = 4,
    kRegDistributor = 5,
    kLookupInfo = 6,
    kSearchUser = 7,
    kInvite = 8,
    kDetect = 9,
    kDistributeInfo = 10,
    kDistributeRight = 11,
};
inline constexpr int kUnknownCommand = -1;

// The command's name ("TRANSFER_NEWS", ...), or an empty view for a code outside 1-11.
std::string_view CommandName(int code);
// The code of a command name compared without regard to case; empty or unknown names give -1.
int CommandCode(std::string_view name);

// ---- Field encodings ------------------------------------------------------------------------

// MD5 of the volume serial written with "%8lX" (eight characters, blank-padded), as 32
// lower-case hexadecimal digits.
std::string MachineIdentification(std::uint32_t volumeSerial);
// The same for this machine's volume serial.
std::string MachineIdentification();
// MD5 of the password bytes as stored (GBK), as 32 lower-case hexadecimal digits.
std::string PasswordDigest(std::string_view password);

// ---- Requests -------------------------------------------------------------------------------

// The group a news category belongs to; only public categories know the reduced request.
enum class CategoryGroup { kPublic, kTrade, kRegion };

// The group for its GBK name ("大众", "行业", "地区"); unknown names are none of them.
std::optional<CategoryGroup> CategoryGroupFromName(std::string_view gbkName);

// What a TRANSFER_NEWS request needs; the reception fills it from a subscription record.
struct NewsRequestInput {
    std::string userId;
    std::string password;  // plain text; only its digest is sent
    std::string categoryId;
    std::int32_t maxId = 0;  // highest record id received so far for the category
    std::string webSites;
    std::string keywords;
    int keyRange = 0;
    CategoryGroup group = CategoryGroup::kPublic;
};

// True when the category gets the reduced request: a public category whose id compares
// byte-wise greater than "40000" (so "5" does and "40000" does not).
bool UsesReducedNewsRequest(CategoryGroup group, std::string_view categoryId);

// The TRANSFER_NEWS request. The reduced form sends empty WEBSITES and KEYWORDS and a
// KEYRANGE of 0.
std::string BuildNewsRequest(const NewsRequestInput& in, std::string_view machineId);
std::string BuildNewsRequest(const NewsRequestInput& in);

// What an UPDATE_CATEGORY request needs.
struct ReferenceListRequestInput {
    std::string userId;
    std::string password;
    std::string type;             // "Classify", "trade", "catwebsites", ...
    std::int64_t lastUpdate = 0;  // seconds since 1970-01-01 UTC, sent in local time
    std::string cat;              // group name, sent only for "catwebsites"
    std::string catId;            // sent only for "catwebsites" and only when not empty
};

// "%d-%d-%d %d:%d:%d" of the time value in local time (no leading zeros).
std::string FormatLastUpdate(std::int64_t timeValue);

std::string BuildReferenceListRequest(const ReferenceListRequestInput& in,
                                      std::string_view machineId);
std::string BuildReferenceListRequest(const ReferenceListRequestInput& in);

// What an ADDSITE request (a proposed web site) needs.
struct SiteProposalInput {
    std::string userId;
    std::string password;
    std::string name;
    std::string url;
    std::string category;
    std::string trade;
    std::string region;
    std::string description;  // the body; CONTENT-LENGTH counts its bytes
};

std::string BuildSiteProposalRequest(const SiteProposalInput& in, std::string_view machineId);
std::string BuildSiteProposalRequest(const SiteProposalInput& in);

// ---- Replies --------------------------------------------------------------------------------

inline constexpr int kStatusData = 200;
inline constexpr int kStatusNothingNew = 201;
// Longest first line handed on for display.
inline constexpr std::size_t kMaxStatusLineBytes = 127;

enum class ReplyKind { kData, kNothingNew, kError };

struct ReplyStatus {
    ReplyKind kind = ReplyKind::kError;
    // The status code; nullopt when the reply does not start with a number.
    std::optional<int> code;
    // The first line without its CR LF, at most 127 bytes, cut between characters.
    std::string firstLine;
};

// Reads the status line of a TRANSFER_NEWS or UPDATE_CATEGORY reply: a decimal number
// (leading blanks and a sign allowed, then digits), normally followed by a comma. 200 means
// data follow, 201 nothing new; any other code, a reply that does not start with a number
// and a number too large for an int are errors.
ReplyStatus ParseReplyStatus(std::string_view reply);

// The first line of a reply (up to CR or LF), at most maxBytes bytes, never ending inside a
// double-byte character.
std::string FirstLine(std::string_view reply, std::size_t maxBytes = kMaxStatusLineBytes);

// ADDSITE succeeded when the reply's first character is '2'.
bool SiteProposalAccepted(std::string_view reply);

// Header lookup in a reply: finds the first occurrence of `name` anywhere in the text, skips
// it and the one separator character after it, and returns the text up to the next CR, LF or
// the end. The value is bounded as by a buffer of bufferSize bytes with its terminator (at
// most bufferSize - 1 bytes, never ending inside a double-byte character). nullopt when the
// name does not occur or the name is empty.
std::optional<std::string> FindHeaderValue(std::string_view reply, std::string_view name,
                                           std::size_t bufferSize);

// Cuts a TRANSFER_NEWS reply into records as its chunks arrive. A record is the text up to
// and including the terminator 0x80 0x80; the status line and whatever precedes the first
// terminator belong to the first record. A terminator split over two chunks is found once
// its second byte arrives. Bytes after the last terminator are held back: they are never
// delivered as a record, and the caller may take them with TakeLeftover at the end.
//
// With a record limit, a record longer than the limit (terminator included) is refused as
// soon as that shows, complete or not: it is not delivered, nothing after it is, and at most
// the limit plus one chunk is ever held.
class RecordSplitter {
  public:
    static constexpr std::size_t kNoLimit = static_cast<std::size_t>(-1);

    explicit RecordSplitter(std::size_t maxRecordBytes = kNoLimit)
        : maxRecordBytes_(maxRecordBytes) {}

    // Appends a chunk and calls onRecord(record) for every record it completes, in order.
    // False once a record went beyond the limit (that chunk and every later one are ignored).
    template <typename OnRecord>
    bool Feed(std::string_view chunk, OnRecord&& onRecord) {
        if (tooLong_) return false;
        Append(chunk);
        std::string_view record;
        while (Next(record)) onRecord(record);
        Compact();
        return !tooLong_;
    }

    // Bytes received after the last complete record.
    std::size_t PendingBytes() const { return buffer_.size() - start_; }
    // Takes (and clears) the bytes after the last complete record.
    std::string TakeLeftover();
    // A record went beyond the limit.
    bool TooLong() const { return tooLong_; }

  private:
    void Append(std::string_view chunk);
    // The next complete record, valid until the following Append or Compact.
    bool Next(std::string_view& record);
    void Compact();

    std::size_t maxRecordBytes_;
    std::string buffer_;
    std::size_t start_ = 0;  // first byte of the record being collected
    std::size_t scan_ = 0;   // where the terminator search resumes
    bool tooLong_ = false;
};

// The longest news record taken from the server, terminator (and, for the first record, the
// status line) included. The largest valid record is about 10 KB: the kept lengths of all
// fields (8934 bytes, the content's 5999 among them), their ten keys and line ends, the
// terminator, and a status line of at most one read (1023 bytes). 64 KiB leaves room for
// values the store cuts to their kept length while a record without its terminator still
// ends the reply before it takes memory without bound.
inline constexpr std::size_t kMaxNewsRecordBytes = std::size_t{64} << 10;
// A status line still without its line feed after this many bytes is read as it stands.
inline constexpr std::size_t kMaxStatusLineWaitBytes = 1024;

// Reads a TRANSFER_NEWS reply as its chunks arrive: first the status line, which is read once
// it is whole (up to its line feed) however the bytes were cut, then, after status 200, the
// records (RecordSplitter with kMaxNewsRecordBytes).
//
// onStatus(const ReplyStatus&, std::string_view received) is called once, when the status
// line is whole, with every byte received up to then; onRecord(std::string_view record) for
// each record completed after status 200.
class NewsReplyReader {
  public:
    explicit NewsReplyReader(std::size_t maxRecordBytes = kMaxNewsRecordBytes)
        : splitter_(maxRecordBytes) {}

    // Takes the next chunk. False when the reading should end: the status is not 200 or a
    // record went beyond the limit.
    template <typename OnStatus, typename OnRecord>
    bool Feed(std::string_view chunk, OnStatus&& onStatus, OnRecord&& onRecord) {
        if (status_) return Records(chunk, onRecord);
        head_.append(chunk.data(), chunk.size());
        if (chunk.find('\n') == std::string_view::npos && head_.size() < kMaxStatusLineWaitBytes)
            return true;
        return Begin(onStatus, onRecord);
    }

    // The server ended the reply with its close: a status line still waiting for its line
    // feed is read as it stands (and any record after it delivered).
    template <typename OnStatus, typename OnRecord>
    void Finish(OnStatus&& onStatus, OnRecord&& onRecord) {
        if (!status_ && !head_.empty()) Begin(onStatus, onRecord);
    }

    // The status, once its line was whole.
    const std::optional<ReplyStatus>& Status() const { return status_; }
    bool RecordTooLong() const { return splitter_.TooLong(); }
    // Bytes held: the start of a status line not yet whole, or of a record not yet complete.
    std::size_t PendingBytes() const { return status_ ? splitter_.PendingBytes() : head_.size(); }

  private:
    template <typename OnStatus, typename OnRecord>
    bool Begin(OnStatus&& onStatus, OnRecord&& onRecord) {
        status_ = ParseReplyStatus(head_);
        std::string head = std::move(head_);
        head_.clear();
        onStatus(*status_, std::string_view(head));
        return Records(head, onRecord);
    }

    template <typename OnRecord>
    bool Records(std::string_view bytes, OnRecord&& onRecord) {
        if (status_->kind != ReplyKind::kData) return false;
        return splitter_.Feed(bytes, onRecord);
    }

    std::optional<ReplyStatus> status_;
    std::string head_;  // bytes received while the status line is not whole
    RecordSplitter splitter_;
};

// ---- Exchange result codes ------------------------------------------------------------------

namespace result {
inline constexpr int kSuccess = 0;
inline constexpr int kMemory = -1;  // also: the request data is missing
inline constexpr int kNetworkKernel = -2;
inline constexpr int kCannotCreateSocket = -3;
inline constexpr int kCannotConnect = -4;
inline constexpr int kReadFile = -10;
inline constexpr int kWriteFile = -11;
}  // namespace result

// The user text of an exchange result code (GBK); unknown codes give "Unknown error code".
std::string ResultText(int code);

}  // namespace brevio::net
