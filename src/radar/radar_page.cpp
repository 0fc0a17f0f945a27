#include "radar/radar_page.h"

#include "platform/text.h"

namespace brevio::radar {
namespace {

constexpr std::size_t kBlogDefaultLength = 3000;

// Position of the marker as a signed offset, -1 when absent.
long long Find(std::string_view text, std::string_view marker) {
    std::size_t at = text.find(marker);
    return at == std::string_view::npos ? -1 : static_cast<long long>(at);
}

}  // namespace

std::string PageLines(std::string_view body) {
    std::string text;
    text.reserve(body.size() + 1);
    std::size_t start = 0;
    while (start < body.size()) {
        std::size_t lf = body.find('\n', start);
        std::size_t end = lf == std::string_view::npos ? body.size() : lf;
        text.append(body.substr(start, end - start));
        text += '\n';
        start = end + 1;
    }
    return text;
}

bool IsBlogPage(std::string_view url, std::string_view blogHost) {
    return !blogHost.empty() && url.find(blogHost) != std::string_view::npos;
}

std::string BlogArticleList(std::string_view text) {
    // The markers are written in GBK here (the source literals) and looked for in UTF-8.
    static const std::string kStart = platform::GbkToUtf8("最新文章列表");
    static const std::string kEndCategories = platform::GbkToUtf8("我的文章分类");
    static const std::string kEndComments = platform::GbkToUtf8("最新评论");
    const long long start = Find(text, kStart);
    const long long end2 = Find(text, kEndCategories);
    const long long end3 = Find(text, kEndComments);
    if (start <= 0) return std::string();
    long long length = static_cast<long long>(kBlogDefaultLength);
    if (end2 > 0 && start < end2) {
        length = end2 - start;
    } else if (end3 > 0 && start < end3) {
        length = end3 - start;
    }
    return platform::Utf8ToGbk(
        text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(length)));
}

}  // namespace brevio::radar
