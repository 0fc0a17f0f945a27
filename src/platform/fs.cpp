#include "platform/fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/text.h"

namespace brevio::platform {
namespace {

thread_local int tLastError = 0;

bool IsAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool Fail() {
    tLastError = errno;
    return false;
}

}  // namespace

int LastError() {
    return tLastError;
}

std::string NativePath(std::string_view gbkPath) {
    if (IsAscii(gbkPath)) return std::string(gbkPath);
    return GbkToUtf8(gbkPath);
}

std::string GbkPathFromNative(std::string_view nativePath) {
    if (IsAscii(nativePath)) return std::string(nativePath);
    return Utf8ToGbk(nativePath);
}

bool PathExists(std::string_view path) {
    struct stat st {};
    return ::stat(NativePath(path).c_str(), &st) == 0;
}

bool FolderExists(std::string_view path) {
    struct stat st {};
    return ::stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(std::string_view path) {
    struct stat st {};
    return ::stat(NativePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool CreateFolder(std::string_view path) {
    std::string native = NativePath(path);
    while (native.size() > 1 && native.back() == '/') native.pop_back();
    if (::mkdir(native.c_str(), 0755) == 0) return true;
    if (errno == EEXIST && FolderExists(path)) return true;
    return Fail();
}

bool CreateFolders(std::string_view path) {
    std::error_code ec;
    std::filesystem::create_directories(NativePath(path), ec);
    if (ec) {
        tLastError = ec.value();
        return FolderExists(path);
    }
    return FolderExists(path);
}

bool RemoveFile(std::string_view path) {
    return ::unlink(NativePath(path).c_str()) == 0 || Fail();
}

bool RemoveTree(std::string_view path) {
    std::error_code ec;
    std::filesystem::remove_all(NativePath(path), ec);
    if (ec) tLastError = ec.value();
    return !ec;
}

bool RenameFile(std::string_view from, std::string_view to) {
    return ::rename(NativePath(from).c_str(), NativePath(to).c_str()) == 0 || Fail();
}

long long FileSize(std::string_view path) {
    struct stat st {};
    if (::stat(NativePath(path).c_str(), &st) != 0) {
        Fail();
        return -1;
    }
    return static_cast<long long>(st.st_size);
}

std::vector<std::string> ListFolder(std::string_view path) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(NativePath(path).c_str());
    if (!dir) {
        Fail();
        return names;
    }
    while (dirent* e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        names.push_back(GbkPathFromNative(e->d_name));
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool ReadWholeFile(std::string_view path, std::string& out) {
    out.clear();
    File f;
    if (!f.Open(path, File::kRead)) return false;
    char buf[65536];
    while (true) {
        long long n = f.Read(buf, sizeof buf);
        if (n < 0) return false;
        if (n == 0) return true;
        out.append(buf, static_cast<std::size_t>(n));
    }
}

bool WriteFileAtomic(std::string_view path, std::string_view bytes) {
    static std::atomic<unsigned> counter{0};
    std::string temp =
        std::string(path) + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
    {
        File f;
        if (!f.Open(temp, File::kCreate)) return false;
        if (!f.Write(bytes) || !f.Sync()) {
            int err = errno;
            f.Close();
            RemoveFile(temp);
            tLastError = err;
            return false;
        }
    }
    if (!RenameFile(temp, path)) {
        int err = tLastError;
        RemoveFile(temp);
        tLastError = err;
        return false;
    }
    return true;
}

bool CopyFileAtomic(std::string_view from, std::string_view to) {
    std::string bytes;
    return ReadWholeFile(from, bytes) && WriteFileAtomic(to, bytes);
}

void CopyFolderFiles(std::string_view from, std::string_view to) {
    for (const std::string& name : ListFolder(from)) {
        const std::string source = std::string(from) + name;
        if (FileExists(source)) CopyFileAtomic(source, std::string(to) + name);
    }
}

File::~File() {
    Close();
}

File::File(File&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

bool File::Open(std::string_view path, Mode mode) {
    Close();
    int flags = O_CLOEXEC;
    switch (mode) {
        case kRead:
            flags |= O_RDONLY;
            break;
        case kReadWrite:
            flags |= O_RDWR;
            break;
        case kReadWriteNew:
            flags |= O_RDWR | O_CREAT;
            break;
        case kAppend:
            flags |= O_WRONLY | O_CREAT | O_APPEND;
            break;
        case kCreate:
            flags |= O_WRONLY | O_CREAT | O_TRUNC;
            break;
    }
    fd_ = ::open(NativePath(path).c_str(), flags, 0644);
    if (fd_ < 0) return Fail();
    return true;
}

void File::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

long long File::Read(void* buf, std::size_t size) {
    std::size_t done = 0;
    char* p = static_cast<char*>(buf);
    while (done < size) {
        ssize_t n = ::read(fd_, p + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail();
            return -1;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<long long>(done);
}

bool File::Write(const void* buf, std::size_t size) {
    const char* p = static_cast<const char*>(buf);
    while (size > 0) {
        ssize_t n = ::write(fd_, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return Fail();
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

long long File::ReadAt(std::int64_t offset, void* buf, std::size_t size) {
    std::size_t done = 0;
    char* p = static_cast<char*>(buf);
    while (done < size) {
        ssize_t n = ::pread(fd_, p + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail();
            return -1;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<long long>(done);
}

bool File::WriteAt(std::int64_t offset, const void* buf, std::size_t size) {
    const char* p = static_cast<const char*>(buf);
    while (size > 0) {
        ssize_t n = ::pwrite(fd_, p, size, offset);
        if (n < 0) {
            if (errno == EINTR) continue;
            return Fail();
        }
        p += n;
        offset += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::int64_t File::Seek(std::int64_t offset, int whence) {
    off_t pos = ::lseek(fd_, offset, whence);
    if (pos < 0) Fail();
    return pos;
}

std::int64_t File::Tell() {
    return Seek(0, SEEK_CUR);
}

std::int64_t File::Size() {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        Fail();
        return -1;
    }
    return st.st_size;
}

bool File::Truncate(std::int64_t size) {
    return ::ftruncate(fd_, size) == 0 || Fail();
}

bool File::Sync() {
    return ::fsync(fd_) == 0 || Fail();
}

bool LineReader::Open(std::string_view path) {
    buf_.clear();
    pos_ = 0;
    eof_ = false;
    return file_.Open(path, File::kRead);
}

bool LineReader::Fill() {
    if (eof_) return false;
    if (pos_ > 0) {
        buf_.erase(0, pos_);
        pos_ = 0;
    }
    char chunk[16384];
    long long n = file_.Read(chunk, sizeof chunk);
    if (n <= 0) {
        eof_ = true;
        return false;
    }
    buf_.append(chunk, static_cast<std::size_t>(n));
    return true;
}

bool LineReader::Next(std::string& line) {
    // Like fgets with a buffer of bufferSize_ bytes: at most bufferSize_-1 bytes, up to and
    // including a line feed.
    const std::size_t limit = bufferSize_ > 1 ? bufferSize_ - 1 : 1;
    while (true) {
        std::size_t avail = buf_.size() - pos_;
        std::size_t nl = buf_.find('\n', pos_);
        if (nl != std::string::npos && nl - pos_ + 1 <= limit) {
            line.assign(buf_, pos_, nl - pos_ + 1);
            pos_ = nl + 1;
            return true;
        }
        if (avail >= limit) {
            line.assign(buf_, pos_, limit);
            pos_ += limit;
            return true;
        }
        if (!Fill()) {
            if (buf_.size() - pos_ == 0) return false;
            line.assign(buf_, pos_, std::string::npos);
            pos_ = buf_.size();
            return true;
        }
    }
}

std::string_view StripLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

}  // namespace brevio::platform
