#include "input.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <istream>
#include <utility>

#include <poll.h>
#include <unistd.h>

namespace {

// Appends what the source has to the buffer: for a descriptor, what one read
// gives; for a stream, characters up to a newline. Blocks until there is at
// least one character or the end.
void Fill(LineInput& input)
{
    if (input.stream) {
        std::streambuf* source = input.stream->rdbuf();
        for (;;) {
            const int c = source ? source->sbumpc() : std::char_traits<char>::eof();
            if (c == std::char_traits<char>::eof()) {
                input.at_end = true;
                return;
            }
            input.buffer += static_cast<char>(c);
            if (c == '\n' || input.buffer.size() > MAX_LINE_LENGTH)
                return;
        }
    }
    char chunk[4096];
    for (;;) {
        const ssize_t count = read(input.fd, chunk, sizeof chunk);
        if (count > 0) {
            input.buffer.append(chunk, static_cast<size_t>(count));
            return;
        }
        if (count < 0 && errno == EINTR)
            continue;
        input.at_end = true;
        return;
    }
}

// Throws away the rest of an over-long line, as far as it is buffered.
void Drop(LineInput& input)
{
    const size_t newline = input.buffer.find('\n');
    if (newline == std::string::npos) {
        input.buffer.clear();
        return;
    }
    input.buffer.erase(0, newline + 1);
    input.dropping = false;
}

}  // namespace

LineInput InputFromDescriptor(int fd)
{
    LineInput input;
    input.fd = fd;
    return input;
}

LineInput InputFromStream(std::istream& stream)
{
    LineInput input;
    input.stream = &stream;
    return input;
}

bool ReadInputLine(LineInput& input, std::string& line)
{
    for (;;) {
        if (input.dropping)
            Drop(input);
        const size_t newline = input.dropping ? std::string::npos : input.buffer.find('\n');
        if (newline != std::string::npos || (input.at_end && !input.dropping && !input.buffer.empty())) {
            const size_t length = newline == std::string::npos ? input.buffer.size() : newline;
            line.assign(input.buffer, 0, std::min(length, MAX_LINE_LENGTH));
            input.buffer.erase(0, newline == std::string::npos ? length : newline + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            return true;
        }
        if (input.at_end)
            return false;
        if (input.buffer.size() > MAX_LINE_LENGTH) {
            // The first MAX_LINE_LENGTH characters make the line; the rest goes.
            line.assign(input.buffer, 0, MAX_LINE_LENGTH);
            input.buffer.clear();
            input.dropping = true;
            return true;
        }
        Fill(input);
    }
}

bool InputPending(LineInput& input)
{
    if (input.at_end || (!input.dropping && input.buffer.find('\n') != std::string::npos))
        return true;
    if (input.stream)
        return input.stream->rdbuf() == nullptr || input.stream->rdbuf()->in_avail() != 0;
    pollfd ready{input.fd, POLLIN, 0};
    return poll(&ready, 1, 0) > 0;
}

bool NextCommand(LineInput& input, std::deque<std::string>& waiting, std::string& line)
{
    if (waiting.empty())
        return ReadInputLine(input, line);
    line = std::move(waiting.front());
    waiting.pop_front();
    return true;
}

std::vector<std::string_view> Words(std::string_view line)
{
    std::vector<std::string_view> words;
    constexpr const char* BLANKS = " \t\r";
    for (size_t start = line.find_first_not_of(BLANKS); start != std::string_view::npos;) {
        const size_t end = line.find_first_of(BLANKS, start);
        words.push_back(line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        start = end == std::string_view::npos ? end : line.find_first_not_of(BLANKS, end);
    }
    return words;
}

std::optional<int64_t> ReadInteger(std::string_view text)
{
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}
