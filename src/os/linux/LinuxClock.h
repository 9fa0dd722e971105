// The system clock in the local time zone, and a monotonic millisecond counter.
#pragma once

#include "os/Clock.h"

namespace os {

class LinuxClock : public Clock {
public:
    double Now() override;
    std::uint64_t TickCount() override;
};

} // namespace os
