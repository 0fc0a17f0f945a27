// show KIND BASE ID | show --empty: the content page of a stored item, rendered and written as
// the desktop client's content pane does it; prints the page's path.
#include "commands.h"
#include "news/content_page.h"
#include "platform/text.h"
#include "settings/app_settings.h"
#include "store/news_file.h"
#include "store_args.h"

namespace brevio::cli {
namespace {

int Written(const std::string& path, int rc) {
    if (rc != news::kPageWritten) {
        ErrorLine("cannot write " + path);
        return kExitFailure;
    }
    PrintLineGbk(path);
    return kExitOk;
}

// The page with four empty texts: what the content pane shows when no item is selected.
int ShowEmpty() {
    const std::string path = news::ContentPagePath();
    return Written(path, news::RenderToFile(news::PageItem{}, path));
}

int ShowItem(const Args& args) {
    store::FolderKind kind = 0;
    if (!ParseFolderKind(args[0], kind)) {
        ErrorLine("unknown folder kind " + ToGbk(args[0]));
        return kExitUsage;
    }
    std::int32_t id = 0;
    if (!ParseNewsId(args[2], id)) {
        ErrorLine("not a news ID: " + ToGbk(args[2]));
        return kExitUsage;
    }
    const settings::AppSettings s = settings::LoadAppSettings();
    const std::string folder = store::ResolveFolder(s.contentFolder, kind);
    const std::string base = ToGbk(args[1]);
    store::NewsRecord record;
    record.newsId = id == 0 ? 1 : 0;  // tells a found record from an untouched one
    std::string content;
    const int rc = store::ReadItem(folder, base, id, record, content);
    // A record found with a content that cannot be read is shown with the substitute content,
    // as the list shows it.
    if (record.newsId != id && rc == store::kCannotOpen) {
        ErrorLine("cannot open " + store::BasePath(folder, base));
        return kExitFailure;
    }
    if (record.newsId != id) {
        ErrorLine(platform::Format("no record with ID %d in %s", id,
                                   store::BasePath(folder, base).c_str()));
        return kExitFailure;
    }
    news::PageItem item;
    item.title = record.Title();
    item.timeText = store::RecordTimeText(record.date, record.time);
    item.webSite = record.WebSite();
    item.content = news::DisplayedContent(rc, std::move(content));
    const std::string path = news::ContentPagePath();
    return Written(path, news::RenderToFile(item, path));
}

int Show(const Args& args) {
    if (args.size() == 1 && args[0] == "--empty") return ShowEmpty();
    if (args.size() != 3) return Usage("show");
    return ShowItem(args);
}

}  // namespace

BREVIO_COMMAND("show",
               "  show KIND BASE ID                   render a stored item as the content pane\n"
               "                                      shows it (colours and sizes of the\n"
               "                                      settings) and print the page's path\n"
               "  show --empty                        render the page without an item",
               Show);

}  // namespace brevio::cli
