// Private-profile (INI) files with the semantics of the Windows profile functions:
// section and key names compare case-insensitively, the first match wins, values are trimmed
// of blanks and a value enclosed in matching quotes loses them, results are truncated to the
// caller's buffer size, and files are written with CR LF line ends. LF-only files read the
// same. Every write rewrites the file atomically; writes to one file are serialised.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brevio::platform {

// Like GetPrivateProfileString with a buffer of `bufferSize` bytes: at most bufferSize-1 bytes
// of the value (or of the default when the key is missing) are returned.
std::string ProfileGetString(std::string_view file, std::string_view section, std::string_view key,
                             std::string_view defaultValue, std::size_t bufferSize = 256);

// Like GetPrivateProfileInt: leading decimal digits of the value (optional '-'), the default
// when the key is missing or holds no digits.
int ProfileGetInt(std::string_view file, std::string_view section, std::string_view key,
                  int defaultValue);

// True when the key exists in the section.
bool ProfileHasKey(std::string_view file, std::string_view section, std::string_view key);

// The "key=value" lines of a section in file order, as GetPrivateProfileSection delivers
// them; lines are dropped once the total (each line plus its NUL, plus the final NUL) would
// exceed bufferSize.
std::vector<std::string> ProfileGetSection(std::string_view file, std::string_view section,
                                           std::size_t bufferSize = 32767);

// Names of the sections in file order.
std::vector<std::string> ProfileGetSectionNames(std::string_view file);

// Like GetPrivateProfileStruct: the value must be exactly 2*size hex digits followed by a
// two-digit checksum (the low byte of the sum of the data bytes); false otherwise.
bool ProfileGetStruct(std::string_view file, std::string_view section, std::string_view key,
                      void* data, std::size_t size);

// Like WritePrivateProfileString with a value: creates the file, section and key as needed.
bool ProfileWriteString(std::string_view file, std::string_view section, std::string_view key,
                        std::string_view value);
bool ProfileWriteInt(std::string_view file, std::string_view section, std::string_view key,
                     long long value);
bool ProfileWriteStruct(std::string_view file, std::string_view section, std::string_view key,
                        const void* data, std::size_t size);
// WritePrivateProfileString with a null value / a null key.
bool ProfileDeleteKey(std::string_view file, std::string_view section, std::string_view key);
bool ProfileDeleteSection(std::string_view file, std::string_view section);

// A text as it must be written as a profile value to read back unchanged: line breaks (which
// would start a new key) are dropped, and the text is quoted when the profile's trimming
// of blanks or of enclosing quotes would otherwise change it.
std::string StorableProfileValue(std::string_view value);

// Replaces a whole section with the given "key=value" lines (WritePrivateProfileSection).
bool ProfileWriteSection(std::string_view file, std::string_view section,
                         const std::vector<std::string>& lines);

// Several changes to one file with a single rewrite (saving many sections at once). The
// changes apply in order to the file as it is at Commit; nothing is written before Commit.
class ProfileEditor {
  public:
    explicit ProfileEditor(std::string file) : file_(std::move(file)) {}
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInt(std::string_view section, std::string_view key, long long value);
    void WriteStruct(std::string_view section, std::string_view key, const void* data,
                     std::size_t size);
    void DeleteKey(std::string_view section, std::string_view key);
    void DeleteSection(std::string_view section);
    // Applies the changes with one atomic rewrite; false when the file cannot be written.
    bool Commit();

  private:
    struct Change {
        enum Kind { kWrite, kDeleteKey, kDeleteSection } kind;
        std::string section, key, value;
    };
    std::string file_;
    std::vector<Change> changes_;
};

}  // namespace brevio::platform
