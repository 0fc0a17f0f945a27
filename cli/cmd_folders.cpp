// folders list|add|delete|rename|keywords, favorite add: the favourites and subscription
// folders, through the same form objects as the desktop client's dialogs.
#include <climits>
#include <cstdio>
#include <string>
#include <variant>

#include "commands.h"
#include "platform/text.h"
#include "settings/app_settings.h"
#include "store/folder_forms.h"
#include "store/news_file.h"
#include "store_args.h"

namespace brevio::cli {
namespace {

bool ParseList(const std::string& text, store::FolderListKind& list) {
    if (text == "favorites") {
        list = store::FolderListKind::kFavorites;
    } else if (text == "subscriptions") {
        list = store::FolderListKind::kSubscriptions;
    } else {
        return false;
    }
    return true;
}

// The two lists as the desktop client holds them.
struct Folders {
    settings::AppSettings settings = settings::LoadAppSettings();
    store::FolderListHolder favorites, subscriptions;
    store::FolderLists lists{favorites, settings.pemloIni, subscriptions, settings.pemlo2Ini};
    Folders() {
        favorites.Reload(settings.pemloIni);
        subscriptions.Reload(settings.pemlo2Ini);
    }
};

int Refused(const store::FormMessage& message) {
    ErrorLine(message.text);
    return kExitFailure;
}

std::optional<std::size_t> RowOf(const store::FolderList& list, std::int32_t id) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].id == id) return i;
    }
    return std::nullopt;
}

int Save(store::FolderOrganizer& organizer) {
    if (organizer.Ok()) return kExitOk;
    ErrorLine("cannot write the folder list");
    return kExitFailure;
}

// Whether a verb takes `count` arguments in all (the verb and the list included).
bool FoldersArgsFit(const std::string& verb, std::size_t count) {
    if (verb == "list") return count == 2;
    if (verb == "add") return count == 3 || count == 4;
    if (verb == "delete") return count == 3;
    if (verb == "rename" || verb == "keywords") return count == 4;
    return false;
}

int FoldersCommand(const Args& args) {
    if (args.empty() || !FoldersArgsFit(args[0], args.size())) return Usage("folders");
    const std::string& verb = args[0];
    store::FolderListKind kind;
    if (!ParseList(args[1], kind)) return Usage("folders");
    Folders folders;

    if (verb == "list") {
        std::string out = "id\tname\tkeywords\n";
        for (const store::FolderEntry& e : *folders.lists.Holder(kind).Get()) {
            out += std::to_string(e.id) + "\t" + TsvCell(e.name) + "\t" + TsvCell(e.KeywordText()) +
                   "\n";
        }
        PrintGbk(out);
        return kExitOk;
    }

    store::FolderOrganizer organizer(kind, folders.lists);
    if (verb == "add") {
        store::NewFolderForm form = organizer.NewEntry();
        if (auto refused = form.Ok(ToGbk(args[2]), args.size() == 4 ? ToGbk(args[3]) : "")) {
            return Refused(refused->message);
        }
        organizer.Add(form);
        int rc = Save(organizer);
        if (rc == kExitOk) std::printf("%d\n", form.Entry().id);
        return rc;
    }

    std::int32_t id = 0;
    if (!ParseNewsId(args[2], id)) {
        ErrorLine("not a folder ID: " + ToGbk(args[2]));
        return kExitUsage;
    }
    std::optional<std::size_t> row = RowOf(organizer.Entries(), id);
    if (!row) {
        ErrorLine(platform::Format("no folder with ID %d", id));
        return kExitFailure;
    }
    if (verb == "delete") {
        if (auto refused = organizer.Delete(row)) return Refused(*refused);
        return Save(organizer);
    }
    if (verb == "rename") {
        auto step = organizer.Rename(row);
        if (auto* refused = std::get_if<store::FormMessage>(&step)) return Refused(*refused);
        store::RenameForm& form = std::get<store::RenameForm>(step);
        if (auto refused = form.Ok(ToGbk(args[3]))) return Refused(*refused);
        organizer.Apply(*row, form);
        return Save(organizer);
    }
    if (verb == "keywords") {
        auto step = organizer.Properties(row);
        if (auto* refused = std::get_if<store::FormMessage>(&step)) return Refused(*refused);
        store::PropertiesForm& form = std::get<store::PropertiesForm>(step);
        form.Ok(ToGbk(args[3]));
        organizer.Apply(*row, form);
        return Save(organizer);
    }
    return Usage("folders");
}

int FavoriteCommand(const Args& args) {
    if (args.size() < 5 || args[0] != "add") return Usage("favorite");
    std::int32_t folderId = 0;
    store::FolderKind kind = 0;
    if (!ParseNewsId(args[1], folderId)) {
        ErrorLine("not a folder ID: " + ToGbk(args[1]));
        return kExitUsage;
    }
    if (!ParseFolderKind(args[2], kind)) {
        ErrorLine("unknown folder kind " + ToGbk(args[2]));
        return kExitUsage;
    }
    const std::string base = ToGbk(args[3]);
    std::vector<std::int32_t> ids;
    for (std::size_t i = 4; i < args.size(); ++i) {
        std::int32_t id = 0;
        if (!ParseNewsId(args[i], id)) {
            ErrorLine("not a news ID: " + ToGbk(args[i]));
            return kExitUsage;
        }
        ids.push_back(id);
    }

    Folders folders;
    store::ChooseFavouriteForm choose(folders.lists);
    std::optional<std::size_t> row = RowOf(choose.Entries(), folderId);
    if (!row) {
        ErrorLine(platform::Format("no favourites folder with ID %d", folderId));
        return kExitFailure;
    }
    if (auto refused = choose.Ok(row)) return Refused(*refused);
    int rc = kExitOk;
    for (std::int32_t id : ids) {
        int copied = store::CopyItemToFolder(folders.settings.contentFolder, kind, base, id,
                                             store::kFolderFavorite, choose.ChosenId());
        if (copied < 0) {
            ErrorLine(platform::Format("cannot copy news %d: result %d", id, copied));
            rc = kExitFailure;
        }
    }
    return rc;
}

}  // namespace

BREVIO_COMMAND("folders",
               "  folders list favorites|subscriptions\n"
               "                                      the folders as TSV (id, name, keywords)\n"
               "  folders add favorites|subscriptions NAME [KEYWORDS]\n"
               "                                      add a folder (keywords separated by \",\");\n"
               "                                      prints its ID\n"
               "  folders delete favorites|subscriptions ID\n"
               "  folders rename favorites|subscriptions ID NEWNAME\n"
               "  folders keywords favorites|subscriptions ID KEYWORDS",
               FoldersCommand);
BREVIO_COMMAND("favorite",
               "  favorite add FOLDERID KIND BASE ID...\n"
               "                                      copy news items into a favourites folder",
               FavoriteCommand);

}  // namespace brevio::cli
