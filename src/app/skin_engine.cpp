#include "app/skin_engine.h"

#include <dlfcn.h>

#include "settings/registry_values.h"

namespace brevio::app {
namespace {

constexpr const char* kEntryPoints[] = {
    "SkinStart", "SkinStartW", "SkinRemove",       "SkinWindowSet",   "SkinThread",
    "BkCreate",  "BkDraw",     "BkDelete",         "SkinWindowSetExW", "SkinWindowSetEx",
};
constexpr const char* kSkinKey = "Skin";
constexpr int kSkinFile = 1;
constexpr int kSkinResource = 3;

constexpr SkinPreset kPresets[] = {
    {32967, "嘻哈金属", "Trias.urf"},   {32968, "橙色梦幻", "onion.urf"},
    {32969, "N维空间", "Slate.urf"},    {32970, "酷Blue", "gtclassicex.urf"},
    {32971, "初始界面", "Royale.urf"},  {32972, "耦合之恋", "luna.urf"},
    {32973, "蓝色浪漫", "Belv.urf"},    {32974, "绿色轨迹", "Opusos.urf"},
    {32975, "蓝色佳人", "Plex.urf"},    {32976, "简约百合", "macosx.urf"},
    {32977, "清雅文居", "aeropdc.urf"}, {32978, "古朴典雅", "sundaze.urf"},
    {32979, "温馨港湾", "Pixos.urf"},
};

}  // namespace

const SkinPreset* SkinPresets(int& count) {
    count = static_cast<int>(sizeof kPresets / sizeof kPresets[0]);
    return kPresets;
}

SkinEngine::SkinEngine() {
    handle_ = ::dlopen("libAppFace.so", RTLD_NOW | RTLD_LOCAL);
    if (!handle_) return;
    complete_ = true;
    for (const char* name : kEntryPoints) complete_ = complete_ && ::dlsym(handle_, name);
    if (!complete_) return;
    start_ = reinterpret_cast<StartFn>(::dlsym(handle_, "SkinStart"));
    remove_ = reinterpret_cast<RemoveFn>(::dlsym(handle_, "SkinRemove"));
}

SkinEngine::~SkinEngine() {
    if (complete_ && started_ && remove_) remove_();
    if (handle_) ::dlclose(handle_);
}

std::string SkinEngine::StartAtLaunch(const std::string& programFolder) {
    std::string path = programFolder + "Belv.urf";
    std::string stored = settings::ReadString(kSkinKey, "");
    if (!stored.empty()) path = stored;
    if (!complete_) return std::string();
    if (start_(path.c_str(), 1, 0, kSkinFile, 0, nullptr) != 0) {
        started_ = true;
        settings::WriteString(kSkinKey, path);
        return path;
    }
    if (start_("IDR_URFSKIN_BELV", 1, 0, kSkinResource, 0, "URFSKIN") != 0) {
        started_ = true;
        return "IDR_URFSKIN_BELV";
    }
    return std::string();
}

bool SkinEngine::Choose(const std::string& path) {
    if (!complete_ || start_(path.c_str(), 1, 0, kSkinFile, 0, nullptr) == 0) return false;
    started_ = true;
    settings::WriteString(kSkinKey, path);
    return true;
}

}  // namespace brevio::app
