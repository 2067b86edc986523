#include "clock.h"

#include <chrono>
#include <ctime>

namespace {

int64_t RealClock() { return static_cast<int64_t>(std::time(nullptr)); }

int64_t RealMilliseconds()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
}

ClockFunction clock_function = RealClock;
ClockFunction millisecond_function = RealMilliseconds;

}  // namespace

void SetClock(ClockFunction clock) { clock_function = clock ? clock : RealClock; }

int64_t ReadClock() { return clock_function(); }

void SetMillisecondClock(ClockFunction clock) { millisecond_function = clock ? clock : RealMilliseconds; }

int64_t ReadMilliseconds() { return millisecond_function(); }
