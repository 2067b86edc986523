// The modules of src/ stand on the ladder that doc/architecture.md draws:
// each module uses the modules the drawing says it uses, and every one of
// them stands on a lower rung, so that no module reaches back up and the
// include graph has no cycle.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Names = std::set<std::string>;

// The module whose header a line includes ("#include "board.h"" gives
// board), or an empty text.
std::string IncludedModule(const std::string& line)
{
    constexpr std::string_view START = "#include \"";
    if (line.rfind(START, 0) != 0)
        return "";
    const size_t end = line.find(".h\"", START.size());
    return end == std::string::npos ? "" : line.substr(START.size(), end - START.size());
}

// The names in backquotes of a text, in order.
std::vector<std::string> QuotedNames(const std::string& text)
{
    std::vector<std::string> names;
    for (size_t open = text.find('`'); open != std::string::npos; open = text.find('`', open)) {
        const size_t close = text.find('`', open + 1);
        if (close == std::string::npos)
            break;
        names.push_back(text.substr(open + 1, close - open - 1));
        open = close + 1;
    }
    return names;
}

// Each module of src/ (a header and its implementation, by their common
// name) with the modules whose headers its files include.
std::map<std::string, Names> ModulesOf(const fs::path& source)
{
    std::map<std::string, Names> uses;
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(source)) {
        if (entry.path().extension() == ".h" || entry.path().extension() == ".cpp") {
            files.push_back(entry.path());
            uses[entry.path().stem().string()];
        }
    }
    for (const fs::path& file : files) {
        const std::string module = file.stem().string();
        std::ifstream in(file);
        for (std::string line; std::getline(in, line);) {
            const std::string used = IncludedModule(line);
            if (!used.empty() && used != module && uses.count(used))
                uses[module].insert(used);
        }
    }
    return uses;
}

struct Rung {
    std::string module;
    Names uses;
};

// The rungs of the drawing, lowest first: its lines "N. `module`: what it
// holds. Uses `a`, `b`." (or "Uses nothing.").
std::vector<Rung> LadderOf(const fs::path& drawing)
{
    std::vector<Rung> ladder;
    std::ifstream in(drawing);
    for (std::string line; std::getline(in, line);) {
        const size_t dot = line.find(". `");
        const size_t uses = line.rfind(" Uses ");
        if (dot == std::string::npos || dot == 0 || line.find_first_not_of("0123456789") != dot ||
            uses == std::string::npos)
            continue;
        const std::string module = line.substr(dot + 3, line.find('`', dot + 3) - dot - 3);
        const std::vector<std::string> used = QuotedNames(line.substr(uses));
        ladder.push_back({module, Names(used.begin(), used.end())});
    }
    return ladder;
}

class Ladder : public ::testing::Test {
  protected:
    const std::map<std::string, Names> modules = ModulesOf(fs::path(TAVIK_SOURCE_ROOT) / "src");
    const std::vector<Rung> ladder = LadderOf(fs::path(TAVIK_SOURCE_ROOT) / "doc" / "architecture.md");
};

TEST_F(Ladder, EveryModuleStandsOnItOnce)
{
    ASSERT_GT(modules.size(), 10u);
    std::map<std::string, int> rungs;
    for (const Rung& rung : ladder)
        ++rungs[rung.module];
    for (const auto& [module, uses] : modules)
        EXPECT_EQ(rungs[module], 1) << module;
    for (const auto& [module, count] : rungs)
        EXPECT_TRUE(modules.count(module)) << "the drawing names " << module << ", which src/ does not hold";
}

TEST_F(Ladder, EachModuleUsesWhatTheDrawingSaysAndOnlyRungsBelowIt)
{
    Names below;
    for (const Rung& rung : ladder) {
        const auto found = modules.find(rung.module);
        if (found != modules.end()) {
            EXPECT_EQ(found->second, rung.uses) << rung.module << " uses other modules than the drawing says";
        }
        for (const std::string& used : rung.uses)
            EXPECT_TRUE(below.count(used)) << rung.module << " uses " << used << ", which is not below it";
        below.insert(rung.module);
    }
}

}  // namespace
