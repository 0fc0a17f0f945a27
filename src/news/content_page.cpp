#include "news/content_page.h"

#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/keys.h"
#include "settings/registry_values.h"

namespace brevio::news {
namespace {

namespace keys = settings::keys;

// Replaces every occurrence of `from`, scanning left to right; the inserted text is not
// looked at again.
void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    if (from.empty()) return;
    std::string out;
    std::size_t start = 0;
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, start)) {
        out.append(text, start, at - start);
        out.append(to);
        start = at + from.size();
    }
    if (start == 0) return;
    out.append(text, start, std::string::npos);
    text = std::move(out);
}

constexpr std::string_view kIndent = "&nbsp;&nbsp;&nbsp;";

}  // namespace

PageSettings ReadPageSettings() {
    PageSettings s;
    s.backgroundColor = settings::ReadInt(keys::kContentBgColor, keys::kContentBgColorDefault);
    s.titleColor = settings::ReadInt(keys::kTitleFontColor, keys::kTitleFontColorDefault);
    s.contentColor = settings::ReadInt(keys::kContentFontColor, keys::kContentFontColorDefault);
    s.titleSize = settings::ReadInt(keys::kTitleFontSize, keys::kTitleFontSizeDefault);
    s.contentSize = settings::ReadInt(keys::kContentFontSize, keys::kContentFontSizeDefault);
    return s;
}

std::string ColorText(int windowsColor) {
    const auto v = static_cast<std::uint32_t>(windowsColor);
    const std::uint32_t reversed =
        (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
    return platform::Format("#%08X", reversed).substr(0, 7);
}

std::string ConvertContent(std::string_view content) {
    std::string text(content);
    ReplaceAll(text, " ", "&nbsp;");
    text.insert(0, kIndent);
    ReplaceAll(text, "\r\n", std::string("<br>") + std::string(kIndent));
    ReplaceAll(text, "\x04", "<font color=red>");
    ReplaceAll(text, "\x05", "</font>");
    return text;
}

const std::string& PageTemplate() {
    static const std::string kTemplate =
        "<html>\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">\n"
        "<head>\n"
        "<title><%%OSTRANEWSTITLE%%></title>\n"
        "<style type=text/css>\n"
        ".contentA{font-size:<%%CONTENTFONTSIZE%%>px;line-height:150%;color:<%%CONTENTFONTCOLOR%%>}"
        "\n"
        ".titleA {font-size:<%%TITLEFONTSIZE%%>px;color:<%%TITLEFONTCOLOR%%>;line-height:130%}\n"
        ".infoA{font-size:9pt;color:#cccccc;line-height:110%}\n"
        "\n"
        "</style>\n"
        "</head>\n"
        "<body topmargin=0 bgcolor=<%%BGCOLOR%%> >\n"
        "<table align=center width=98% ><tr><td class=titleA><%%OSTRANEWSTITLE%%></td></tr>"
        "<tr><td class=infoA><%%OSTRANEWSTIME%%>&nbsp;&nbsp;<%%OSTRANEWSWEBSITE%%></td></tr>"
        "<tr><td class=contentA><%%OSTRANEWSCONTENT%%></td></tr></table>\n"
        "</body></html>";
    return kTemplate;
}

std::string RenderPage(const PageItem& item, const PageSettings& settings) {
    std::string page = PageTemplate();
    ReplaceAll(page, "<%%TITLEFONTSIZE%%>", std::to_string(settings.titleSize));
    ReplaceAll(page, "<%%CONTENTFONTSIZE%%>", std::to_string(settings.contentSize));
    ReplaceAll(page, "<%%TITLEFONTCOLOR%%>", ColorText(settings.titleColor));
    ReplaceAll(page, "<%%CONTENTFONTCOLOR%%>", ColorText(settings.contentColor));
    ReplaceAll(page, "<%%BGCOLOR%%>", ColorText(settings.backgroundColor));
    ReplaceAll(page, "<%%OSTRANEWSTITLE%%>", item.title);
    ReplaceAll(page, "<%%OSTRANEWSCONTENT%%>", ConvertContent(item.content));
    ReplaceAll(page, "<%%OSTRANEWSTIME%%>", item.timeText);
    ReplaceAll(page, "<%%OSTRANEWSWEBSITE%%>", item.webSite);
    return page;
}

std::string ContentPagePath() {
    return platform::DriveCFolder() + "content.html";
}

int WritePage(std::string_view path, std::string_view page) {
    std::string bytes;
    bytes.reserve(page.size() + page.size() / 16);
    for (char c : page) {
        if (c == '\n') bytes += '\r';
        bytes += c;
    }
    platform::File file;
    if (!file.Open(path, platform::File::kCreate)) return kPageCannotOpen;
    // A short write leaves a page cut short, which the browser shows as far as it goes; the
    // next rendering replaces it.
    file.Write(bytes);
    return kPageWritten;
}

int RenderToFile(const PageItem& item, std::string_view path) {
    return WritePage(path, RenderPage(item, ReadPageSettings()));
}

std::string UnreadableContentText() {
    return "<font color=red>不能得到这条新闻的内容!双击新闻标题可进入原网站浏览。</font>";
}

std::string DisplayedContent(int readResult, std::string content) {
    return readResult > 0 ? std::move(content) : UnreadableContentText();
}

}  // namespace brevio::news
