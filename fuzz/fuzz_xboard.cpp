// Arbitrary bytes as a whole --xboard session (see front_end.h).
#include "front_end.h"
#include "xboard.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return FuzzFrontEnd<XboardSession>(data, size, RunXboard);
}
