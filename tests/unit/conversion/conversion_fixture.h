// Shared helpers of the conversion tests: a temporary program folder with reference tables,
// conversion settings pointing into it, and stored or received items.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "conversion/conversion_settings.h"
#include "conversion/templates.h"
#include "platform/fs.h"
#include "reference/reference_tables.h"
#include "store/converted_index.h"
#include "store/news_file.h"
#include "support/temp_home.h"

namespace brevio::conversion::test_support {

inline reference::RefList MakeList(std::vector<std::pair<std::string, std::string>> entries) {
    reference::RefList list;
    for (auto& [code, name] : entries) list.push_back({code, name, 'F'});
    return list;
}

class ConversionTest : public test::TempHomeTest {
  protected:
    void SetUp() override {
        tables_.Replace(
            reference::Table::kPublic,
            MakeList({{"09001", "今日要闻"}, {"10001", "国内经济"}, {"10002", "a/../b"}}));
        tables_.Replace(reference::Table::kTrades, MakeList({{"01", "银行"}, {"05", "钢铁"}}));
        tables_.Replace(reference::Table::kRegions, MakeList({{"110", "北京"}, {"440", "广东"}}));
        tables_.Replace(reference::Table::kWebsites, MakeList({{"3", "北辰证券报"}}));
        settings_.programFolder = Home();
        settings_.convertPath = Home() + "out/";
        settings_.templatePath = Home() + "Template/";
        settings_.templateText = BuiltInTemplate();
    }

    static store::NewsRecord Record(std::int32_t id, const std::string& title,
                                    std::int32_t date = 20261209, std::int32_t time = 80503,
                                    const std::string& site = "北辰证券报") {
        store::NewsRecord r;
        r.newsId = id;
        r.SetTitle(title);
        r.SetUrl("http://news.example.cn/" + std::to_string(id));
        r.SetWebSite(site);
        r.date = date;
        r.time = time;
        return r;
    }

    static store::NewsItem Item(std::int32_t id, const std::string& title,
                                const std::string& time = "2026-12-9 8:5:3") {
        store::NewsItem item;
        item.newsId = id;
        item.websiteId = 3;
        item.title = title;
        item.url = "http://news.example.cn/" + std::to_string(id);
        item.timeText = time;
        item.content = "content of " + std::to_string(id);
        return item;
    }

    // The raw bytes of a file named by a GBK path.
    static std::string FileBytes(const std::string& gbkPath) {
        std::string bytes;
        EXPECT_TRUE(platform::ReadWholeFile(gbkPath, bytes)) << gbkPath;
        return bytes;
    }

    // Every present record of an index.
    static std::vector<store::ConvertedRecord> Records(const std::string& indexBase) {
        std::vector<store::ConvertedRecord> out;
        store::ListAllConverted(indexBase,
                                [&](const store::ConvertedRecord& r) { out.push_back(r); });
        return out;
    }

    // Every file below a folder, as paths relative to it (GBK), sorted; the lock files
    // (".conversion.lock", ".newsfiles.lock") left out.
    static std::vector<std::string> FilesBelow(const std::string& folder) {
        std::vector<std::string> out;
        for (const std::string& name : platform::ListFolder(folder)) {
            if (name == ".conversion.lock" || name == ".newsfiles.lock") continue;
            const std::string path = folder + name;
            if (platform::FolderExists(path)) {
                for (const std::string& sub : FilesBelow(path + "/"))
                    out.push_back(name + "/" + sub);
            } else {
                out.push_back(name);
            }
        }
        return out;
    }

    reference::ReferenceTables tables_;
    ConversionSettings settings_;
};

}  // namespace brevio::conversion::test_support
