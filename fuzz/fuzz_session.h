// Arbitrary bytes as a whole session of a front-end, every line there from
// the start, so that searches also meet the lines after them. The targets'
// engine searches three plies at the most, and the clocks are fixed but for
// the millisecond clock, which each reading advances by one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <sstream>
#include <string>

#include "clock.h"
#include "front_end.h"
#include "input.h"

namespace fuzzing {

inline int64_t FixedSecond() { return 1000; }

inline int64_t millisecond;

inline int64_t SteppingMilliseconds() { return ++millisecond; }

}  // namespace fuzzing

inline int FuzzFrontEnd(const uint8_t* data, size_t size, int (*run)(Session&))
{
    SetClock(fuzzing::FixedSecond);
    fuzzing::millisecond = 0;
    SetMillisecondClock(fuzzing::SteppingMilliseconds);
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    LineInput input = InputFromStream(in);
    std::ostream discard(nullptr);
    Session session;
    session.input = &input;
    session.out = &discard;
    (void)run(session);
    return 0;
}
