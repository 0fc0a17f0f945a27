#include "platform/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <list>
#include <memory>

#include "platform/fs.h"
#include "platform/paths.h"

namespace brevio::platform {

namespace {

constexpr const char* kHeader = "REGEDIT4";
constexpr const char* kKeyLine = "[HKEY_LOCAL_MACHINE\\Software\\Ostra\\Quorvel]";

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string Escape(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char buf[5];
            std::snprintf(buf, sizeof buf, "\\x%02x", u);
            out += buf;
        } else {
            out += c;
        }
    }
    return out;
}

// Reads a quoted text starting at text[pos] == '"'; on success pos is past the closing quote.
bool ReadQuoted(std::string_view text, std::size_t& pos, std::string& out) {
    if (pos >= text.size() || text[pos] != '"') return false;
    ++pos;
    out.clear();
    while (pos < text.size()) {
        char c = text[pos++];
        if (c == '"') return true;
        if (c != '\\' || pos >= text.size()) {
            out += c;
            continue;
        }
        char e = text[pos++];
        if (e == 'x' && pos + 2 <= text.size() && HexDigit(text[pos]) >= 0 &&
            HexDigit(text[pos + 1]) >= 0) {
            out += static_cast<char>(HexDigit(text[pos]) * 16 + HexDigit(text[pos + 1]));
            pos += 2;
        } else {
            out += e;
        }
    }
    return false;
}

}  // namespace

class Registry::FileLock {
  public:
    explicit FileLock(const std::string& path) {
        std::size_t slash = path.rfind('/');
        if (slash != std::string::npos) CreateFolders(path.substr(0, slash + 1));
        fd_ = ::open(NativePath(path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ >= 0) ::flock(fd_, LOCK_EX);
    }
    ~FileLock() {
        if (fd_ >= 0) {
            ::flock(fd_, LOCK_UN);
            ::close(fd_);
        }
    }

  private:
    int fd_ = -1;
};

Registry::Registry(std::string filePath) : path_(std::move(filePath)) {}

Registry& Registry::Default() {
    static std::mutex mutex;
    // Instances stay alive for the whole run: a caller may still hold the previous one when
    // BREVIO_HOME changes (tests switch it between cases).
    static std::list<std::unique_ptr<Registry>> instances;
    std::string path = RegistryFilePath();
    std::lock_guard lock(mutex);
    for (auto& r : instances) {
        if (r->path_ == path) return *r;
    }
    instances.push_back(std::make_unique<Registry>(path));
    return *instances.back();
}

std::string Registry::Render(const Values& values) {
    std::string out = std::string(kHeader) + "\n\n" + kKeyLine + "\n";
    for (const auto& [name, value] : values) {
        out += '"' + Escape(name) + "\"=";
        if (const auto* d = std::get_if<std::uint32_t>(&value)) {
            char buf[24];
            std::snprintf(buf, sizeof buf, "dword:%08x", *d);
            out += buf;
        } else {
            out += '"' + Escape(std::get<std::string>(value)) + '"';
        }
        out += '\n';
    }
    return out;
}

Registry::Values Registry::Parse(std::string_view text) {
    Values values;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = StripLineEnd(text.substr(start, end - start));
        start = end + 1;
        std::size_t pos = 0;
        std::string name;
        if (!ReadQuoted(line, pos, name) || pos >= line.size() || line[pos] != '=') continue;
        ++pos;
        std::string_view rest = line.substr(pos);
        if (rest.substr(0, 6) == "dword:") {
            std::string_view hex = rest.substr(6);
            if (hex.empty() || hex.size() > 8) continue;
            std::uint32_t v = 0;
            bool ok = true;
            for (char c : hex) {
                int d = HexDigit(c);
                if (d < 0) {
                    ok = false;
                    break;
                }
                v = v * 16 + static_cast<std::uint32_t>(d);
            }
            if (ok && !values.count(name)) values.emplace(name, v);
        } else {
            std::string value;
            std::size_t vpos = 0;
            if (ReadQuoted(rest, vpos, value) && !values.count(name)) {
                values.emplace(name, std::move(value));
            }
        }
    }
    return values;
}

Registry::Values Registry::LoadLocked() {
    std::string text;
    if (!ReadWholeFile(path_, text)) return {};
    return Parse(text);
}

bool Registry::StoreLocked(const Values& values) {
    return WriteFileAtomic(path_, Render(values));
}

std::optional<Registry::Value> Registry::Get(std::string_view name) {
    std::lock_guard lock(mutex_);
    Values values = LoadLocked();
    auto it = values.find(std::string(name));
    if (it == values.end()) return std::nullopt;
    return it->second;
}

std::optional<std::uint32_t> Registry::GetDword(std::string_view name) {
    auto v = Get(name);
    if (!v) return std::nullopt;
    if (const auto* d = std::get_if<std::uint32_t>(&*v)) return *d;
    return std::nullopt;
}

std::optional<std::string> Registry::GetString(std::string_view name) {
    auto v = Get(name);
    if (!v) return std::nullopt;
    if (const auto* s = std::get_if<std::string>(&*v)) return *s;
    return std::nullopt;
}

bool Registry::SetDword(std::string_view name, std::uint32_t value) {
    std::lock_guard lock(mutex_);
    FileLock fileLock(path_);
    Values values = LoadLocked();
    values.erase(std::string(name));
    values.emplace(std::string(name), value);
    return StoreLocked(values);
}

bool Registry::SetString(std::string_view name, std::string_view value) {
    std::lock_guard lock(mutex_);
    FileLock fileLock(path_);
    Values values = LoadLocked();
    values.erase(std::string(name));
    values.emplace(std::string(name), std::string(value));
    return StoreLocked(values);
}

bool Registry::Delete(std::string_view name) {
    std::lock_guard lock(mutex_);
    FileLock fileLock(path_);
    Values values = LoadLocked();
    if (values.erase(std::string(name)) == 0) return true;
    return StoreLocked(values);
}

Registry::Values Registry::All() {
    std::lock_guard lock(mutex_);
    return LoadLocked();
}

}  // namespace brevio::platform
