// brevio-cli diff: runs the radar's comparison on two copies of a page.
#include "commands.h"
#include "platform/fs.h"
#include "radar/page_diff.h"

namespace brevio::cli {
namespace {

int RunDiff(const Args& args) {
    if (args.size() != 3) return Usage("diff");
    std::vector<std::string> paths;
    for (const auto& arg : args) {
        std::string gbk = ToGbk(arg);
        // A name with characters GBK lacks would reach some other file.
        if (ToUtf8(gbk) != arg) {
            ErrorLine("path cannot be written in GBK: " + gbk);
            return kExitFailure;
        }
        paths.push_back(std::move(gbk));
    }
    radar::PageDiff::Options options;
    options.nativePath = [](const std::string& path) { return platform::NativePath(path); };
    radar::PageDiff diff(std::move(options));
    PrintLineGbk(diff.Compare(paths[0], paths[1], paths[2]) ? "changed" : "unchanged");
    return kExitOk;
}

BREVIO_COMMAND("diff",
               "  diff OLD NEW CHANGE       compare two copies of a page as the radar does, write\n"
               "                            the change page to CHANGE, print changed/unchanged",
               RunDiff);

}  // namespace
}  // namespace brevio::cli
