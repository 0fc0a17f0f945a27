// File and folder access. Paths are GBK text; they are converted to UTF-8 only when the
// operating system is called, and names read from folders are converted back to GBK.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brevio::platform {

// Converts a GBK path to the UTF-8 path the operating system sees.
std::string NativePath(std::string_view gbkPath);
// Converts a path the operating system gave (UTF-8) to GBK.
std::string GbkPathFromNative(std::string_view nativePath);

bool PathExists(std::string_view path);
bool FolderExists(std::string_view path);
bool FileExists(std::string_view path);
// Creates one folder level; true when it exists afterwards.
bool CreateFolder(std::string_view path);
// Creates every missing level; true when the folder exists afterwards.
bool CreateFolders(std::string_view path);
bool RemoveFile(std::string_view path);
// Removes a folder and everything below it.
bool RemoveTree(std::string_view path);
// rename(2): atomic replacement of `to` on one file system.
bool RenameFile(std::string_view from, std::string_view to);
// File size in bytes, -1 when it cannot be read.
long long FileSize(std::string_view path);
// Names (GBK) of the entries of a folder, without "." and "..", sorted.
std::vector<std::string> ListFolder(std::string_view path);

// Whole-file helpers. ReadWholeFile returns false when the file cannot be opened.
bool ReadWholeFile(std::string_view path, std::string& out);
// Writes a temporary file beside `path`, flushes it to disk and renames it over `path`, so a
// crash leaves either the old or the new file, never a mixture.
bool WriteFileAtomic(std::string_view path, std::string_view bytes);
// Copies a whole file with WriteFileAtomic, so the destination holds either its old or its
// new content. False when the source cannot be read or the destination cannot be written.
bool CopyFileAtomic(std::string_view from, std::string_view to);
// Copies every plain file of the folder `from` into the folder `to` (both ending in "/"),
// replacing files of the same name; sub-folders are left out.
void CopyFolderFiles(std::string_view from, std::string_view to);

// errno of the last failed call of this thread (the "system error code" of the logs).
int LastError();

// A file handle that is opened and closed around one operation, with positioned reads and
// writes. Errors are reported through return values; the errno stays available in LastError.
class File {
  public:
    enum Mode {
        kRead,          // read only, must exist
        kReadWrite,     // read and write, must exist
        kReadWriteNew,  // read and write, created when missing
        kAppend,        // write at the end, created when missing
        kCreate,        // write, created or truncated
    };

    File() = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;

    bool Open(std::string_view path, Mode mode);
    bool IsOpen() const { return fd_ >= 0; }
    void Close();

    // Read up to `size` bytes at the current position; bytes read, or -1.
    long long Read(void* buf, std::size_t size);
    // Writes all bytes; false on failure.
    bool Write(const void* buf, std::size_t size);
    bool Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
    // Positioned read/write, leaving the current position alone.
    long long ReadAt(std::int64_t offset, void* buf, std::size_t size);
    bool WriteAt(std::int64_t offset, const void* buf, std::size_t size);
    // Seeks; returns the new position or -1.
    std::int64_t Seek(std::int64_t offset, int whence);
    std::int64_t Tell();
    std::int64_t Size();
    bool Truncate(std::int64_t size);
    bool Sync();
    int Fd() const { return fd_; }

  private:
    int fd_ = -1;
};

// Reads a file line by line through a fixed-size line buffer, like fgets: a line longer than
// bufferSize-1 bytes is delivered in pieces. The delivered line keeps its line-end bytes.
class LineReader {
  public:
    explicit LineReader(std::size_t bufferSize = 2048) : bufferSize_(bufferSize) {}
    bool Open(std::string_view path);
    // Next piece into `line`; false at end of file.
    bool Next(std::string& line);

  private:
    bool Fill();
    File file_;
    std::size_t bufferSize_;
    std::string buf_;
    std::size_t pos_ = 0;
    bool eof_ = false;
};

// Removes trailing CR and LF bytes.
std::string_view StripLineEnd(std::string_view line);

}  // namespace brevio::platform
