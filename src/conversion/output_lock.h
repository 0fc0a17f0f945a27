// The lock of a conversion path between the writers of converted files and the tidy-up.
//
// Every conversion of one item holds it shared while it creates its folders, writes its files
// and registers them; the tidy-up holds it exclusively while it deletes day folders and drops
// their index entries. So the tidy-up never deletes a folder that a conversion is writing
// into, whether the conversion runs on the store writer thread, on another thread or in
// another process (the desktop client and brevio-cli on one conversion path).
//
// Within the process it is a shared mutex per conversion path; across processes an
// open-file-description lock (shared or exclusive) on the file ".conversion.lock" in the
// conversion path. When that file cannot be opened (a conversion path that does not exist
// yet) the lock holds within the process only.
#pragma once

#include <string>
#include <string_view>

namespace brevio::conversion {

inline constexpr std::string_view kOutputLockFileName = ".conversion.lock";

class OutputLock {
  public:
    enum Mode { kShared, kExclusive };
    OutputLock(std::string_view convertPath, Mode mode);
    ~OutputLock();
    OutputLock(const OutputLock&) = delete;
    OutputLock& operator=(const OutputLock&) = delete;

  private:
    void* mutex_;
    Mode mode_;
    int fd_ = -1;
};

}  // namespace brevio::conversion
