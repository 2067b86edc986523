#include "session.h"

#include <sstream>

#include "hash.h"
#include "main.h"
#include "search.h"

namespace {

int64_t fixed_second;

int64_t FixedClock() { return fixed_second; }

// A session seeds the hashing tables from its clock. Boards that a test
// builds beside a session (to follow the game) use the same tables from the
// first test on, whatever order the tests run in.
const bool tables_seeded = (InitHashTables(static_cast<uint32_t>(DEFAULT_SECOND)), true);

}  // namespace

SessionResult RunSession(const std::string& input, int64_t second)
{
    fixed_second = second;
    SetClock(FixedClock);
    std::istringstream in(input);
    std::ostringstream out;
    const int status = RunCommandLoop(in, out);
    SetClock(nullptr);
    return {out.str(), status};
}

std::string AfterFeatures(const std::string& output)
{
    const std::string features = FEATURE_LINE;
    if (output.compare(0, features.size(), features) != 0)
        return "<no feature line>" + output;
    return output.substr(features.size());
}
