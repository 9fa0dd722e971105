// Time as the program reads it: never directly from the system, so tests can move it.
#pragma once

#include <cstdint>

namespace os {

class Clock {
public:
    virtual ~Clock() = default;
    // Local date and time as days since 1899-12-30, the time of day as the fraction.
    virtual double Now() = 0;
    // Milliseconds since an arbitrary start; only differences mean anything.
    virtual std::uint64_t TickCount() = 0;
};

} // namespace os
