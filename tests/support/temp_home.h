// Test fixture support: a fresh temporary BREVIO_HOME per test, removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace brevio::test {

// Creates a temporary folder, points BREVIO_HOME at it and removes it on destruction.
class TempHome {
  public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;
    // The folder with a trailing "/" (plain ASCII, so GBK and UTF-8 spellings agree).
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
    std::string oldHome_;
    bool hadOldHome_ = false;
};

// A GoogleTest fixture that owns a TempHome.
class TempHomeTest : public ::testing::Test {
  protected:
    const std::string& Home() const { return home_.Path(); }
    TempHome home_;
};

// Raw file helpers for tests (paths are plain bytes).
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace brevio::test
