// The server side of NSP/0.2: reading a request and answering it. One request arrives on a
// fresh connection: a request line "NAME NSP/0.2", header lines "NAME:value" (no blank
// after the colon), an empty line and, for a site proposal, a body of CONTENT-LENGTH bytes.
// All text is GBK. The answer is a status line "code,text" and, for code 200, data; the
// server then closes the connection.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "news_pool.h"
#include "reference_data.h"
#include "users.h"

namespace brevio::demo {

inline constexpr std::string_view kProtocolTag = "NSP/0.2";

// The command set by code; names compare without regard to case.
enum class NspCommand {
    kUnknown = -1,
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
NspCommand CommandFromName(std::string_view name);

struct NspRequest {
    std::string command;  // as sent
    std::string protocol;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    // The value of the first header of that name (compared without regard to case), or
    // null.
    const std::string* Header(std::string_view name) const;
};

// Parses the request line and the header lines: the text before the empty line, without
// it. Lines end in CR LF (a bare LF is taken too). False for an empty or malformed head.
bool ParseRequestHead(std::string_view head, NspRequest& out);

// The answer to one request, and a short UTF-8 summary for the request log.
struct NspReply {
    std::string bytes;
    std::string summary;
};

class NspService {
  public:
    NspService(const ReferenceData& refs, const UserTable& users, const NewsPool& pool)
        : refs_(refs), users_(users), pool_(pool) {}

    NspReply Handle(const NspRequest& request) const;
    // The answer to a request that could not be read.
    static NspReply Malformed();
    // The answer when the server has no room for one more connection.
    static NspReply Busy();

    // One news record: "KEY:value" lines ended by LF, CONTENT last, then 0x80 0x80.
    // `category` is the CATEGORY text: the item's own public category, or the trade code
    // a trade subscription asked for.
    static std::string Record(const NewsItem& item, std::string_view category);

  private:
    NspReply TransferNews(const NspRequest& request) const;
    NspReply UpdateCategory(const NspRequest& request) const;
    NspReply AddSite(const NspRequest& request) const;

    const ReferenceData& refs_;
    const UserTable& users_;
    const NewsPool& pool_;
};

}  // namespace brevio::demo
