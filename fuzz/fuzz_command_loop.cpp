// Arbitrary bytes as a whole session on standard input. This target's engine
// is built with a shallow search so that each input stays cheap.
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <sstream>
#include <string>

#include "classic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::ostream discard(nullptr);
    (void)RunCommandLoop(in, discard);
    return 0;
}
