#pragma once

namespace brevio::platform {

struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int Stamp() const { return year * 10000 + month * 100 + day; }  // yyyymmdd
};

// The local date and time now.
LocalTime Now();

}  // namespace brevio::platform
