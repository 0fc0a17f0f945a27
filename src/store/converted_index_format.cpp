#include "store/converted_index_format.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"
#include "store/news_file_format.h"

namespace brevio::store {

using platform::CopyToField;
using platform::FieldText;

std::string ConvertedRecord::Title() const {
    return FieldText(title.data(), title.size());
}
std::string ConvertedRecord::FileBase() const {
    return FieldText(fileBase.data(), fileBase.size());
}
std::string ConvertedRecord::Url() const {
    return FieldText(url.data(), url.size());
}
std::string ConvertedRecord::WebSite() const {
    return FieldText(webSite.data(), webSite.size());
}
std::string ConvertedRecord::TimeText() const {
    return FieldText(timeText.data(), timeText.size());
}

void ConvertedRecord::SetTitle(std::string_view text) {
    CopyToField(title.data(), title.size(), text);
}
void ConvertedRecord::SetFileBase(std::string_view text) {
    CopyToField(fileBase.data(), fileBase.size(), text);
}
void ConvertedRecord::SetUrl(std::string_view text) {
    CopyToField(url.data(), url.size(), text);
}
void ConvertedRecord::SetWebSite(std::string_view text) {
    CopyToField(webSite.data(), webSite.size(), text);
}
void ConvertedRecord::SetTimeText(std::string_view text) {
    CopyToField(timeText.data(), timeText.size(), text);
}

void EncodeConvertedHeader(const ConvertedHeader& header,
                           std::span<char, kConvertedHeaderSize> out) {
    namespace off = converted_header_offset;
    std::fill(out.begin(), out.end(), '\0');
    std::memcpy(out.data() + off::kTag, kIndexTag.data(), kIndexTag.size());
    out[off::kFlagA] = 1;
    out[off::kFlagB] = 1;
    PutInt32(out.data() + off::kLiveCount, header.liveCount);
    PutInt32(out.data() + off::kDeletedCount, header.deletedCount);
}

ConvertedHeader DecodeConvertedHeader(std::span<const char, kConvertedHeaderSize> in) {
    namespace off = converted_header_offset;
    ConvertedHeader h;
    h.liveCount = GetInt32(in.data() + off::kLiveCount);
    h.deletedCount = GetInt32(in.data() + off::kDeletedCount);
    return h;
}

bool HasConvertedTag(std::span<const char, kConvertedHeaderSize> in) {
    return std::string_view(in.data(), kIndexTag.size()) == kIndexTag;
}

void EncodeConvertedRecord(const ConvertedRecord& r, std::span<char, kConvertedRecordSize> out) {
    namespace off = converted_offset;
    char* p = out.data();
    out[off::kIsDeleted] = static_cast<char>(r.isDeleted);
    PutInt32(p + off::kNewsId, r.newsId);
    PutInt32(p + off::kCode, r.code);
    std::memcpy(p + off::kTitle, r.title.data(), r.title.size());
    std::memcpy(p + off::kFileBase, r.fileBase.data(), r.fileBase.size());
    std::memcpy(p + off::kUrl, r.url.data(), r.url.size());
    std::memcpy(p + off::kWebSite, r.webSite.data(), r.webSite.size());
    std::memcpy(p + off::kTimeText, r.timeText.data(), r.timeText.size());
}

ConvertedRecord DecodeConvertedRecord(std::span<const char, kConvertedRecordSize> in) {
    namespace off = converted_offset;
    const char* p = in.data();
    ConvertedRecord r;
    r.isDeleted = static_cast<std::uint8_t>(in[off::kIsDeleted]);
    r.newsId = GetInt32(p + off::kNewsId);
    r.code = GetInt32(p + off::kCode);
    std::memcpy(r.title.data(), p + off::kTitle, r.title.size());
    std::memcpy(r.fileBase.data(), p + off::kFileBase, r.fileBase.size());
    std::memcpy(r.url.data(), p + off::kUrl, r.url.size());
    std::memcpy(r.webSite.data(), p + off::kWebSite, r.webSite.size());
    std::memcpy(r.timeText.data(), p + off::kTimeText, r.timeText.size());
    return r;
}

std::string ConvertedTitle(std::string_view title) {
    title = platform::Trim(title);
    if (title.size() > kConvertedTitleMax) {
        return platform::ShortenTitle(title, kConvertedTitleCutKeep);
    }
    return std::string(title);
}

std::string ConvertedWebSite(std::string_view name) {
    if (name.size() >= kWebSiteFieldSize) name = platform::DbcsPrefix(name, kWebSiteCutKeep);
    return std::string(name);
}

namespace {

// One "%Nd" as the C library reads it: white space, an optional sign, 1 to `width` digits
// (the sign counts towards the width).
bool ScanWidthInt(std::string_view s, std::size_t& i, std::size_t width, int& value) {
    while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
    std::size_t used = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
        ++used;
    }
    int v = 0;
    std::size_t digits = 0;
    while (i < s.size() && used < width && s[i] >= '0' && s[i] <= '9') {
        v = v * 10 + (s[i] - '0');
        ++i;
        ++used;
        ++digits;
    }
    if (digits == 0) return false;
    value = negative ? -v : v;
    return true;
}

}  // namespace

std::int32_t ConvertedDate(std::string_view timeText) {
    int year = 0, month = 0, day = 0;
    std::size_t i = 0;
    if (!ScanWidthInt(timeText, i, 4, year)) return 0;
    if (i < timeText.size() && timeText[i] == '-') {
        ++i;
        if (ScanWidthInt(timeText, i, 2, month) && i < timeText.size() && timeText[i] == '-') {
            ++i;
            ScanWidthInt(timeText, i, 2, day);
        }
    }
    if (year >= 0 && year < 100) year += 2000;
    return year * 10000 + month * 100 + day;
}

}  // namespace brevio::store
