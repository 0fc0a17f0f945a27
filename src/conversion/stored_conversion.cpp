#include "conversion/stored_conversion.h"

#include "platform/text.h"
#include "store/news_file.h"

namespace brevio::conversion {
namespace {

std::int32_t CodeNumber(std::string_view code) {
    return static_cast<std::int32_t>(platform::ParseLeadingInt(code));
}

}  // namespace

std::string CategoryFolderFor(const reference::ReferenceTables& tables, int kind,
                              std::string_view code) {
    std::optional<std::string> name = tables.NameByKind(GroupKind(kind), code);
    return SafeFolderName(name ? *name : std::string(code), code);
}

std::vector<ConvertedFile> ConvertStoredItem(const ConversionSettings& settings,
                                             const reference::ReferenceTables& tables,
                                             int folderKind, std::string_view base,
                                             const store::NewsRecord& record,
                                             std::string_view content, int format) {
    std::vector<ConvertedFile> files;
    if (format != kFormatText && format != kFormatHtml && format != kFormatTextAndHtml) {
        return files;
    }
    ConversionItem item;
    item.kind = ListKindOfFolder(folderKind);
    item.code = CodeNumber(base);
    item.record = record;
    item.content = std::string(content);
    item.fileTitle = SafeTitle(record.Title());
    const std::string category = CategoryFolderFor(tables, item.kind, base);
    if (format != kFormatHtml) {
        files.push_back(ConvertToText(
            settings, ManualFolder(settings.convertPath, OutputForm::kText, record.date, category),
            item));
    }
    if (format != kFormatText) {
        files.push_back(ConvertToHtml(
            settings, ManualFolder(settings.convertPath, OutputForm::kHtml, record.date, category),
            item));
    }
    return files;
}

StoredConversion ConvertStoredItems(const ConversionSettings& settings,
                                    const reference::ReferenceTables& tables,
                                    std::string_view contentFolder, int folderKind,
                                    std::string_view base, const std::vector<std::int32_t>& ids,
                                    int format) {
    StoredConversion out;
    const std::string folder = store::ResolveFolder(contentFolder, folderKind);
    for (std::int32_t id : ids) {
        store::NewsRecord record;
        std::string content;
        if (store::ReadItem(folder, base, id, record, content) < 0) {
            out.missing.push_back(id);
            continue;
        }
        std::vector<ConvertedFile> files =
            ConvertStoredItem(settings, tables, folderKind, base, record, content, format);
        bool ok = !files.empty();
        for (ConvertedFile& f : files) {
            ok = ok && f.result == 0;
            out.files.push_back(std::move(f));
        }
        if (ok) ++out.converted;
    }
    return out;
}

std::string ConvertedCountText(int converted) {
    return platform::Format("共有%d条新闻转换成功!", converted);
}

// --- NewsEditForm ------------------------------------------------------------------------

std::string NewsEditForm::Title() {
    return "新闻编辑";
}
std::string NewsEditForm::SaveAsTitle() {
    return "编辑新闻另存为";
}
std::string NewsEditForm::SaveAsFilter() {
    return "Text Files (*.txt)|*.txt||";
}
std::string NewsEditForm::SaveAsExtension() {
    return ".txt";
}

NewsEditForm::NewsEditForm(int folderKind, std::string base, const store::NewsRecord& record,
                           std::string contentText)
    : title(record.Title()),
      content(std::move(contentText)),
      site(record.WebSite()),
      date(record.date),
      time(record.time),
      folderKind_(folderKind),
      base_(std::move(base)),
      record_(record) {}

store::NewsRecord NewsEditForm::EditedRecord() const {
    store::NewsRecord r = record_;
    std::string_view t = platform::Trim(title);
    if (t.size() > store::kTitleMax) {
        r.SetTitle(platform::ShortenTitle(t, store::kTitleCutKeep));
    } else {
        r.SetTitle(t);
    }
    r.SetWebSite(site);
    r.date = date;
    r.time = time;
    return r;
}

NewsEditForm::Outcome NewsEditForm::Convert(const ConversionSettings& settings,
                                            const reference::ReferenceTables& tables,
                                            int format) const {
    Outcome out;
    if (platform::Trim(title).empty()) {
        out.message = {"新闻标题不能为空!", store::ProgramMessageTitle(),
                       platform::MessageBoxSink::kWarning};
        return out;
    }
    out.files = ConvertStoredItem(settings, tables, folderKind_, base_, EditedRecord(), content,
                                  format);
    out.message = {"转换新闻成功!", store::ProgramMessageTitle(),
                   platform::MessageBoxSink::kInformation};
    out.close = true;
    return out;
}

int NewsEditForm::SaveAs(std::string_view path) const {
    return WriteWholeFile(path, content);
}

}  // namespace brevio::conversion
