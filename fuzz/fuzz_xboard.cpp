// Arbitrary bytes as a whole --xboard session, every line there from the
// start, so that searches also meet the lines after them. This target's
// engine searches three plies at the most, and its clocks are fixed but for
// the millisecond clock, which each reading advances by one.
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <sstream>
#include <string>

#include "input.h"
#include "search.h"
#include "xboard.h"

namespace {

int64_t FixedSecond() { return 1000; }

int64_t millisecond;

int64_t SteppingMilliseconds() { return ++millisecond; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SetClock(FixedSecond);
    millisecond = 0;
    SetMillisecondClock(SteppingMilliseconds);
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    LineInput input = InputFromStream(in);
    std::ostream discard(nullptr);
    XboardSession session;
    session.input = &input;
    session.out = &discard;
    (void)RunXboard(session);
    return 0;
}
