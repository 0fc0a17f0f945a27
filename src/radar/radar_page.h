// How the radar turns a fetched page into the copy it stores.
#pragma once

#include <string>
#include <string_view>

namespace brevio::radar {

// The body as the radar stores it, before the final line feed: every line without its line
// feed, followed by "\n". A carriage return before a line feed stays in the text; a body
// that does not end in a line feed still ends its last line with "\n". An empty body gives
// an empty text.
std::string PageLines(std::string_view body);

// True when a page gets the blog rule: its URL, as configured, contains the blog host's
// address. An empty blog host matches nothing.
bool IsBlogPage(std::string_view url, std::string_view blogHost);

// The blog rule. The pages of the blog host are UTF-8; only their article list is kept: the
// text from the marker "最新文章列表" up to the marker "我的文章分类" (or, without that one
// after it, up to "最新评论", or else 3000 bytes), converted to GBK. A page without the first
// marker, or with it at the very first byte, becomes empty.
std::string BlogArticleList(std::string_view utf8PageText);

}  // namespace brevio::radar
