// The modules of src/ stand on the ladder that doc/architecture.md draws:
// each module uses the modules the drawing says it uses, and every one of
// them stands on a lower rung, so that no module reaches back up and the
// include graph has no cycle.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Names = std::set<std::string>;

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
    const std::regex include(R"(^\s*#\s*include\s+"([A-Za-z_0-9]+)\.h")");
    for (const fs::path& file : files) {
        const std::string module = file.stem().string();
        std::ifstream in(file);
        std::smatch match;
        for (std::string line; std::getline(in, line);) {
            if (std::regex_search(line, match, include) && match[1] != module && uses.count(match[1]))
                uses[module].insert(match[1]);
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
    const std::regex rung(R"(^\d+\. `([a-z_]+)`.* Uses (.*)$)");
    const std::regex name("`([a-z_]+)`");
    std::ifstream in(drawing);
    std::smatch match;
    for (std::string line; std::getline(in, line);) {
        if (!std::regex_match(line, match, rung))
            continue;
        Rung found{match[1], {}};
        const std::string uses = match[2];
        for (std::sregex_iterator it(uses.begin(), uses.end(), name), end; it != end; ++it)
            found.uses.insert((*it)[1]);
        ladder.push_back(found);
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
