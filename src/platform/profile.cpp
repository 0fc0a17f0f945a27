#include "platform/profile.h"

#include <sys/stat.h>

#include <cstdio>
#include <map>
#include <memory>
#include <mutex>

#include "platform/fs.h"
#include "platform/text.h"

namespace brevio::platform {
namespace {

// One line of a section: a key line ("key=value") or any other line kept as it was
// (blank lines, comments), so that a rewrite changes only what was asked.
struct Entry {
    bool isKey = false;
    std::string key;    // trimmed key name
    std::string value;  // raw value text after '=' (untrimmed)
    std::string raw;    // the original line for non-key lines
};

struct Section {
    std::string name;  // trimmed name between the brackets; empty for lines before any section
    bool header = false;
    std::vector<Entry> entries;
};

struct Document {
    std::vector<Section> sections;
};

// Windows trims blanks and tabs around names and values.
std::string_view TrimProfile(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return s.substr(b, e - b);
}

Document Parse(std::string_view text) {
    Document doc;
    doc.sections.push_back(Section{});  // lines before the first section
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        std::string_view t = TrimProfile(line);
        if (!t.empty() && t.front() == '[') {
            std::size_t close = t.find(']');
            Section s;
            s.header = true;
            s.name = std::string(TrimProfile(
                t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
            doc.sections.push_back(std::move(s));
            continue;
        }
        Entry e;
        std::size_t eq = t.find('=');
        if (!t.empty() && t.front() != ';' && eq != std::string_view::npos) {
            e.isKey = true;
            e.key = std::string(TrimProfile(t.substr(0, eq)));
            e.value = std::string(t.substr(eq + 1));
        } else {
            e.raw = std::string(line);
        }
        doc.sections.back().entries.push_back(std::move(e));
    }
    return doc;
}

std::string Render(const Document& doc) {
    std::string out;
    for (const Section& s : doc.sections) {
        if (s.header) out += "[" + s.name + "]\r\n";
        for (const Entry& e : s.entries) {
            out += e.isKey ? e.key + "=" + e.value : e.raw;
            out += "\r\n";
        }
    }
    return out;
}

// The value as the profile functions return it: trimmed, and a value enclosed in a matching
// pair of single or double quotes loses them.
std::string CleanValue(std::string_view raw) {
    std::string_view v = TrimProfile(raw);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    return std::string(v);
}

Section* FindSection(Document& doc, std::string_view name) {
    std::string_view n = TrimProfile(name);
    for (Section& s : doc.sections) {
        if (s.header && EqualsNoCase(s.name, n)) return &s;
    }
    return nullptr;
}

Entry* FindKey(Section& s, std::string_view key) {
    std::string_view k = TrimProfile(key);
    for (Entry& e : s.entries) {
        if (e.isKey && EqualsNoCase(e.key, k)) return &e;
    }
    return nullptr;
}

// Parsed files, checked against the file's identity (inode, size, modification time) on every
// use, so repeated look-ups in a large file parse it once. One lock guards the cache and
// serialises writers within the process.
struct CacheEntry {
    ino_t inode = 0;
    off_t size = 0;
    timespec mtime{};
    std::shared_ptr<const Document> doc;
};

std::mutex gMutex;
std::map<std::string, CacheEntry> gCache;

bool SameFile(const CacheEntry& c, const struct stat& st) {
    return c.inode == st.st_ino && c.size == st.st_size && c.mtime.tv_sec == st.st_mtim.tv_sec &&
           c.mtime.tv_nsec == st.st_mtim.tv_nsec;
}

// Called with gMutex held. A missing file is an empty document.
std::shared_ptr<const Document> LoadLocked(std::string_view file) {
    std::string key(file);
    struct stat st {};
    if (::stat(NativePath(file).c_str(), &st) != 0) {
        gCache.erase(key);
        return std::make_shared<Document>(Parse(""));
    }
    auto it = gCache.find(key);
    if (it != gCache.end() && SameFile(it->second, st)) return it->second.doc;
    std::string text;
    ReadWholeFile(file, text);
    auto doc = std::make_shared<const Document>(Parse(text));
    // The file may have changed between stat and read; identity is re-checked next time.
    CacheEntry entry{st.st_ino, st.st_size, st.st_mtim, doc};
    if (static_cast<off_t>(text.size()) == st.st_size) gCache[key] = entry;
    return doc;
}

std::shared_ptr<const Document> Load(std::string_view file) {
    std::lock_guard lock(gMutex);
    return LoadLocked(file);
}

// Read-modify-write of one file under the lock; `change` returns false when nothing changed.
template <typename Change>
bool Modify(std::string_view file, Change change) {
    std::lock_guard lock(gMutex);
    Document doc = *LoadLocked(file);
    if (!change(doc)) return true;
    // A settings file whose folder is missing gets its folder, so no setting is lost.
    std::size_t slash = file.rfind('/');
    if (slash != std::string_view::npos) CreateFolders(file.substr(0, slash + 1));
    bool ok = WriteFileAtomic(file, Render(doc));
    gCache.erase(std::string(file));
    return ok;
}

std::string Truncate(std::string value, std::size_t bufferSize) {
    if (bufferSize == 0) return {};
    if (value.size() > bufferSize - 1) value.resize(bufferSize - 1);
    return value;
}

const char kHex[] = "0123456789ABCDEF";

std::string StructHex(const void* data, std::size_t size) {
    std::string hex;
    const unsigned char* p = static_cast<const unsigned char*>(data);
    unsigned char sum = 0;
    for (std::size_t i = 0; i < size; ++i) {
        hex += kHex[p[i] >> 4];
        hex += kHex[p[i] & 15];
        sum = static_cast<unsigned char>(sum + p[i]);
    }
    hex += kHex[sum >> 4];
    hex += kHex[sum & 15];
    return hex;
}

Section& SectionForWrite(Document& doc, std::string_view section) {
    if (Section* s = FindSection(doc, section)) return *s;
    Section fresh;
    fresh.header = true;
    fresh.name = std::string(TrimProfile(section));
    doc.sections.push_back(std::move(fresh));
    return doc.sections.back();
}

void SetValue(Document& doc, std::string_view section, std::string_view key,
              std::string_view value) {
    Section& s = SectionForWrite(doc, section);
    if (Entry* e = FindKey(s, key)) {
        e->value = std::string(value);
        return;
    }
    Entry e;
    e.isKey = true;
    e.key = std::string(TrimProfile(key));
    e.value = std::string(value);
    // New keys go after the section's last key, before trailing blank lines.
    auto pos = s.entries.end();
    while (pos != s.entries.begin() && !(pos - 1)->isKey && TrimProfile((pos - 1)->raw).empty())
        --pos;
    s.entries.insert(pos, std::move(e));
}

bool RemoveKey(Document& doc, std::string_view section, std::string_view key) {
    Section* s = FindSection(doc, section);
    if (!s) return false;
    std::string_view k = TrimProfile(key);
    auto before = s->entries.size();
    std::erase_if(s->entries, [&](const Entry& e) { return e.isKey && EqualsNoCase(e.key, k); });
    return s->entries.size() != before;
}

bool RemoveSection(Document& doc, std::string_view section) {
    std::string_view n = TrimProfile(section);
    auto before = doc.sections.size();
    std::erase_if(doc.sections,
                  [&](const Section& s) { return s.header && EqualsNoCase(s.name, n); });
    return doc.sections.size() != before;
}

}  // namespace

std::string ProfileGetString(std::string_view file, std::string_view section, std::string_view key,
                             std::string_view defaultValue, std::size_t bufferSize) {
    auto doc = Load(file);
    Document& d = const_cast<Document&>(*doc);
    if (Section* s = FindSection(d, section)) {
        if (Entry* e = FindKey(*s, key)) return Truncate(CleanValue(e->value), bufferSize);
    }
    // Windows drops trailing blanks of the default.
    return Truncate(std::string(TrimRightBlanks(defaultValue)), bufferSize);
}

int ProfileGetInt(std::string_view file, std::string_view section, std::string_view key,
                  int defaultValue) {
    auto doc = Load(file);
    Document& d = const_cast<Document&>(*doc);
    Section* s = FindSection(d, section);
    Entry* e = s ? FindKey(*s, key) : nullptr;
    if (!e) return defaultValue;
    std::string v = CleanValue(e->value);
    if (v.empty()) return defaultValue;
    std::size_t i = (v[0] == '-' || v[0] == '+') ? 1 : 0;
    if (i >= v.size() || v[i] < '0' || v[i] > '9') return 0;
    return static_cast<int>(ParseLeadingInt(v));
}

bool ProfileHasKey(std::string_view file, std::string_view section, std::string_view key) {
    auto doc = Load(file);
    Document& d = const_cast<Document&>(*doc);
    Section* s = FindSection(d, section);
    return s && FindKey(*s, key);
}

std::vector<std::string> ProfileGetSection(std::string_view file, std::string_view section,
                                           std::size_t bufferSize) {
    std::vector<std::string> lines;
    auto doc = Load(file);
    Document& d = const_cast<Document&>(*doc);
    Section* s = FindSection(d, section);
    if (!s) return lines;
    std::size_t used = 1;  // the final NUL
    for (const Entry& e : s->entries) {
        if (!e.isKey) continue;
        std::string line = e.key + "=" + CleanValue(e.value);
        if (used + line.size() + 1 > bufferSize) break;
        used += line.size() + 1;
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<std::string> ProfileGetSectionNames(std::string_view file) {
    std::vector<std::string> names;
    auto doc = Load(file);
    for (const Section& s : doc->sections) {
        if (s.header) names.push_back(s.name);
    }
    return names;
}

bool ProfileGetStruct(std::string_view file, std::string_view section, std::string_view key,
                      void* data, std::size_t size) {
    std::string v = ProfileGetString(file, section, key, "", 2 * size + 3 + 1);
    if (v.size() != 2 * size + 2) return false;
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::vector<unsigned char> bytes(size + 1);
    for (std::size_t i = 0; i <= size; ++i) {
        int hi = nibble(v[2 * i]), lo = nibble(v[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes[i] = static_cast<unsigned char>(hi * 16 + lo);
    }
    unsigned char sum = 0;
    for (std::size_t i = 0; i < size; ++i) sum = static_cast<unsigned char>(sum + bytes[i]);
    if (sum != bytes[size]) return false;
    std::copy(bytes.begin(), bytes.begin() + static_cast<long>(size),
              static_cast<unsigned char*>(data));
    return true;
}

bool ProfileWriteString(std::string_view file, std::string_view section, std::string_view key,
                        std::string_view value) {
    return Modify(file, [&](Document& doc) {
        SetValue(doc, section, key, value);
        return true;
    });
}

bool ProfileWriteInt(std::string_view file, std::string_view section, std::string_view key,
                     long long value) {
    return ProfileWriteString(file, section, key, std::to_string(value));
}

bool ProfileWriteStruct(std::string_view file, std::string_view section, std::string_view key,
                        const void* data, std::size_t size) {
    return ProfileWriteString(file, section, key, StructHex(data, size));
}

bool ProfileDeleteKey(std::string_view file, std::string_view section, std::string_view key) {
    return Modify(file, [&](Document& doc) { return RemoveKey(doc, section, key); });
}

bool ProfileDeleteSection(std::string_view file, std::string_view section) {
    return Modify(file, [&](Document& doc) { return RemoveSection(doc, section); });
}

bool ProfileWriteSection(std::string_view file, std::string_view section,
                         const std::vector<std::string>& lines) {
    return Modify(file, [&](Document& doc) {
        Section* s = &SectionForWrite(doc, section);
        s->entries.clear();
        for (const std::string& line : lines) {
            Entry e;
            std::size_t eq = line.find('=');
            if (eq == std::string::npos) {
                e.raw = line;
            } else {
                e.isKey = true;
                e.key = std::string(TrimProfile(std::string_view(line).substr(0, eq)));
                e.value = line.substr(eq + 1);
            }
            s->entries.push_back(std::move(e));
        }
        return true;
    });
}

void ProfileEditor::WriteString(std::string_view section, std::string_view key,
                                std::string_view value) {
    changes_.push_back(
        {Change::kWrite, std::string(section), std::string(key), std::string(value)});
}

void ProfileEditor::WriteInt(std::string_view section, std::string_view key, long long value) {
    WriteString(section, key, std::to_string(value));
}

void ProfileEditor::WriteStruct(std::string_view section, std::string_view key, const void* data,
                                std::size_t size) {
    WriteString(section, key, StructHex(data, size));
}

void ProfileEditor::DeleteKey(std::string_view section, std::string_view key) {
    changes_.push_back({Change::kDeleteKey, std::string(section), std::string(key), {}});
}

void ProfileEditor::DeleteSection(std::string_view section) {
    changes_.push_back({Change::kDeleteSection, std::string(section), {}, {}});
}

bool ProfileEditor::Commit() {
    bool ok = Modify(file_, [&](Document& doc) {
        for (const Change& c : changes_) {
            switch (c.kind) {
                case Change::kWrite:
                    SetValue(doc, c.section, c.key, c.value);
                    break;
                case Change::kDeleteKey:
                    RemoveKey(doc, c.section, c.key);
                    break;
                case Change::kDeleteSection:
                    RemoveSection(doc, c.section);
                    break;
            }
        }
        return !changes_.empty();
    });
    changes_.clear();
    return ok;
}

std::string StorableProfileValue(std::string_view value) {
    std::string v;
    v.reserve(value.size());
    for (char c : value) {
        if (c != '\r' && c != '\n') v += c;
    }
    auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    bool quote =
        !v.empty() &&
        (isBlank(v.front()) || isBlank(v.back()) ||
         (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()));
    return quote ? "\"" + v + "\"" : v;
}

}  // namespace brevio::platform
