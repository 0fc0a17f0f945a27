#include "platform/machine_id.h"

#include <sys/statvfs.h>

#include <cstdlib>

namespace brevio::platform {

std::uint32_t VolumeSerial() {
    if (const char* fixed = std::getenv("BREVIO_VOLUME_SERIAL"); fixed && *fixed) {
        return static_cast<std::uint32_t>(std::strtoul(fixed, nullptr, 16));
    }
    struct statvfs st {};
    if (statvfs("/", &st) != 0) return 0;
    return static_cast<std::uint32_t>(st.f_fsid & 0xFFFFFFFFu);
}

}  // namespace brevio::platform
