#include "session.h"

#include <sstream>

#include "main.h"
#include "search.h"

namespace {

int64_t fixed_second;

int64_t FixedClock() { return fixed_second; }

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
