// The engine's version, as the build names it: the standard front-ends
// announce it and `tavik --version` prints it.
#pragma once

#ifndef TAVIK_VERSION
#define TAVIK_VERSION "0"
#endif
inline constexpr const char* VERSION = TAVIK_VERSION;
