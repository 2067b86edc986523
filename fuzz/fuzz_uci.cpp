// Arbitrary bytes as a whole UCI session (see front_end.h).
#include "front_end.h"
#include "uci.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return FuzzFrontEnd<UciSession>(data, size, RunUci);
}
