// Locks of a news file, within the process and across processes.
//
// The desktop client, the headless client and short command-line runs may all work on one
// content folder at once, so the writers of a news file are serialised across processes:
//
// - The write lock is held for a whole write: an append, a flag write, a whole compaction
//   (from reading the index until its temporaries have replaced the pair), the completion of
//   an interrupted replacement. Within the process it is a mutex per news file; across
//   processes an exclusive lock on one byte of the folder's lock file ".newsfiles.lock".
// - The pair lock keeps readers from opening an index and a content file that do not belong
//   together. A reader holds it shared only while it opens the two files; the replacement of
//   a news file by its compacted pair (the renames) holds it exclusively. Readers never take
//   the write lock, so listing and reading go on while another process compacts.
//
// The cross-process locks are open-file-description locks (F_OFD_SETLKW) on a descriptor of
// their own, so they also exclude threads of one process and are released when the lock
// object goes, even if the process dies. Bytes are chosen by a hash of the base name; two
// news files that share a byte are merely serialised together. Always take the write lock
// before the pair lock.
//
// When the lock file cannot be opened (a folder that does not exist yet, a read-only medium)
// the lock is held within the process only; a news file in such a folder cannot be written
// by another process either.
#pragma once

#include <string>
#include <string_view>

namespace brevio::store {

class NewsFileWriteLock {
  public:
    explicit NewsFileWriteLock(std::string_view basePath);
    ~NewsFileWriteLock();
    NewsFileWriteLock(const NewsFileWriteLock&) = delete;
    NewsFileWriteLock& operator=(const NewsFileWriteLock&) = delete;

  private:
    void* mutex_;
    int fd_ = -1;
};

class NewsFilePairLock {
  public:
    enum Mode { kShared, kExclusive };
    NewsFilePairLock(std::string_view basePath, Mode mode);
    ~NewsFilePairLock();
    NewsFilePairLock(const NewsFilePairLock&) = delete;
    NewsFilePairLock& operator=(const NewsFilePairLock&) = delete;

  private:
    void* mutex_;
    Mode mode_;
    int fd_ = -1;
};

// The name of the lock file in every news folder (never a news file: it has no ".idx").
inline constexpr std::string_view kNewsLockFileName = ".newsfiles.lock";

}  // namespace brevio::store
