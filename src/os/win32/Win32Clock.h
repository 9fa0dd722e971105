// The system clock in local time, and the system's millisecond counter.
#pragma once

#include "os/Clock.h"

namespace os {

class Win32Clock : public Clock {
public:
    double Now() override;
    std::uint64_t TickCount() override;
};

} // namespace os
