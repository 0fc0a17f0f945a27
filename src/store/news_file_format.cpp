#include "store/news_file_format.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"

namespace brevio::store {

using platform::CopyToField;
using platform::FieldText;

std::string NewsRecord::Title() const {
    return FieldText(title.data(), title.size());
}
std::string NewsRecord::Url() const {
    return FieldText(url.data(), url.size());
}
std::string NewsRecord::WebSite() const {
    return FieldText(webSite.data(), webSite.size());
}
std::string NewsRecord::HideMark() const {
    return FieldText(hideMark.data(), hideMark.size());
}

void NewsRecord::SetTitle(std::string_view text) {
    CopyToField(title.data(), title.size(), text);
}
void NewsRecord::SetUrl(std::string_view text) {
    CopyToField(url.data(), url.size(), text);
}
void NewsRecord::SetWebSite(std::string_view text) {
    CopyToField(webSite.data(), webSite.size(), text);
}
void NewsRecord::SetHideMark(std::string_view text) {
    CopyToField(hideMark.data(), hideMark.size(), text);
}

void PutInt32(char* at, std::int32_t value) {
    auto u = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) at[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
}

std::int32_t GetInt32(const char* at) {
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i)
        u |= static_cast<std::uint32_t>(static_cast<unsigned char>(at[i])) << (8 * i);
    return static_cast<std::int32_t>(u);
}

void EncodeHeader(const IndexHeader& header, std::span<char, kIndexHeaderSize> out) {
    namespace off = header_offset;
    std::fill(out.begin(), out.end(), '\0');
    std::memcpy(out.data() + off::kTag, header.tag.data(), header.tag.size());
    out[off::kFlagA] = static_cast<char>(header.flagA);
    out[off::kFlagB] = static_cast<char>(header.flagB);
    PutInt32(out.data() + off::kLiveCount, header.liveCount);
    PutInt32(out.data() + off::kDeletedCount, header.deletedCount);
    PutInt32(out.data() + off::kCutoffDate, header.cutoffDate);
}

IndexHeader DecodeHeader(std::span<const char, kIndexHeaderSize> in) {
    namespace off = header_offset;
    IndexHeader h;
    std::memcpy(h.tag.data(), in.data() + off::kTag, h.tag.size());
    h.flagA = static_cast<std::uint8_t>(in[off::kFlagA]);
    h.flagB = static_cast<std::uint8_t>(in[off::kFlagB]);
    h.liveCount = GetInt32(in.data() + off::kLiveCount);
    h.deletedCount = GetInt32(in.data() + off::kDeletedCount);
    h.cutoffDate = GetInt32(in.data() + off::kCutoffDate);
    return h;
}

void EncodeRecord(const NewsRecord& r, std::span<char, kRecordSize> out) {
    namespace off = record_offset;
    char* p = out.data();
    out[off::kIsDeleted] = static_cast<char>(r.isDeleted);
    PutInt32(p + off::kNewsId, r.newsId);
    std::memcpy(p + off::kTitle, r.title.data(), r.title.size());
    std::memcpy(p + off::kUrl, r.url.data(), r.url.size());
    std::memcpy(p + off::kWebSite, r.webSite.data(), r.webSite.size());
    PutInt32(p + off::kDate, r.date);
    PutInt32(p + off::kTime, r.time);
    PutInt32(p + off::kOffset, static_cast<std::int32_t>(r.offset));
    PutInt32(p + off::kLength, r.length);
    out[off::kIsRead] = static_cast<char>(r.isRead);
    std::memcpy(p + off::kHideMark, r.hideMark.data(), r.hideMark.size());
}

NewsRecord DecodeRecord(std::span<const char, kRecordSize> in) {
    namespace off = record_offset;
    const char* p = in.data();
    NewsRecord r;
    r.isDeleted = static_cast<std::uint8_t>(in[off::kIsDeleted]);
    r.newsId = GetInt32(p + off::kNewsId);
    std::memcpy(r.title.data(), p + off::kTitle, r.title.size());
    std::memcpy(r.url.data(), p + off::kUrl, r.url.size());
    std::memcpy(r.webSite.data(), p + off::kWebSite, r.webSite.size());
    r.date = GetInt32(p + off::kDate);
    r.time = GetInt32(p + off::kTime);
    r.offset = static_cast<std::uint32_t>(GetInt32(p + off::kOffset));
    r.length = GetInt32(p + off::kLength);
    r.isRead = static_cast<std::uint8_t>(in[off::kIsRead]);
    std::memcpy(r.hideMark.data(), p + off::kHideMark, r.hideMark.size());
    return r;
}

std::string RecordTimeText(std::int32_t date, std::int32_t time) {
    std::string text = platform::Format("%08d %06d", date, time);
    // Each position counts in the text as it stands after the earlier insertions.
    text.insert(4, 1, '-');
    text.insert(7, 1, '-');
    text.insert(13, 1, ':');
    text.insert(16, 1, ':');
    return text;
}

}  // namespace brevio::store
