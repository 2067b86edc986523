// Input for the command loop that is written while the loop runs: each line
// is asked for only when the loop reads it, that is once the previous command
// has been answered in full, so that the writer can reply to that answer.
#pragma once

#include <functional>
#include <optional>
#include <streambuf>
#include <string>
#include <utility>

class LineSource : public std::streambuf {
  public:
    // Gives the next line, newline included; none or an empty line ends the input.
    using Producer = std::function<std::optional<std::string>()>;
    explicit LineSource(Producer producer) : producer_(std::move(producer)) {}

  protected:
    int_type underflow() override
    {
        if (gptr() < egptr())
            return traits_type::to_int_type(*gptr());
        std::optional<std::string> next = producer_();
        if (!next || next->empty())
            return traits_type::eof();
        line_ = std::move(*next);
        setg(line_.data(), line_.data(), line_.data() + line_.size());
        return traits_type::to_int_type(*gptr());
    }

  private:
    Producer producer_;
    std::string line_;
};
