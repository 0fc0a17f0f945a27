// Conversion of news for outside programs through brevio-cli against the demo server: the
// automatic conversion of what `receive` files, in each of the three file formats, with trades
// and regions converted only when their conversion flag is 'T'; then the converted-news
// indexes, conversion of stored items by hand and the tidy-up, as the commands show them.
// The command line speaks UTF-8; this file is GBK, so every output is converted first.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "integration/demo_process.h"
#include "platform/fs.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "settings/app_settings.h"
#include "store/converted_index.h"
#include "store/news_file.h"
#include "support/temp_home.h"

namespace brevio::test {
namespace {

const std::string kCli = BREVIO_CLI;
const std::string kDataDir = BREVIO_DEMO_DATA;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// brevio-cli with GBK arguments given as UTF-8; its output comes back in GBK.
ProgramRun Cli(std::vector<std::string> args) {
    for (std::string& a : args) a = platform::GbkToUtf8(a);
    args.insert(args.begin(), kCli);
    ProgramRun run = RunProgram(args, 120000);
    run.out = platform::Utf8ToGbk(run.out);
    run.err = platform::Utf8ToGbk(run.err);
    return run;
}

// The sub-folders (or files) of a folder.
std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> out;
    for (const std::string& n : platform::ListFolder(folder)) {
        if (n[0] != '.') out.push_back(n);
    }
    return out;
}

class ConversionDemoTest : public TempHomeTest, public ::testing::WithParamInterface<int> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Start({}));
        Set("ServerPort", std::to_string(server_.NspPort()), true);
        Set("PortalAddress", "http://127.0.0.1:" + std::to_string(server_.HttpPort()), false);
        ASSERT_EQ(Cli({"settings", "load"}).exitCode, 0);
        app_ = settings::LoadAppSettings();
        for (const char* table :
             {"NewsKind.tab", "NewsClassify.tab", "Trade.tab", "Region.tab", "websites.tab",
              "WebsiteNews.tab", "WebsiteTrade.tab", "WebsiteRegion.tab", "stocktbl.tab"}) {
            WriteFileBytes(app_.contentFolder + "Data/" + table,
                           platform::Utf8ToGbk(ReadFileBytes(kDataDir + "/" + table)));
        }
        ASSERT_EQ(Cli({"login", "demo", "demo123"}).exitCode, 0);
        // Of the demo user's trades 01, 05 and 06 only 05 converts; of the regions 110 and 440
        // only 110.
        const std::string data = Home() + "Content/Data/";
        ASSERT_TRUE(platform::CreateFolders(data));
        for (auto [code, flag] : {std::pair{"01", "F"}, {"05", "T"}, {"06", "F"}}) {
            platform::ProfileWriteString(data + "TradeConvert.ini", code, "IsSelect", flag);
        }
        for (auto [code, flag] : {std::pair{"110", "T"}, {"440", "F"}}) {
            platform::ProfileWriteString(data + "RegionConvert.ini", code, "IsSelect", flag);
        }
        Set("ConvertPath", P(), false);
    }

    void Set(const std::string& name, const std::string& value, bool asInt) {
        std::vector<std::string> args = {"settings", "set", name, value};
        if (asInt) args.push_back("--int");
        ASSERT_EQ(Cli(args).exitCode, 0) << name;
    }

    std::string P() const { return Home() + "conv/"; }

    // Every converted file below P/<form>/<group>/: date -> category -> file names.
    using Tree = std::map<std::string, std::map<std::string, std::set<std::string>>>;
    Tree Files(const std::string& form, const std::string& group) const {
        Tree tree;
        const std::string root = P() + form + "/" + group + "/";
        for (const std::string& date : Names(root)) {
            for (const std::string& category : Names(root + date + "/")) {
                if (category == "Index") continue;
                for (const std::string& file : Names(root + date + "/" + category + "/")) {
                    tree[date][category].insert(file);
                }
            }
        }
        return tree;
    }

    // The TSV rows of `converted list` (header checked and left out).
    std::vector<std::vector<std::string>> Listed(const std::string& index) {
        ProgramRun run = Cli({"converted", "list", index});
        EXPECT_EQ(run.exitCode, 0) << index << ": " << run.err;
        std::vector<std::string> lines = Lines(run.out);
        std::vector<std::vector<std::string>> rows;
        if (lines.empty()) return rows;
        EXPECT_EQ(lines[0], "id\tcode\ttitle\tfile\turl\tsite\ttime");
        for (std::size_t i = 1; i < lines.size(); ++i)
            rows.push_back(platform::Split(lines[i], '\t'));
        return rows;
    }

    // Every record of a group index names a file of the group with its code's category, and
    // every file has a record in its day's index; returns the number of files.
    std::size_t CheckIndexes(const std::string& form, const std::string& group,
                             const std::string& indexName, const std::string& ext) {
        Tree tree = Files(form, group);
        std::set<std::string> files;
        for (auto& [date, categories] : tree) {
            for (auto& [category, names] : categories) {
                for (const std::string& n : names) files.insert(date + "/" + category + "/" + n);
            }
        }
        std::set<std::string> named;
        for (const auto& row : Listed(indexName)) {
            EXPECT_EQ(row.size(), 7u);
            if (row.size() != 7) continue;
            const std::string date = platform::Format("%08d", store::ConvertedDate(row[6]));
            bool found = false;
            for (auto& [category, names] : tree[date]) {
                if (names.count(row[3] + ext)) {
                    named.insert(date + "/" + category + "/" + row[3] + ext);
                    found = true;
                }
            }
            EXPECT_TRUE(found) << indexName << ": no file for " << row[3] << " of " << date;
        }
        EXPECT_EQ(named, files) << indexName;
        if (ext == ".txt") {
            for (auto& [date, categories] : tree) {
                std::size_t inDay = 0;
                for (auto& [category, names] : categories) inDay += names.size();
                std::vector<std::vector<std::string>> day =
                    Listed(form + "/" + group + "/" + date + "/Index/" + indexName);
                EXPECT_GE(day.size(), inDay) << date;
            }
        }
        return files.size();
    }

    DemoServer server_;
    settings::AppSettings app_;
};

TEST_P(ConversionDemoTest, ReceptionConvertsEveryItemIntoTheGroupFoldersAndIndexes) {
    const int format = GetParam();
    Set("ConvertAuto", "1", true);
    Set("ConvertFormat", std::to_string(format), true);
    ProgramRun receive = Cli({"receive", "--all", "--quiet"});
    ASSERT_EQ(receive.exitCode, 0) << receive.err;

    const bool text = format != 1;
    const bool html = format != 0;
    EXPECT_EQ(platform::FolderExists(P() + "文本格式"), text);
    EXPECT_EQ(platform::FolderExists(P() + "网页格式"), html);
    for (const auto& [form, ext, suffix, wanted] :
         {std::tuple{std::string("文本格式"), std::string(".txt"), std::string("Text"), text},
          std::tuple{std::string("网页格式"), std::string(".htm"), std::string("Html"), html}}) {
        if (!wanted) {
            EXPECT_FALSE(platform::PathExists(P() + "People" + suffix + ".idx"));
            continue;
        }
        // Public news under the names of the demo user's public categories.
        Tree people = Files(form, "PeopleNews");
        ASSERT_FALSE(people.empty()) << form;
        std::set<std::string> categories;
        for (auto& [date, cats] : people) {
            EXPECT_EQ(date.size(), 8u);
            for (auto& [category, names] : cats) categories.insert(category);
        }
        EXPECT_TRUE(categories.count("今日要闻")) << form;
        EXPECT_FALSE(categories.count("05")) << "a trade code is no public category";
        // Trades and regions only where the flag is 'T'.
        for (auto& [group, only] : {std::pair{std::string("TradeNews"), std::string("钢铁")},
                                    {std::string("RegionNews"), std::string("北京")}}) {
            Tree tree = Files(form, group);
            ASSERT_FALSE(tree.empty()) << form << " " << group;
            for (auto& [date, cats] : tree) {
                for (auto& [category, names] : cats) EXPECT_EQ(category, only) << group;
            }
        }
        EXPECT_GT(CheckIndexes(form, "PeopleNews", "People" + suffix, ext), 10u);
        CheckIndexes(form, "TradeNews", "Trade" + suffix, ext);
        CheckIndexes(form, "RegionNews", "Region" + suffix, ext);
        for (const auto& row : Listed("Trade" + suffix)) EXPECT_EQ(row.at(1), "5");
        for (const auto& row : Listed("Region" + suffix)) EXPECT_EQ(row.at(1), "110");
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, ConversionDemoTest, ::testing::Values(0, 1, 2));

class ConversionCommandsTest : public ConversionDemoTest {};

TEST_P(ConversionCommandsTest, ManualConversionIndexesAndTidyUp) {
    // No automatic conversion while it is switched off.
    ASSERT_EQ(Cli({"receive", "--all", "--quiet"}).exitCode, 0);
    EXPECT_FALSE(platform::PathExists(P() + "文本格式"));

    // Two stored items of 今日要闻 converted by hand into both forms.
    std::vector<std::string> listing = Lines(Cli({"list", "public", "09001"}).out);
    ASSERT_GE(listing.size(), 3u);
    const std::vector<std::string> first = platform::Split(listing[1], '\t');
    const std::vector<std::string> second = platform::Split(listing[2], '\t');
    ProgramRun convert = Cli({"convert", "both", "public", "09001", first[0], second[0]});
    ASSERT_EQ(convert.exitCode, 0) << convert.err;
    std::vector<std::string> written = Lines(convert.out);
    ASSERT_EQ(written.size(), 4u);
    const std::string day = first[1].substr(0, 4) + first[1].substr(5, 2) + first[1].substr(8, 2);
    EXPECT_EQ(written[0].rfind(P() + "文本格式/" + day + "/今日要闻/", 0), 0u) << written[0];
    EXPECT_EQ(written[1].rfind(P() + "网页格式/" + day + "/今日要闻/", 0), 0u) << written[1];
    for (const std::string& path : written) EXPECT_TRUE(platform::FileExists(path)) << path;
    EXPECT_EQ(Cli({"convert", "text", "public", "09001", "1"}).exitCode, 1);

    std::vector<std::vector<std::string>> rows = Listed("PeopleText");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], first[0]);
    EXPECT_EQ(rows[0][1], "9001");
    EXPECT_EQ(Listed("PeopleHtml").size(), 2u);
    EXPECT_EQ(Listed("文本格式/PeopleNews/" + day + "/Index/PeopleText").size() +
                  (second[1].substr(0, 10) == first[1].substr(0, 10) ? 0u : 1u),
              2u);

    // Deleting a row removes its record and its file.
    ProgramRun del = Cli({"converted", "delete", "PeopleText", first[0]});
    ASSERT_EQ(del.exitCode, 0) << del.err;
    EXPECT_EQ(Lines(del.out), (std::vector<std::string>{written[0]}));
    EXPECT_FALSE(platform::FileExists(written[0]));
    EXPECT_EQ(Listed("PeopleText").size(), 1u);
    EXPECT_EQ(Cli({"converted", "delete", "PeopleText", first[0]}).exitCode, 1);
    ProgramRun purge = Cli({"converted", "purge", "PeopleText"});
    EXPECT_EQ(purge.out, "dropped\t1\n") << purge.err;
    EXPECT_EQ(Cli({"converted", "purge", "PeopleHtml", "--older", "20000102"}).out, "dropped\t0\n");
    EXPECT_EQ(Cli({"converted", "purge", "PeopleHtml", "--older", "30000101"}).out, "dropped\t2\n");
    EXPECT_EQ(Cli({"converted", "purge", "PeopleHtml", "--older", "3000"}).exitCode, 2);
    EXPECT_EQ(Cli({"converted", "list", "../escape"}).exitCode, 2);

    // The tidy-up with two days: a day folder of the group dated long ago goes, a folder that
    // only looks like one stays, as do the items converted by hand.
    const std::string old = P() + "文本格式/PeopleNews/20000101/今日要闻/";
    ASSERT_TRUE(platform::CreateFolders(old));
    WriteFileBytes(Home() + "conv/elsewhere/20000101/keep.txt", "keep");
    ASSERT_TRUE(platform::WriteFileAtomic(old + "old.txt", "old"));
    ProgramRun tidy = Cli({"tidy", "public", "2"});
    ASSERT_EQ(tidy.exitCode, 0) << tidy.err;
    EXPECT_NE(tidy.out.find("removed\t" + P() + "文本格式/PeopleNews/20000101"), std::string::npos)
        << tidy.out;
    EXPECT_FALSE(platform::PathExists(P() + "文本格式/PeopleNews/20000101"));
    EXPECT_TRUE(platform::FileExists(Home() + "conv/elsewhere/20000101/keep.txt"));
    EXPECT_TRUE(platform::FileExists(written[2]));
    EXPECT_EQ(Cli({"tidy", "public", "1"}).exitCode, 1);
}

INSTANTIATE_TEST_SUITE_P(Once, ConversionCommandsTest, ::testing::Values(0));

TEST_P(ConversionCommandsTest, TemplatesAreManagedAndPreviewed) {
    WriteFileBytes(Home() + "mine.txt", "<h1>%s</h1>%s|%s|%s|%s");
    ASSERT_EQ(Cli({"templates", "add", Home() + "mine.txt"}).exitCode, 0);
    EXPECT_EQ(Cli({"templates", "add", Home() + "mine.txt"}).exitCode, 1);
    ProgramRun list = Cli({"templates", "list"});
    EXPECT_EQ(Lines(list.out).size(), 2u);
    EXPECT_EQ(Lines(list.out).at(1).substr(0, 5), "mine\t");
    ASSERT_EQ(Cli({"templates", "rename", "mine", "ours"}).exitCode, 0);
    ProgramRun preview = Cli({"templates", "preview", "ours"});
    ASSERT_EQ(preview.exitCode, 0) << preview.err;
    std::string page;
    ASSERT_TRUE(platform::ReadWholeFile(Lines(preview.out).at(0), page));
    EXPECT_EQ(page.substr(0, 9), "<h1></h1>");
    EXPECT_EQ(Cli({"templates", "preview", "Ostra模板"}).exitCode, 0);
    EXPECT_EQ(Cli({"templates", "delete", "ours"}).exitCode, 0);
    EXPECT_EQ(Cli({"templates", "delete", "ours"}).exitCode, 1);
}

}  // namespace
}  // namespace brevio::test
