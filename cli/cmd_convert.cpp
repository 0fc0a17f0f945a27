// The conversion commands: convert (stored items to text and web-page files), converted (the
// converted-news indexes), tidy (old converted news) and templates (the HTML templates).
// They work on the conversion path of the settings beside a running client.
#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "conversion/conversion_settings.h"
#include "conversion/converted_rows.h"
#include "conversion/output_layout.h"
#include "conversion/stored_conversion.h"
#include "conversion/templates.h"
#include "conversion/tidy.h"
#include "platform/text.h"
#include "reference/reference_tables.h"
#include "settings/app_settings.h"
#include "store/converted_index.h"
#include "store_args.h"

namespace brevio::cli {
namespace {

namespace conv = conversion;

// The settings, tables and conversion settings a command works with.
struct Context {
    settings::AppSettings app;
    reference::ReferenceTables tables;
    conv::ConversionSettings conversion;
};

std::unique_ptr<Context> LoadContext() {
    auto ctx = std::make_unique<Context>();
    ctx->app = settings::LoadAppSettings();
    ctx->tables.LoadAll(ctx->app.contentFolder);
    ctx->conversion = conv::LoadConversionSettings(ctx->app.programFolder, ctx->tables);
    return ctx;
}

bool ParseGroup(const std::string& text, int& kind) {
    if (text == "public")
        kind = conv::kKindPublic;
    else if (text == "trade")
        kind = conv::kKindTrade;
    else if (text == "region")
        kind = conv::kKindRegion;
    else
        return false;
    return true;
}

// --- convert ------------------------------------------------------------------------------

int Convert(const Args& args) {
    if (args.size() < 4) return Usage("convert");
    int format = 0;
    if (args[0] == "text")
        format = conv::kFormatText;
    else if (args[0] == "html")
        format = conv::kFormatHtml;
    else if (args[0] == "both")
        format = conv::kFormatTextAndHtml;
    else
        return Usage("convert");
    store::FolderKind kind = 0;
    if (!ParseFolderKind(args[1], kind)) return Usage("convert");
    std::vector<std::int32_t> ids;
    for (std::size_t i = 3; i < args.size(); ++i) {
        std::int32_t id = 0;
        if (!ParseNewsId(args[i], id)) return Usage("convert");
        ids.push_back(id);
    }
    std::unique_ptr<Context> ctx = LoadContext();
    const std::string base = ToGbk(args[2]);
    conv::StoredConversion done = conv::ConvertStoredItems(
        ctx->conversion, ctx->tables, ctx->app.contentFolder, kind, base, ids, format);
    bool ok = done.missing.empty();
    for (const conv::ConvertedFile& f : done.files) {
        if (f.result == 0) {
            PrintLineGbk(f.path);
        } else {
            ErrorLine(platform::Format("cannot write %s (result %d)", f.path.c_str(), f.result));
            ok = false;
        }
    }
    for (std::int32_t id : done.missing) {
        ErrorLine(platform::Format("no news item %d in %s %s", id, FolderKindName(kind).c_str(),
                                   base.c_str()));
    }
    return ok ? kExitOk : kExitFailure;
}

// --- converted ----------------------------------------------------------------------------

// INDEX: a path below the conversion path, without ".idx".
bool IndexBase(const Context& ctx, const std::string& arg, std::string& base) {
    const std::string rel = ToGbk(arg);
    if (rel.empty() || rel.front() == '/' || rel.back() == '/' || !store::IsSafeFolder(rel)) {
        ErrorLine("INDEX must be a path below the conversion path: " + rel);
        return false;
    }
    base = ctx.conversion.convertPath + rel;
    return true;
}

// The group and form of one of the six group index names (PeopleText, TradeHtml, ...).
bool GroupOfIndex(const std::string& base, int& kind, conv::OutputForm& form) {
    const std::string name = base.substr(base.rfind('/') + 1);
    for (int k : {conv::kKindPublic, conv::kKindTrade, conv::kKindRegion}) {
        for (conv::OutputForm f : {conv::OutputForm::kText, conv::OutputForm::kHtml}) {
            if (name == conv::IndexName(k, f)) {
                kind = k;
                form = f;
                return true;
            }
        }
    }
    return false;
}

int ConvertedList(const std::string& base, const std::string* codeArg) {
    std::string out = "id\tcode\ttitle\tfile\turl\tsite\ttime\n";
    auto row = [&](const store::ConvertedRecord& r) {
        out += std::to_string(r.newsId) + "\t" + std::to_string(r.code) + "\t" +
               TsvCell(r.Title()) + "\t" + TsvCell(r.FileBase()) + "\t" + TsvCell(r.Url()) + "\t" +
               TsvCell(r.WebSite()) + "\t" + TsvCell(r.TimeText()) + "\n";
    };
    int rc = 0;
    if (codeArg) {
        std::int32_t code = 0;
        if (!ParseNewsId(*codeArg, code)) return Usage("converted");
        rc = store::ListConverted(base, code, row);
    } else {
        rc = store::ListAllConverted(base, row);
    }
    if (rc < 0) {
        ErrorLine(platform::Format("cannot read %s.idx (result %d)", base.c_str(), rc));
        return kExitFailure;
    }
    PrintGbk(out);
    return kExitOk;
}

int ConvertedDelete(const Context& ctx, const std::string& base, const std::string& idArg) {
    std::int32_t id = 0;
    if (!ParseNewsId(idArg, id)) return Usage("converted");
    int kind = 0;
    conv::OutputForm form = conv::OutputForm::kText;
    std::string removed;
    bool marked = false;
    int rc = 0;
    if (GroupOfIndex(base, kind, form)) {
        rc = conv::DeleteConvertedRow(ctx.conversion, ctx.tables, base, kind, form, id, &removed,
                                      &marked);
    } else {
        rc = store::MarkConvertedDeleted(base, id, &marked);
    }
    if (rc < 0) {
        ErrorLine(platform::Format("cannot change %s.idx (result %d)", base.c_str(), rc));
        return kExitFailure;
    }
    if (!marked) {
        ErrorLine(platform::Format("no converted item %d in %s.idx", id, base.c_str()));
        return kExitFailure;
    }
    if (!removed.empty()) PrintLineGbk(removed);
    return kExitOk;
}

int ConvertedPurge(const std::string& base, const Args& args) {
    int dropped = 0;
    int rc = 0;
    if (args.size() == 2) {
        store::ConvertedHeader before;
        rc = store::ReadConvertedHeader(base, before);
        if (rc >= 0) {
            store::ConvertedHeader after;
            rc = store::PurgeDeleted(base);
            if (rc >= 0 && store::ReadConvertedHeader(base, after) >= 0) {
                dropped = before.liveCount - after.liveCount;
            }
        }
    } else if (args.size() == 4 && args[2] == "--older") {
        long long cutoff = 0;
        if (!ParseInt(args[3], cutoff) || args[3].size() != 8) return Usage("converted");
        rc = store::PurgeOlder(base, static_cast<std::int32_t>(cutoff), &dropped);
    } else {
        return Usage("converted");
    }
    if (rc < 0) {
        ErrorLine(platform::Format("cannot purge %s.idx (result %d)", base.c_str(), rc));
        return kExitFailure;
    }
    std::printf("dropped\t%d\n", dropped);
    return kExitOk;
}

int Converted(const Args& args) {
    if (args.size() < 2) return Usage("converted");
    const std::string& verb = args[0];
    const bool known = (verb == "list" && args.size() <= 3) ||
                       (verb == "delete" && args.size() == 3) || verb == "purge";
    if (!known) return Usage("converted");
    std::unique_ptr<Context> ctx = LoadContext();
    std::string base;
    if (!IndexBase(*ctx, args[1], base)) return kExitUsage;
    if (verb == "list") return ConvertedList(base, args.size() == 3 ? &args[2] : nullptr);
    if (verb == "delete") return ConvertedDelete(*ctx, base, args[2]);
    return ConvertedPurge(base, args);
}

// --- tidy ---------------------------------------------------------------------------------

int Tidy(const Args& args) {
    int kind = 0;
    long long days = 0;
    if (args.size() != 2 || !ParseGroup(args[0], kind) || !ParseInt(args[1], days) ||
        days < INT32_MIN || days > INT32_MAX) {
        return Usage("tidy");
    }
    std::unique_ptr<Context> ctx = LoadContext();
    conv::TidyResult result = conv::TidyConverted(ctx->conversion, kind, static_cast<int>(days));
    if (result.refusal) {
        ErrorLine(result.refusal->text);
        return kExitFailure;
    }
    std::string out;
    for (const std::string& folder : result.removedFolders) out += "removed\t" + folder + "\n";
    out += "dropped\t" + std::string(conv::HtmlIndexName(kind)) + "\t" +
           std::to_string(result.droppedHtml) + "\n";
    out += "dropped\t" + std::string(conv::TextIndexName(kind)) + "\t" +
           std::to_string(result.droppedText) + "\n";
    PrintGbk(out);
    for (const std::string& folder : result.failedFolders) ErrorLine("cannot delete " + folder);
    return result.failedFolders.empty() ? kExitOk : kExitFailure;
}

// --- templates ----------------------------------------------------------------------------

int IndexOfTemplate(const conv::TemplateManagerForm& form, const std::string& name) {
    for (std::size_t i = 0; i < form.Names().size(); ++i) {
        if (form.Names()[i] == name) return static_cast<int>(i);
    }
    return -1;
}

int Refused(const std::optional<store::FormMessage>& message) {
    if (!message) return kExitOk;
    ErrorLine(message->text);
    return kExitFailure;
}

int Templates(const Args& args) {
    if (args.empty()) return Usage("templates");
    const std::string& verb = args[0];
    const std::size_t want = verb == "list" ? 1 : verb == "rename" ? 3 : 2;
    if (args.size() != want || (verb != "list" && verb != "add" && verb != "delete" &&
                                verb != "rename" && verb != "preview")) {
        return Usage("templates");
    }
    settings::AppSettings app = settings::LoadAppSettings();
    conv::TemplateManagerForm form(app.programFolder);
    if (verb == "list") {
        std::string out = "name\tfile\n";
        for (const std::string& name : form.Names()) {
            out += TsvCell(name) + "\t" + conv::TemplateFilePath(form.TemplatePath(), name) + "\n";
        }
        PrintGbk(out);
        return kExitOk;
    }
    if (verb == "add") return Refused(form.Add(ToGbk(args[1])));
    const std::string name = ToGbk(args[1]);
    const int index = IndexOfTemplate(form, name);
    if (verb == "preview" && index < 0 && name == conv::FixedTemplateName()) {
        std::optional<std::string> page =
            conv::WritePreview(app.programFolder, form.TemplatePath(), name);
        if (!page) return Refused(store::FormMessage{"cannot write the preview page", {}, {}});
        PrintLineGbk(*page);
        return kExitOk;
    }
    if (index < 0) {
        ErrorLine("no template " + name);
        return kExitFailure;
    }
    if (verb == "delete") return Refused(form.Delete(index));
    if (verb == "rename") return Refused(form.Rename(index, ToGbk(args[2])));
    std::string page;
    if (int rc = Refused(form.Preview(index, &page)); rc != kExitOk) return rc;
    PrintLineGbk(page);
    return kExitOk;
}

}  // namespace

BREVIO_COMMAND("convert",
               "  convert text|html|both KIND BASE ID...\n"
               "                                      convert stored items into files under the\n"
               "                                      conversion path (folders by date and\n"
               "                                      category); prints each file written",
               Convert);
BREVIO_COMMAND("converted",
               "  converted list INDEX [CODE]         the present records of a converted-news\n"
               "                                      index (INDEX below the conversion path,\n"
               "                                      without .idx, e.g. PeopleText), as TSV\n"
               "  converted delete INDEX ID           mark a record deleted (and delete its file\n"
               "                                      for a group index); prints the file\n"
               "  converted purge INDEX [--older YYYYMMDD]\n"
               "                                      drop deleted records (or those dated\n"
               "                                      before the day); prints the count",
               Converted);
BREVIO_COMMAND("tidy",
               "  tidy public|trade|region DAYS       delete the group's converted day folders\n"
               "                                      DAYS days old and older and the index\n"
               "                                      entries before them; prints what went",
               Tidy);
BREVIO_COMMAND("templates",
               "  templates list|add FILE|delete NAME|rename NAME NEWNAME|preview NAME\n"
               "                                      the HTML templates of the conversion;\n"
               "                                      preview prints the page written",
               Templates);

}  // namespace brevio::cli
