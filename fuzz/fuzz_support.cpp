#include "fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/error_log.h"

namespace brevio::fuzz {
namespace {

// The targets feed the core GBK text, and the core's own literals are GBK: under clang they
// come from the launcher's rewrite (scripts/gbk_literals.py), which this build checks.
static_assert(std::string_view("中文") == std::string_view("\xD6\xD0\xCE\xC4"));
static_assert(std::string_view("“设置”1") == std::string_view("\xA1\xB0\xC9\xE8\xD6\xC3\xA1\xB1"
                                                              "1"));

std::string MakeScratch() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/brevio-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::abort();
    }
    setenv("BREVIO_HOME", pattern.c_str(), 1);
    static const std::string kFolder = pattern;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(kFolder, ignored);
    });
    return pattern + "/";
}

}  // namespace

const std::string& ScratchFolder() {
    static const std::string folder = MakeScratch();
    return folder;
}

void WriteBytes(const std::string& path, std::string_view bytes) {
    // Written beside and renamed into place: the file gets a new identity every time, so
    // readers that cache by inode, size and time never take it for the previous input.
    const std::string fresh = path + ".fuzz-new";
    std::FILE* f = std::fopen(fresh.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) ||
        std::rename(fresh.c_str(), path.c_str())) {
        std::perror(path.c_str());
        std::abort();
    }
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void ClearErrorLogs() {
    std::remove(platform::FileErrorLogPath().c_str());
    std::remove(platform::DatabaseErrorLogPath().c_str());
}

void Fail(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    std::fflush(stderr);
    std::abort();
}

std::string_view InputCursor::Take(std::size_t n) {
    std::string_view piece = text_.substr(std::min(pos_, text_.size()), n);
    pos_ += piece.size();
    return piece;
}

std::uint8_t InputCursor::Byte() {
    std::string_view b = Take(1);
    return b.empty() ? 0 : static_cast<std::uint8_t>(b[0]);
}

std::uint16_t InputCursor::Short() {
    std::uint16_t low = Byte();
    return static_cast<std::uint16_t>(low | (Byte() << 8));
}

std::string_view InputCursor::Rest() {
    return Take(text_.size());
}

}  // namespace brevio::fuzz

// Durability is not what the fuzz targets look at, and a flush to disk per written file would
// cut a run to a few dozen inputs per second: inside these programs the flushes succeed at
// once. Everything else about the writes (temporary file, rename) runs unchanged.
extern "C" int fsync(int) {
    return 0;
}
extern "C" int fdatasync(int) {
    return 0;
}
