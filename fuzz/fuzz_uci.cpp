// Arbitrary bytes as a whole UCI session (see fuzz_session.h).
#include "fuzz_session.h"
#include "uci.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return FuzzFrontEnd(data, size, RunUci);
}
