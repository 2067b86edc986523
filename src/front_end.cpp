#include "front_end.h"

#include "search.h"

int RunCommands(Session& session, const std::function<void(const std::string&)>& execute)
{
    StartEngine();
    session.board = NewBoard();
    std::string line;
    while (!session.quit && NextCommand(*session.input, session.waiting, line))
        execute(line);
    return 0;
}
