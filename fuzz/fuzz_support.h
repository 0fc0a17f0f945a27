// Shared pieces of the fuzz targets: one scratch folder per process for the readers that
// take files, plain file writing, and the check that ends a run when a reader breaks one of
// its own promises (the fuzzer keeps the input that did it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace brevio::fuzz {

// The process's scratch folder with a trailing "/": made on first use under $TMPDIR (or
// /tmp) and removed when the process exits normally. BREVIO_HOME points at it, so the error
// logs and the registry file of the code under test stay inside it.
const std::string& ScratchFolder();

// Writes the bytes to the file, replacing it; aborts when that fails.
void WriteBytes(const std::string& path, std::string_view bytes);
// The whole file, empty when it cannot be read.
std::string ReadBytes(const std::string& path);
// Removes the error logs the code under test may have written, so a long run does not fill
// the disk.
void ClearErrorLogs();

[[noreturn]] void Fail(const char* condition, const char* file, int line);

// Cuts the input into pieces: Take(n) gives the next n bytes (fewer at the end), Byte() one
// byte (0 at the end), Rest() what is left.
class InputCursor {
  public:
    InputCursor(const std::uint8_t* data, std::size_t size)
        : text_(reinterpret_cast<const char*>(data), size) {}
    std::string_view Take(std::size_t n);
    std::uint8_t Byte();
    std::uint16_t Short();  // two bytes, little-endian
    std::string_view Rest();
    bool Empty() const { return pos_ >= text_.size(); }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace brevio::fuzz

#define FUZZ_CHECK(condition) \
    ((condition) ? (void)0 : ::brevio::fuzz::Fail(#condition, __FILE__, __LINE__))
