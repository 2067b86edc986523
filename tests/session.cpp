#include "session.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "classic.h"
#include "clock.h"
#include "hash.h"
#include "input.h"
#include "line_source.h"
#include "position_text.h"
#include "uci.h"
#include "xboard.h"

namespace {

int64_t fixed_second;

int64_t FixedClock() { return fixed_second; }

int64_t millisecond;

int64_t SteppingMilliseconds() { return ++millisecond; }

// A session seeds the hashing tables from its clock. Boards that a test
// builds beside a session (to follow the game) use the same tables from the
// first test on, whatever order the tests run in.
const bool tables_seeded = (InitHashTables(static_cast<uint32_t>(DEFAULT_SECOND)), true);

// Runs a front-end's session on `source` and gives the position it ends at.
std::string RunOn(int (*run)(Session&), LineInput& source, std::ostream& out)
{
    Session session;
    session.input = &source;
    session.out = &out;
    run(session);
    return PositionText(*session.board);
}

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

std::optional<Statistics> ParseStatistics(const std::string& text)
{
    // Read with the conversions that the engine writes with, written back
    // and compared, so that nothing but the figures may vary.
    Statistics values{};
    char reuse[32] = {};
    const int read = std::sscanf(text.c_str(),
                                 "Searched %d nodes, reused %31[0-9.]%%[%d] of %d nodes from table, we got %d cutoffs, "
                                 "%d nullcutoffs, eval is %d, %ld NPS",
                                 &values.nodes, reuse, &values.hits, &values.probes, &values.cutoffs,
                                 &values.null_cutoffs, &values.score, &values.per_second);
    if (read != 8)
        return std::nullopt;
    values.reuse = reuse;
    char line[256];
    std::snprintf(line, sizeof line,
                  "Searched %i nodes, reused %s%%[%i] of %i nodes from table, we got %i cutoffs, %i nullcutoffs, "
                  "eval is %i, %li NPS\n",
                  values.nodes, reuse, values.hits, values.probes, values.cutoffs, values.null_cutoffs, values.score,
                  values.per_second);
    const size_t point = values.reuse.find('.');
    if (text != line || point == std::string::npos || values.reuse.size() - point != 3)
        return std::nullopt;
    return values;
}

bool IsStatisticsLine(const std::string& line)
{
    const std::optional<Statistics> values = ParseStatistics(line);
    return values && values->per_second == values->nodes;
}

std::string NoMoveStatistics(int score)
{
    return "Searched 1 nodes, reused 0.00%[0] of 0 nodes from table, we got 0 cutoffs, 0 nullcutoffs, eval is " +
           std::to_string(score) + ", 1 NPS\n";
}

namespace {

// Runs a front-end on the whole of `all` when it is given, else on the lines
// of `next` (see RunFrontEndInteractively).
FrontEndRun Run(FrontEnd front_end, const std::string* all, const NextLine& next)
{
    fixed_second = DEFAULT_SECOND;
    millisecond = 0;
    SetClock(FixedClock);
    SetMillisecondClock(SteppingMilliseconds);
    std::ostringstream out;
    std::istringstream whole(all ? *all : "");
    LineSource one_by_one([&]() -> std::optional<std::string> {
        const std::optional<std::string> line = next(out.str());
        return line ? std::optional<std::string>(*line + "\n") : std::nullopt;
    });
    std::istream on_request(&one_by_one);
    LineInput source = InputFromStream(all ? whole : on_request);
    FrontEndRun run;
    run.position = front_end == FrontEnd::XBOARD ? RunOn(RunXboard, source, out) : RunOn(RunUci, source, out);
    SetClock(nullptr);
    SetMillisecondClock(nullptr);
    run.output = out.str();
    return run;
}

}  // namespace

FrontEndRun RunFrontEnd(FrontEnd front_end, const std::string& input, Arrival arrival)
{
    std::istringstream lines(input);
    return Run(front_end, arrival == Arrival::ALL_AT_ONCE ? &input : nullptr,
               [&](const std::string&) -> std::optional<std::string> {
                   std::string line;
                   return std::getline(lines, line) ? std::optional<std::string>(line) : std::nullopt;
               });
}

FrontEndRun RunFrontEndInteractively(FrontEnd front_end, const NextLine& next) { return Run(front_end, nullptr, next); }

bool Matches(const std::string& text, const std::string& pattern)
{
    const size_t star = pattern.find('*');
    if (star == std::string::npos)
        return text == pattern;
    if (text.compare(0, star, pattern, 0, star) != 0)
        return false;
    for (size_t at = star; at <= text.size(); ++at) {
        if (Matches(text.substr(at), pattern.substr(star + 1)))
            return true;
    }
    return false;
}

void ExpectReplies(const std::string& label, const std::string& output, const std::vector<std::string>& replies,
                   const std::string& skippable)
{
    std::istringstream in(output);
    size_t matched = 0;
    for (std::string line; std::getline(in, line);) {
        if (matched < replies.size() && Matches(line, replies[matched]))
            ++matched;
        else if (skippable.empty() || line.rfind(skippable, 0) != 0)
            ADD_FAILURE() << label << ": unexpected line '" << line << "' in:\n" << output;
    }
    EXPECT_EQ(matched, replies.size()) << label << ": missing replies in:\n" << output;
}

void ExpectExchanges(FrontEnd front_end, const std::vector<Exchange>& exchanges, const std::string& skippable)
{
    for (const Exchange& exchange : exchanges) {
        const FrontEndRun run = RunFrontEnd(front_end, exchange.input, exchange.arrival);
        ExpectReplies(exchange.name, run.output, exchange.replies, skippable);
        EXPECT_TRUE(Matches(run.position, exchange.position)) << exchange.name << ": " << run.position;
    }
}
