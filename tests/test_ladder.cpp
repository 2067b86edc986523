// The modules of src/ stand on the ladder that doc/architecture.md draws:
// every module once, using the modules its line names, all of them on lower
// rungs, so that no module reaches back up and the includes have no cycle.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;
using Names = std::set<std::string>;

// The names between backquotes in `text` from `start` on.
Names QuotedNames(const std::string& text, size_t start = 0)
{
    Names names;
    for (size_t open = text.find('`', start), close; open != std::string::npos; open = text.find('`', close + 1)) {
        if ((close = text.find('`', open + 1)) == std::string::npos)
            break;
        names.insert(text.substr(open + 1, close - open - 1));
    }
    return names;
}

// Each module of src/ (a header and its implementation, by their common
// name) with the modules whose headers its files include.
std::map<std::string, Names> ModulesOf(const fs::path& source)
{
    std::map<std::string, Names> uses;
    for (const fs::directory_entry& file : fs::directory_iterator(source))
        uses[file.path().stem().string()];
    for (const fs::directory_entry& file : fs::directory_iterator(source)) {
        const std::string module = file.path().stem().string();
        std::ifstream in(file.path());
        for (std::string line; std::getline(in, line);) {
            const size_t end = line.find(".h\"");
            const std::string used =
                line.rfind("#include \"", 0) == 0 && end != std::string::npos ? line.substr(10, end - 10) : "";
            if (used != module && uses.count(used))
                uses[module].insert(used);
        }
    }
    return uses;
}

TEST(Ladder, EveryModuleStandsOnItOnceAndUsesWhatItsLineNamesFromTheRungsBelow)
{
    std::map<std::string, Names> modules = ModulesOf(fs::path(TAVIK_SOURCE_ROOT) / "src");
    ASSERT_GT(modules.size(), 10u);
    // The rungs are the drawing's lines "N. `module`: what it holds. Uses
    // `a`, `b`." (or "Uses nothing."), lowest first.
    std::ifstream drawing(fs::path(TAVIK_SOURCE_ROOT) / "doc" / "architecture.md");
    Names below;
    for (std::string line; std::getline(drawing, line);) {
        const size_t dot = line.find(". `");
        const size_t uses = line.rfind(" Uses ");
        if (dot == 0 || dot != line.find_first_not_of("0123456789") || uses == std::string::npos)
            continue;
        const std::string module = line.substr(dot + 3, line.find('`', dot + 3) - dot - 3);
        const Names named = QuotedNames(line, uses);
        EXPECT_FALSE(below.count(module)) << module << " stands on the ladder twice";
        for (const std::string& used : named)
            EXPECT_TRUE(below.count(used)) << module << " uses " << used << ", which is not below it";
        const auto found = modules.find(module);
        if (found == modules.end()) {
            ADD_FAILURE() << "the drawing names " << module << ", which src/ does not hold";
            continue;
        }
        EXPECT_EQ(found->second, named) << module << " uses other modules than its line names";
        modules.erase(found);
        below.insert(module);
    }
    for (const auto& [module, uses] : modules)
        ADD_FAILURE() << module << " is not on the ladder";
}

}  // namespace
