// newsfile list|read|mark-read|delete|restore|header: the news files of the content folder.
#include <climits>
#include <string>

#include "commands.h"
#include "platform/text.h"
#include "settings/app_settings.h"
#include "store/news_file.h"
#include "store_args.h"

namespace brevio::cli {
namespace {

// The news file an invocation names: folder of KIND under the content folder, and BASE.
struct Target {
    std::string folder;
    std::string base;
};

Target MakeTarget(store::FolderKind kind, const std::string& base) {
    settings::AppSettings s = settings::LoadAppSettings();
    return {store::ResolveFolder(s.contentFolder, kind), ToGbk(base)};
}

int Failure(const char* what, int rc) {
    ErrorLine(platform::Format("%s failed: result %d", what, rc));
    return kExitFailure;
}

int List(const Target& t) {
    std::string out = std::string(kRecordColumns) + "\n";
    int rc = store::ListRecords(t.folder, t.base,
                                [&](const store::NewsRecord& r) { out += RecordRow(r); });
    if (rc < 0) return Failure("list", rc);
    PrintGbk(out);
    return kExitOk;
}

int Read(const Target& t, std::int32_t id) {
    store::NewsRecord record;
    std::string content;
    int rc = store::ReadItem(t.folder, t.base, id, record, content);
    if (rc < 0) return Failure("read", rc);
    PrintLineGbk(content);
    return kExitOk;
}

int Flag(const Target& t, const char* what, int rc, std::int32_t id) {
    if (rc == store::kNotFound) {
        ErrorLine(platform::Format("%s: no record with ID %d in %s", what, id,
                                   store::BasePath(t.folder, t.base).c_str()));
        return kExitFailure;
    }
    if (rc < 0) return Failure(what, rc);
    return kExitOk;
}

int Header(const Target& t) {
    store::IndexHeader h;
    int rc = store::ReadHeader(t.folder, t.base, h);
    if (rc < 0) return Failure("header", rc);
    PrintLineGbk("tag\tflag8\tflag9\tlive\tdeleted\tcutoff");
    PrintLineGbk(platform::Format("%s\t%d\t%d\t%d\t%d\t%d",
                                  TsvCell(platform::FieldText(h.tag.data(), h.tag.size())).c_str(),
                                  h.flagA, h.flagB, h.liveCount, h.deletedCount, h.cutoffDate));
    return kExitOk;
}

// The number of arguments a verb takes after KIND BASE.
std::size_t ArgsAfterBase(const std::string& verb) {
    if (verb == "read" || verb == "delete" || verb == "restore") return 1;
    if (verb == "mark-read") return 2;
    return 0;  // list, header
}

int Run(const Args& args) {
    const std::string& verb = args[0];
    if (args.size() != 3 + ArgsAfterBase(verb)) return Usage(verb);
    store::FolderKind kind = 0;
    if (!ParseFolderKind(args[1], kind)) {
        ErrorLine("unknown folder kind " + ToGbk(args[1]));
        return kExitUsage;
    }
    if (verb == "list") return List(MakeTarget(kind, args[2]));
    if (verb == "header") return Header(MakeTarget(kind, args[2]));

    std::int32_t id = 0;
    if (!ParseNewsId(args[3], id)) {
        ErrorLine("not a news ID: " + ToGbk(args[3]));
        return kExitUsage;
    }
    if (verb == "read") return Read(MakeTarget(kind, args[2]), id);
    if (verb == "delete" || verb == "restore") {
        Target t = MakeTarget(kind, args[2]);
        return Flag(t, verb.c_str(), store::MarkDeleted(t.folder, t.base, id, verb == "delete"),
                    id);
    }
    if (verb == "mark-read" && (args[4] == "0" || args[4] == "1")) {
        Target t = MakeTarget(kind, args[2]);
        return Flag(t, "mark-read", store::MarkRead(t.folder, t.base, id, args[4] == "1"), id);
    }
    return Usage(verb);
}

}  // namespace

// Each verb is a command of its own; Run sees the verb as its first argument.
CommandFn Verb(const char* verb) {
    return [verb](const Args& args) {
        Args all{verb};
        all.insert(all.end(), args.begin(), args.end());
        return Run(all);
    };
}

constexpr const char* kKindHelp =
    "                                      KIND: public stock favorite subscription region\n"
    "                                      trade, or the folder kind number";

BREVIO_COMMAND("list",
               std::string("  list KIND BASE                      list the records of a news file "
                           "as TSV\n                                      (id, time, website, "
                           "read, title)\n") +
                   kKindHelp,
               Verb("list"));
BREVIO_COMMAND("read", "  read KIND BASE ID                   print the content of a record",
               Verb("read"));
BREVIO_COMMAND("mark-read",
               "  mark-read KIND BASE ID 0|1          mark a record unread (0) or read (1)",
               Verb("mark-read"));
BREVIO_COMMAND("delete", "  delete KIND BASE ID                 mark a record deleted",
               Verb("delete"));
BREVIO_COMMAND("restore", "  restore KIND BASE ID                restore a deleted record",
               Verb("restore"));
BREVIO_COMMAND("header", "  header KIND BASE                    print the index header as TSV",
               Verb("header"));

}  // namespace brevio::cli
