#include "net/nsp_message.h"

#include <time.h>

#include <array>
#include <climits>

#include "platform/machine_id.h"
#include "platform/md5.h"
#include "platform/text.h"
#include "store/news_item.h"

namespace brevio::net {

// The record limit stays well above the largest record the store takes whole, with the status
// line of the first record.
static_assert(kMaxNewsRecordBytes >= 4 * (store::kLargestBlockBytes + 1023));

namespace {

constexpr std::array<std::string_view, 11> kCommandNames = {
    "TRANSFER_NEWS",   "UPDATE_CATEGORY", "REGISTER_USER",    "ADDSITE",
    "REG_DISTRIBUTOR", "LOOKUP_INFO",     "SEARCH_USER",      "INVITE",
    "DETECT",          "DISTRIBUTE_INFO", "DISTRIBUTE_RIGHT",
};

// "NAME NSP/0.2\r\nAUTHORIZATION:<machine>\xFF<digest>\r\nUSERID:<user>\r\n"
std::string RequestHead(NspCommand command, std::string_view machineId, std::string_view password,
                        std::string_view userId) {
    std::string out;
    out.reserve(160);
    out += CommandName(static_cast<int>(command));
    out += ' ';
    out += kProtocolTag;
    out += "\r\nAUTHORIZATION:";
    out += machineId;
    out += kAuthorizationSeparator;
    out += PasswordDigest(password);
    out += "\r\nUSERID:";
    out += userId;
    out += "\r\n";
    return out;
}

void AddHeader(std::string& out, std::string_view name, std::string_view value) {
    out += name;
    out += ':';
    out += value;
    out += "\r\n";
}

std::string_view LineOf(std::string_view text) {
    return text.substr(0, text.find_first_of("\r\n"));
}

}  // namespace

std::string_view CommandName(int code) {
    if (code < 1 || code > static_cast<int>(kCommandNames.size())) return {};
    return kCommandNames[static_cast<std::size_t>(code - 1)];
}

int CommandCode(std::string_view name) {
    if (name.empty()) return kUnknownCommand;
    for (std::size_t i = 0; i < kCommandNames.size(); ++i) {
        if (platform::EqualsNoCase(name, kCommandNames[i])) return static_cast<int>(i + 1);
    }
    return kUnknownCommand;
}

std::string MachineIdentification(std::uint32_t volumeSerial) {
    return platform::Md5Hex(platform::Format("%8lX", static_cast<unsigned long>(volumeSerial)));
}

std::string MachineIdentification() {
    return MachineIdentification(platform::VolumeSerial());
}

std::string PasswordDigest(std::string_view password) {
    return platform::Md5Hex(password);
}

std::optional<CategoryGroup> CategoryGroupFromName(std::string_view gbkName) {
    if (gbkName == "大众") return CategoryGroup::kPublic;
    if (gbkName == "行业") return CategoryGroup::kTrade;
    if (gbkName == "地区") return CategoryGroup::kRegion;
    return std::nullopt;
}

bool UsesReducedNewsRequest(CategoryGroup group, std::string_view categoryId) {
    // std::string_view compares through char_traits<char>, which orders bytes as unsigned.
    return group == CategoryGroup::kPublic && categoryId > std::string_view("40000");
}

std::string BuildNewsRequest(const NewsRequestInput& in, std::string_view machineId) {
    const bool reduced = UsesReducedNewsRequest(in.group, in.categoryId);
    std::string out = RequestHead(NspCommand::kTransferNews, machineId, in.password, in.userId);
    out += "CLASSIFY:";
    out += in.categoryId;
    out += ',';
    out += std::to_string(in.maxId);
    out += "|\r\n";
    AddHeader(out, "WEBSITES", reduced ? std::string_view() : in.webSites);
    AddHeader(out, "KEYWORDS", reduced ? std::string_view() : in.keywords);
    AddHeader(out, "KEYRANGE", std::to_string(reduced ? 0 : in.keyRange));
    out += kProductLine;
    out += "\r\n";
    return out;
}

std::string BuildNewsRequest(const NewsRequestInput& in) {
    return BuildNewsRequest(in, MachineIdentification());
}

std::string FormatLastUpdate(std::int64_t timeValue) {
    time_t t = static_cast<time_t>(timeValue);
    struct tm lt {};
    if (!localtime_r(&t, &lt)) return "1970-1-1 0:0:0";
    return platform::Format("%d-%d-%d %d:%d:%d", lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday,
                            lt.tm_hour, lt.tm_min, lt.tm_sec);
}

std::string BuildReferenceListRequest(const ReferenceListRequestInput& in,
                                      std::string_view machineId) {
    std::string out = RequestHead(NspCommand::kUpdateCategory, machineId, in.password, in.userId);
    AddHeader(out, "TYPE", in.type);
    AddHeader(out, "LASTUPDATE", FormatLastUpdate(in.lastUpdate));
    if (platform::EqualsNoCase(in.type, "catwebsites")) {
        AddHeader(out, "CAT", in.cat);
        if (!in.catId.empty()) AddHeader(out, "CATID", in.catId);
    }
    out += "\r\n";
    return out;
}

std::string BuildReferenceListRequest(const ReferenceListRequestInput& in) {
    return BuildReferenceListRequest(in, MachineIdentification());
}

std::string BuildSiteProposalRequest(const SiteProposalInput& in, std::string_view machineId) {
    std::string out = RequestHead(NspCommand::kAddSite, machineId, in.password, in.userId);
    AddHeader(out, "NAME", in.name);
    AddHeader(out, "URL", in.url);
    AddHeader(out, "CATEGORY", in.category);
    AddHeader(out, "TRADE", in.trade);
    AddHeader(out, "REGION", in.region);
    AddHeader(out, "CONTENT-LENGTH", std::to_string(in.description.size()));
    out += "\r\n";
    out += in.description;
    return out;
}

std::string BuildSiteProposalRequest(const SiteProposalInput& in) {
    return BuildSiteProposalRequest(in, MachineIdentification());
}

std::string FirstLine(std::string_view reply, std::size_t maxBytes) {
    return std::string(platform::DbcsPrefix(LineOf(reply), maxBytes));
}

ReplyStatus ParseReplyStatus(std::string_view reply) {
    ReplyStatus status;
    status.firstLine = FirstLine(reply);

    // The number as "%d" reads it: leading white space, an optional sign, then digits. A
    // value outside int is no status at all rather than a wrapped one.
    std::size_t i = 0;
    while (i < reply.size() && (reply[i] == ' ' || (reply[i] >= '\t' && reply[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < reply.size() && (reply[i] == '+' || reply[i] == '-')) negative = reply[i++] == '-';
    long long value = 0;
    std::size_t digits = 0;
    bool overflow = false;
    for (; i < reply.size() && reply[i] >= '0' && reply[i] <= '9'; ++i, ++digits) {
        if (!overflow) {
            value = value * 10 + (reply[i] - '0');
            if (value > static_cast<long long>(INT_MAX) + 1) overflow = true;
        }
    }
    if (negative) value = -value;
    if (digits == 0 || overflow || value > INT_MAX || value < INT_MIN) return status;

    status.code = static_cast<int>(value);
    if (*status.code == kStatusData) {
        status.kind = ReplyKind::kData;
    } else if (*status.code == kStatusNothingNew) {
        status.kind = ReplyKind::kNothingNew;
    }
    return status;
}

bool SiteProposalAccepted(std::string_view reply) {
    return !reply.empty() && reply.front() == '2';
}

std::optional<std::string> FindHeaderValue(std::string_view reply, std::string_view name,
                                           std::size_t bufferSize) {
    if (name.empty()) return std::nullopt;
    std::size_t at = reply.find(name);
    if (at == std::string_view::npos) return std::nullopt;
    std::size_t from = at + name.size();
    if (from < reply.size()) ++from;  // the separator after the name
    if (bufferSize == 0) return std::string();
    return std::string(platform::DbcsPrefix(LineOf(reply.substr(from)), bufferSize - 1));
}

void RecordSplitter::Append(std::string_view chunk) {
    buffer_.append(chunk.data(), chunk.size());
}

bool RecordSplitter::Next(std::string_view& record) {
    std::size_t at = buffer_.find(kRecordTerminator, scan_);
    if (at == std::string::npos) {
        // Resume at the last byte: it may be the first half of a terminator.
        scan_ = buffer_.size() > start_ ? buffer_.size() - 1 : start_;
        if (PendingBytes() > maxRecordBytes_) tooLong_ = true;
        return false;
    }
    std::size_t end = at + kRecordTerminator.size();
    if (end - start_ > maxRecordBytes_) {
        tooLong_ = true;
        return false;
    }
    record = std::string_view(buffer_).substr(start_, end - start_);
    start_ = end;
    scan_ = end;
    return true;
}

void RecordSplitter::Compact() {
    if (start_ == 0) return;
    buffer_.erase(0, start_);
    scan_ -= start_;
    start_ = 0;
}

std::string RecordSplitter::TakeLeftover() {
    std::string rest = buffer_.substr(start_);
    buffer_.clear();
    start_ = 0;
    scan_ = 0;
    return rest;
}

std::string ResultText(int code) {
    switch (code) {
        case result::kSuccess:
            return "Success";
        case result::kMemory:
            return "Memory allocation error";
        case result::kNetworkKernel:
            return "Network kernel error";
        case result::kCannotCreateSocket:
            return "Cannot create socket";
        case result::kCannotConnect:
            return "无法与服务器建立连接.请检测网络设置!";
        case result::kReadFile:
            return "Read File Error";
        case result::kWriteFile:
            return "Write File Error";
        default:
            return "Unknown error code";
    }
}

}  // namespace brevio::net
