// The program's one registry key, kept as a REGEDIT4 text file:
//   REGEDIT4
//   [HKEY_LOCAL_MACHINE\Software\Ostra\Quorvel]
//   "Name"=dword:0000000a
//   "Name"="text"
// String values are GBK bytes; '\' and '"' are escaped with a backslash, and bytes below 0x20
// as \xNN. Names compare without regard to case. Other processes (the desktop client and
// brevio-cli on the same program folder) are kept out during a rewrite by a lock file. Every write
// rewrites the whole file atomically (temporary file + rename); reads and writes are serialised by
// one lock, so the key can be used from any thread.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "platform/text.h"

namespace brevio::platform {

class Registry {
  public:
    using Value = std::variant<std::uint32_t, std::string>;
    // Value names compare without regard to case, as registry names do.
    struct NameLess {
        bool operator()(const std::string& a, const std::string& b) const {
            return ToLowerAscii(a) < ToLowerAscii(b);
        }
    };
    using Values = std::map<std::string, Value, NameLess>;

    explicit Registry(std::string filePath);

    // The key at RegistryFilePath(), re-resolved when BREVIO_HOME changes.
    static Registry& Default();

    // Value lookups; nullopt when the value is missing or has the other type.
    std::optional<std::uint32_t> GetDword(std::string_view name);
    std::optional<std::string> GetString(std::string_view name);
    std::optional<Value> Get(std::string_view name);

    // Writes one value; false when the file cannot be rewritten (the old value stays).
    bool SetDword(std::string_view name, std::uint32_t value);
    bool SetString(std::string_view name, std::string_view value);
    bool Delete(std::string_view name);

    // Every value, sorted by name without regard to case.
    Values All();

    const std::string& FilePath() const { return path_; }

    // The file text for a set of values, and the parser of that text (exposed for tests).
    static std::string Render(const Values& values);
    static Values Parse(std::string_view text);

  private:
    Values LoadLocked();
    bool StoreLocked(const Values& values);
    // Serialises read-modify-write against other processes using the same file.
    class FileLock;

    std::string path_;
    std::mutex mutex_;
};

}  // namespace brevio::platform
