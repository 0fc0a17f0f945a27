#pragma once
#include <cstdint>

namespace brevio::platform {
// Stands in for the volume serial number of the system drive: $BREVIO_VOLUME_SERIAL (hex)
// when set, else the low 32 bits of statvfs("/").f_fsid.
std::uint32_t VolumeSerial();
}  // namespace brevio::platform
