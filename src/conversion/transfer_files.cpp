#include "conversion/transfer_files.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include "platform/error_log.h"
#include "platform/fs.h"
#include "platform/process_lock.h"

namespace brevio::conversion {
namespace {

// Flushes a folder's entry list, so that a rename in it survives a pulled medium.
void SyncFolder(std::string_view folder) {
    std::string native = platform::NativePath(folder.empty() ? std::string_view(".") : folder);
    int fd = ::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

HandTransferFile::HandTransferFile(std::string path)
    : path_(std::move(path)), lockPath_(path_ + ".lock") {}

bool HandTransferFile::Append(std::span<const char, kTransferRecordSize> record) {
    platform::ProcessLock lock = platform::ProcessLock::Wait(lockPath_);
    platform::File file;
    if (!file.Open(path_, platform::File::kAppend)) {
        platform::LogFileError("Open " + path_, platform::LastError());
        return false;
    }
    // A record cut short by an earlier crash would shift every later record: the append
    // starts at the last whole record.
    const std::int64_t size = file.Size();
    if (size > 0 && size % static_cast<std::int64_t>(kTransferRecordSize) != 0) {
        file.Truncate(size - size % static_cast<std::int64_t>(kTransferRecordSize));
    }
    if (!file.Write(record.data(), record.size())) {
        platform::LogFileError("Write " + path_, platform::LastError());
        return false;
    }
    return true;
}

HandTransferFile::Read HandTransferFile::ReadAt(std::int64_t index,
                                                std::span<char, kTransferRecordSize> record) const {
    platform::File file;
    if (!file.Open(path_, platform::File::kRead)) {
        return platform::LastError() == ENOENT ? Read::kEnd : Read::kError;
    }
    const std::int64_t offset = index * static_cast<std::int64_t>(kTransferRecordSize);
    const long long n = file.ReadAt(offset, record.data(), record.size());
    if (n < 0) return Read::kError;
    // Nothing there, or the torn tail of an append a crash interrupted: the data ends here.
    if (static_cast<std::size_t>(n) < record.size()) return Read::kEnd;
    return Read::kRecord;
}

HandTransferFile::End HandTransferFile::DeleteAtEnd(std::int64_t index) {
    platform::ProcessLock lock = platform::ProcessLock::Wait(lockPath_);
    const long long size = platform::FileSize(path_);
    if (size < 0) return platform::PathExists(path_) ? End::kError : End::kDeleted;
    if (size >= (index + 1) * static_cast<long long>(kTransferRecordSize)) return End::kMoreData;
    if (!platform::RemoveFile(path_)) {
        platform::LogFileError("Delete " + path_, platform::LastError());
        return End::kError;
    }
    return End::kDeleted;
}

std::int64_t HandTransferFile::RecordCount() const {
    const long long size = platform::FileSize(path_);
    if (size < 0) return platform::FileExists(path_) ? -1 : 0;
    return size / static_cast<long long>(kTransferRecordSize);
}

std::string UsbFilePath(std::string_view folder, int number) {
    return std::string(folder) + std::to_string(number) + std::string(kUsbFileExt);
}

bool WriteUsbFile(std::string_view folder, int number,
                  std::span<const char, kTransferRecordSize> record) {
    const std::string target = UsbFilePath(folder, number);
    const std::string partial = std::string(folder) + std::to_string(number) +
                                std::string(kUsbPartialExt);
    platform::File file;
    if (!file.Open(partial, platform::File::kCreate)) {
        platform::LogFileError("Create " + partial, platform::LastError());
        return false;
    }
    if (!file.Write(record.data(), record.size()) || !file.Sync()) {
        platform::LogFileError("Write " + partial, platform::LastError());
        file.Close();
        platform::RemoveFile(partial);
        return false;
    }
    file.Close();
    if (!platform::RenameFile(partial, target)) {
        platform::LogFileError("Rename " + partial, platform::LastError());
        platform::RemoveFile(partial);
        return false;
    }
    SyncFolder(folder);
    return true;
}

bool CreateUsbMarker(std::string_view folder) {
    platform::File file;
    return file.Open(std::string(folder) + std::string(kUsbMarkerFile), platform::File::kCreate);
}

}  // namespace brevio::conversion
