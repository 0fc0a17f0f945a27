// The skin library: "libAppFace.so" loaded at run time by name. The program runs unskinned
// when it or any of its ten entry points is missing, and then never calls it.
#pragma once

#include <string>

namespace brevio::app {

class SkinEngine {
  public:
    SkinEngine();   // loads the library and looks up the entry points
    ~SkinEngine();  // SkinRemove when a skin was started, then unloads
    SkinEngine(const SkinEngine&) = delete;
    SkinEngine& operator=(const SkinEngine&) = delete;

    bool Available() const { return complete_; }
    // Start-up: the skin file named by `Skin` (default program folder + "Belv.urf"); on
    // success the path is written back to `Skin`, else the built-in skin resource is tried.
    // Returns the path of the active skin, or "" when none is.
    std::string StartAtLaunch(const std::string& programFolder);
    // A skin chosen from the menu: kind 1 with the path; stored in `Skin` on success.
    bool Choose(const std::string& path);

  private:
    using StartFn = int (*)(const char*, int, int, int, int, const char*);
    using RemoveFn = int (*)();
    void* handle_ = nullptr;
    bool complete_ = false;
    bool started_ = false;
    StartFn start_ = nullptr;
    RemoveFn remove_ = nullptr;
};

// The preset skins of the "界面风格" menu: command, menu text (UTF-8), file name.
struct SkinPreset {
    int command;
    const char* menuText;
    const char* file;
};
const SkinPreset* SkinPresets(int& count);

}  // namespace brevio::app
