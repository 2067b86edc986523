// The engine process: the command loop on standard input and output, both
// unbuffered so that every line reaches the interface at once.
#include <cstdio>
#include <iostream>

#include "main.h"

int main()
{
    std::setvbuf(stdin, nullptr, _IONBF, 0);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::cout.setf(std::ios::unitbuf);
    return RunCommandLoop(std::cin, std::cout);
}
