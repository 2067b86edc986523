// Helpers for driving whole sessions of the command loop in-process.
#pragma once

#include <cstdint>
#include <string>

struct SessionResult {
    std::string output;
    int status;
};

inline constexpr int64_t DEFAULT_SECOND = 1000;

// Runs the command loop on `input` with the clock fixed at `second`, so that
// the hashing seed, the table stamps and the statistics line are repeatable.
SessionResult RunSession(const std::string& input, int64_t second = DEFAULT_SECOND);

// Whether `line` is exactly one statistics line of a search (newline
// included), its figures consistent, its speed that of a clock that stood
// still.
bool IsStatisticsLine(const std::string& line);

// The output of a session, less the feature line of its start-up.
std::string AfterFeatures(const std::string& output);

inline constexpr const char* FEATURE_LINE =
    "feature setboard=1 san=0 sigint=0 sigterm=0 myname=\"tavik\" usermove=1 reuse=0 done=1\n";
inline constexpr const char* FAREWELL = "Somebody is leaning on the keyboard.  Stop it.\nSee you later.\n";
