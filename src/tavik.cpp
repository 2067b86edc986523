// The engine process. Without an argument it runs the classic command loop;
// --xboard runs the xboard front-end. Standard output is unbuffered, so that
// every line reaches the interface at once.
#include <cstdio>
#include <cstring>
#include <iostream>

#include "input.h"
#include "main.h"
#include "xboard.h"

namespace {

constexpr const char* USAGE =
    "usage: tavik [--xboard | --help | --version]\n"
    "\n"
    "  (no argument)  the classic engine: a subset of the xboard protocol, a fixed-depth search\n"
    "                 and console lines for a person watching\n"
    "  --xboard       the xboard protocol, version 2, as GUIs and match managers drive it\n"
    "  --help         this text\n"
    "  --version      the version\n"
    "\n"
    "Tools: tavik-perft, tavik-bench. Manual: man 6 tavik.\n";

int RunClassic()
{
    std::setvbuf(stdin, nullptr, _IONBF, 0);
    return RunCommandLoop(std::cin, std::cout);
}

int RunXboardMode()
{
    LineInput input = InputFromDescriptor(0);
    XboardSession session;
    session.input = &input;
    session.out = &std::cout;
    return RunXboard(session);
}

}  // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::cout.setf(std::ios::unitbuf);
    const char* mode = argc > 1 ? argv[1] : nullptr;
    if (argc > 2 || (mode && std::strcmp(mode, "--xboard") != 0 && std::strcmp(mode, "--help") != 0 &&
                     std::strcmp(mode, "--version") != 0)) {
        std::cerr << "tavik: unknown argument '" << (argc > 2 ? argv[argc - 1] : mode) << "'\n" << USAGE;
        return 2;
    }
    if (!mode)
        return RunClassic();
    if (std::strcmp(mode, "--help") == 0) {
        std::cout << USAGE;
        return 0;
    }
    if (std::strcmp(mode, "--version") == 0) {
        std::cout << "tavik " << VERSION << "\n";
        return 0;
    }
    return RunXboardMode();
}
