// Weaker play on request: the skill levels GUIs offer for a beatable game,
// and the Elo ratings UCI's UCI_LimitStrength asks for by. A level below the
// full one searches fewer nodes and may play a move a little worse than its
// best, so that its mistakes look like a weaker player's, not like chance.
#pragma once

#include <cstdint>

#include "move.h"
#include "search.h"

inline constexpr int MAX_SKILL_LEVEL = 20;  // full strength
inline constexpr int SKILL_LINES = 4;       // the root moves a weaker level chooses from

// The ratings UCI_Elo takes: MIN_ELO plays as level 0 and MAX_ELO as level
// 19; the levels between spread evenly. Rough figures, from matches against
// other engines (see the README).
inline constexpr int MIN_ELO = 1000;
inline constexpr int MAX_ELO = 2000;

// The level that plays at about `elo` (taken into MIN_ELO..MAX_ELO).
int SkillLevelForElo(int elo);

// Caps a search for `level` (below MAX_SKILL_LEVEL; at it, nothing changes):
// at most the level's node count, and at least SKILL_LINES lines ranked.
void LimitToSkill(SearchLimits& limits, int level);

// The move `level` plays from a search limited by LimitToSkill: one of the
// ranked moves whose score is within the level's margin of the best, the
// better ones likelier, drawn by `random`; the best when nothing was
// ranked. The full level always plays the best.
Move ChooseSkillMove(const SearchResult& result, int level, uint64_t random);

// The next number of a 64-bit generator whose state is `state`.
uint64_t NextRandom(uint64_t& state);
