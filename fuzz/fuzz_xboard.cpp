// Arbitrary bytes as a whole --xboard session (see fuzz_session.h).
#include "fuzz_session.h"
#include "xboard.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return FuzzFrontEnd(data, size, RunXboard);
}
