#include "strength.h"

#include <algorithm>

namespace {

// The nodes each level below the full one searches: about 1.55 times the
// level before, from a search of three plies or so at level 0 to a third of
// a second at level 19.
constexpr int64_t NODES_FOR_LEVEL[MAX_SKILL_LEVEL] = {
    1000,   1550,   2400,   3700,   5800,   9000,    14000,   21500,   33000,   52000,
    80000, 125000, 190000, 300000, 460000, 720000, 1100000, 1700000, 2700000, 4200000,
};

// How far below the best a level's move may score, in centipawns: 5 per
// level below the full one, a pawn at level 0.
int MarginForLevel(int level) { return (MAX_SKILL_LEVEL - level) * 5; }

}  // namespace

int SkillLevelForElo(int elo)
{
    const int clamped = std::clamp(elo, MIN_ELO, MAX_ELO);
    return (clamped - MIN_ELO) * (MAX_SKILL_LEVEL - 1) / (MAX_ELO - MIN_ELO);
}

void LimitToSkill(SearchLimits& limits, int level)
{
    if (level >= MAX_SKILL_LEVEL)
        return;
    const int64_t cap = NODES_FOR_LEVEL[std::max(level, 0)];
    limits.max_nodes = limits.max_nodes >= 0 ? std::min(limits.max_nodes, cap) : cap;
    limits.lines = std::max(limits.lines, SKILL_LINES);
}

Move ChooseSkillMove(const SearchResult& result, int level, uint64_t random)
{
    if (level >= MAX_SKILL_LEVEL || result.ranked_count == 0)
        return result.best;
    // Each move within the margin weighs what is left of the margin after
    // its loss, so the best weighs most and the margin's edge least.
    const int margin = MarginForLevel(std::max(level, 0));
    const int best = result.ranked[0].score;
    int64_t weights[MAX_LINES];
    int64_t total = 0;
    for (int i = 0; i < result.ranked_count; ++i) {
        const int loss = best - result.ranked[i].score;
        weights[i] = loss <= margin ? margin - loss + 1 : 0;
        total += weights[i];
    }
    int64_t draw = static_cast<int64_t>(random % static_cast<uint64_t>(total));
    for (int i = 0; i < result.ranked_count; ++i) {
        if (draw < weights[i])
            return result.ranked[i].move;
        draw -= weights[i];
    }
    return result.ranked[0].move;
}

uint64_t NextRandom(uint64_t& state)
{
    // splitmix64: every state gives a well-mixed number.
    uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}
