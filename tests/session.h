// Helpers for driving whole sessions of the command loop in-process.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct SessionResult {
    std::string output;
    int status;
};

inline constexpr int64_t DEFAULT_SECOND = 1000;

// Runs the command loop on `input` with the clock fixed at `second`, so that
// the hashing seed, the table stamps and the statistics line are repeatable.
SessionResult RunSession(const std::string& input, int64_t second = DEFAULT_SECOND);

// The statistics line of one search, taken apart.
struct Statistics {
    int nodes;
    std::string reuse;  // the share of table hits, in percent with two decimals
    int hits;
    int probes;
    int cutoffs;
    int null_cutoffs;
    int score;
    long per_second;
};

// The values of `text` when it is exactly one statistics line (newline
// included) as the engine writes it; none otherwise.
std::optional<Statistics> ParseStatistics(const std::string& text);

// Whether `line` is one statistics line whose speed is that of a clock that
// stood still (one second for the whole search).
bool IsStatisticsLine(const std::string& line);

// The statistics line of a search that found no move to search: one node.
std::string NoMoveStatistics(int score);

// The output of a session, less the feature line of its start-up.
std::string AfterFeatures(const std::string& output);

// How the lines of a front-end's session reach the engine: one at a time,
// each only once the engine has handled the one before (as a GUI waits for
// the engine's move), or all at once, so that a search finds the lines after
// the command that started it already waiting.
enum class Arrival { ONE_BY_ONE, ALL_AT_ONCE };

enum class FrontEnd { XBOARD, UCI };

struct FrontEndRun {
    std::string output;
    std::string position;  // the session's position at its end, as a position text
};

// Runs a session of a front-end on `input` with both clocks fixed, except
// that every reading of the millisecond clock advances it by one.
FrontEndRun RunFrontEnd(FrontEnd front_end, const std::string& input, Arrival arrival = Arrival::ONE_BY_ONE);

// Runs a session of a front-end as RunFrontEnd does one line at a time, each
// line worked out by `next` from the output so far (none: the input ends).
using NextLine = std::function<std::optional<std::string>(const std::string& output)>;
FrontEndRun RunFrontEndInteractively(FrontEnd front_end, const NextLine& next);

// One exchange with a front-end, in a session of its own: the lines sent,
// the replies expected (as ExpectReplies takes them) and the position the
// session must end at ('*' as in the replies).
struct Exchange {
    const char* name;
    std::string input;
    std::vector<std::string> replies;
    const char* position;
    Arrival arrival = Arrival::ONE_BY_ONE;
};

// Runs each exchange and expects its replies, with lines that begin with
// `skippable` allowed between them, and its position.
void ExpectExchanges(FrontEnd front_end, const std::vector<Exchange>& exchanges, const std::string& skippable = "");

// Whether `text` matches `pattern`, in which '*' stands for any run of
// characters.
bool Matches(const std::string& text, const std::string& pattern);

// Expects the lines of `output` to match `replies` one by one; lines that
// begin with `skippable` (when it is not empty) may come between them.
void ExpectReplies(const std::string& label, const std::string& output, const std::vector<std::string>& replies,
                   const std::string& skippable = "");

inline constexpr const char* FEATURE_LINE =
    "feature setboard=1 san=0 sigint=0 sigterm=0 myname=\"tavik\" usermove=1 reuse=0 done=1\n";
inline constexpr const char* FAREWELL = "Somebody is leaning on the keyboard.  Stop it.\nSee you later.\n";
