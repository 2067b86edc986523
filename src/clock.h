// The clocks: the calendar time in seconds and a monotonic time in
// milliseconds, each replaceable, so that tests and the bench run with a
// clock that stands still and give the same output every time.
#pragma once

#include <cstdint>

using ClockFunction = int64_t (*)();

// The calendar time in whole seconds: the seed of the hashing tables, the
// stamp of table entries and the speed figure of the statistics line.
void SetClock(ClockFunction clock);  // nullptr brings back the real clock
int64_t ReadClock();

// A monotonic clock in milliseconds, for the time limits of a search and the
// times it reports.
void SetMillisecondClock(ClockFunction clock);  // nullptr brings back the real clock
int64_t ReadMilliseconds();
