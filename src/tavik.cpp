// The engine process: picks the front-end from its argument (or from the name
// it was run under), with standard output unbuffered so that every line
// reaches the interface at once; or, given `bench`, runs the bench.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string_view>

#include "bench.h"
#include "classic.h"
#include "input.h"
#include "uci.h"
#include "version.h"
#include "xboard.h"

namespace {

constexpr const char* USAGE =
    "usage: tavik [--xboard | --uci | --help | --version | bench [standard]]\n"
    "\n"
    "  (no argument)  the classic engine: a subset of the xboard protocol, a fixed-depth\n"
    "                 search and console lines for a person watching\n"
    "  --xboard       the xboard protocol, version 2, as GUIs and match managers drive it\n"
    "  --uci          the universal chess interface (also when run as tavik-uci)\n"
    "  --help         this text\n"
    "  --version      the version\n"
    "  bench          searches the bench positions, a line each, and ends with the line\n"
    "                 'N nodes M nps': N is the classic search's signature, M its speed\n"
    "  bench standard the same with the standard search of --xboard and --uci\n"
    "\n"
    "Tools, in a build folder: tavik-perft, tavik-bench. Manual: man 6 tavik.\n";

int RunClassic()
{
    std::setvbuf(stdin, nullptr, _IONBF, 0);
    return RunCommandLoop(std::cin, std::cout);
}

// A front-end on the engine's own standard input, which a search polls.
int RunOnStandardInput(int (*run)(Session&))
{
    LineInput input = InputFromDescriptor(0);
    Session session;
    session.input = &input;
    session.out = &std::cout;
    return run(session);
}

int RunXboardFrontEnd() { return RunOnStandardInput(RunXboard); }

int RunUciFrontEnd() { return RunOnStandardInput(RunUci); }

// The last line is the form engine-testing frameworks read.
int RunBenchOf(Rules rules)
{
    const BenchTotal total = SumBench(RunBench(std::cout, rules));
    std::cout << total.nodes << " nodes " << NodesPerSecond(total) << " nps\n";
    return 0;
}

int Bench() { return RunBenchOf(CLASSIC_RULES); }

int Help()
{
    std::cout << USAGE;
    return 0;
}

int Version()
{
    std::cout << "tavik " << VERSION << "\n";
    return 0;
}

struct Mode {
    const char* argument;
    int (*run)();
};
constexpr Mode MODES[] = {
    {"--xboard", RunXboardFrontEnd}, {"--uci", RunUciFrontEnd}, {"--help", Help}, {"--version", Version},
    {"bench", Bench}};

// The name the program was run under, without its folder.
std::string_view BaseName(const char* path)
{
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

}  // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::cout.setf(std::ios::unitbuf);
    if (argc == 1)
        return BaseName(argv[0]) == "tavik-uci" ? RunUciFrontEnd() : RunClassic();
    if (argc == 3 && std::strcmp(argv[1], "bench") == 0 && std::strcmp(argv[2], "standard") == 0)
        return RunBenchOf(STANDARD_RULES);
    for (const Mode& mode : MODES) {
        if (argc == 2 && std::strcmp(argv[1], mode.argument) == 0)
            return mode.run();
    }
    if (argc == 3 && std::strcmp(argv[1], "bench") == 0)
        std::cerr << "tavik: unknown bench argument '" << argv[2] << "'\n" << USAGE;
    else if (argc > 2)
        std::cerr << "tavik: too many arguments\n" << USAGE;
    else
        std::cerr << "tavik: unknown argument '" << argv[1] << "'\n" << USAGE;
    return 2;
}
