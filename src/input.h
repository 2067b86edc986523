// Command lines from the program that drives the engine: read whole, one at
// a time, and looked for without blocking, so that a single-threaded search
// can notice a command that arrives while it runs.
#pragma once

#include <cstdint>
#include <deque>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The longest line kept; the rest of a longer line is dropped.
inline constexpr size_t MAX_LINE_LENGTH = 1 << 20;

// A source of lines: a file descriptor (the engine's standard input) or a
// stream (tests and fuzzing). `buffer` holds what was read from the source
// and not yet handed out as a line; `dropping` is set while the rest of an
// over-long line is thrown away; `at_end` once the source has no more.
// Changed only by the functions below.
struct LineInput {
    int fd = -1;
    std::istream* stream = nullptr;
    std::string buffer;
    bool dropping = false;
    bool at_end = false;
};

LineInput InputFromDescriptor(int fd);
LineInput InputFromStream(std::istream& stream);

// The next line, without its newline and without a carriage return before
// it; false once the input has run out (a last line without a newline still
// comes out first). Blocks until a whole line is there.
bool ReadInputLine(LineInput& input, std::string& line);

// Whether ReadInputLine would answer without waiting for the source: a line
// is buffered, the source has bytes ready, or it has run out.
bool InputPending(LineInput& input);

// The next command of a front-end: the oldest of the lines that waited for a
// search to end, else the next line of the input; false at its end.
bool NextCommand(LineInput& input, std::deque<std::string>& waiting, std::string& line);

// The words of a command line, split at blanks and tabs.
std::vector<std::string_view> Words(std::string_view line);

// A whole decimal number, sign allowed, or none.
std::optional<int64_t> ReadInteger(std::string_view text);
