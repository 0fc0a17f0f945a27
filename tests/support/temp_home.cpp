#include "support/temp_home.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace brevio::test {

TempHome::TempHome() {
    if (const char* old = std::getenv("BREVIO_HOME")) {
        hadOldHome_ = true;
        oldHome_ = old;
    }
    std::string tmpl = (std::filesystem::temp_directory_path() / "brevio-test-XXXXXX").string();
    char* made = mkdtemp(tmpl.data());
    if (!made) throw std::runtime_error("mkdtemp failed");
    path_ = std::string(made) + "/";
    setenv("BREVIO_HOME", made, 1);
}

TempHome::~TempHome() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
    if (hadOldHome_) {
        setenv("BREVIO_HOME", oldHome_.c_str(), 1);
    } else {
        unsetenv("BREVIO_HOME");
    }
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

}  // namespace brevio::test
