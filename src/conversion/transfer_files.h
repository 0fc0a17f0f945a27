// The files of the special conversion: the hand transfer's temporary file "Vantory.~px" in
// the program folder (transfer records appended during reception, sent later by hand), and
// the numbered USB files.
//
// The temporary file is appended to by the store writer thread and read, and at the end of
// its data deleted, by the hand transfer, possibly in another process (a hand transfer run
// from brevio-cli beside a running client). Appends and the final look before the deletion
// hold one lock shared with other processes ("Vantory.~px.lock"), so no record appended at
// the last moment is deleted unsent.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "conversion/transfer_record.h"

namespace brevio::conversion {

inline constexpr std::string_view kHandTransferFile = "Vantory.~px";
inline constexpr std::string_view kUsbMarkerFile = "usb.usb";
inline constexpr std::string_view kUsbFileExt = ".usb";
// A USB file is written under this extension first and renamed when it is complete.
inline constexpr std::string_view kUsbPartialExt = ".~us";

class HandTransferFile {
  public:
    // `path`: program folder + "Vantory.~px".
    explicit HandTransferFile(std::string path);
    const std::string& Path() const { return path_; }

    // Appends one record (the file is created when missing, never truncated); false when it
    // cannot be written (logged in the file error log).
    bool Append(std::span<const char, kTransferRecordSize> record);

    enum class Read {
        kRecord,  // `record` holds the record at the index
        kEnd,     // no record at the index: the end of the data (or no file at all)
        kError,   // the file exists but could not be opened or read
    };
    Read ReadAt(std::int64_t index, std::span<char, kTransferRecordSize> record) const;

    // At a clean end of data: deletes the file unless a record at `index` arrived meanwhile
    // (looked at under the append lock).
    enum class End {
        kDeleted,   // the data has ended and the file is gone (or there was none)
        kMoreData,  // a record at the index arrived meanwhile
        kError,     // the file could not be looked at or deleted (logged)
    };
    End DeleteAtEnd(std::int64_t index);

    // Whole records in the file (0 when there is none), -1 when its size cannot be read.
    std::int64_t RecordCount() const;

  private:
    std::string path_;
    std::string lockPath_;
};

// The path of USB file `number` in `folder` (ends in "/"): folder + number + ".usb".
std::string UsbFilePath(std::string_view folder, int number);

// Writes one record as USB file `number`: first under ".~us", flushed to the medium, then
// renamed to ".usb", so that a medium pulled at any moment holds either no file of that number
// or a whole one. False when it cannot be written (logged; nothing named ".usb" is left).
bool WriteUsbFile(std::string_view folder, int number,
                  std::span<const char, kTransferRecordSize> record);

// Creates (or empties) the marker file "usb.usb" in `folder`; false when that fails.
bool CreateUsbMarker(std::string_view folder);

}  // namespace brevio::conversion
