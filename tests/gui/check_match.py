#!/usr/bin/env python3
"""Judges an xboard match of tavik against another engine.

    check_match.py [--strength OPPONENT] GAMES_PGN DEBUG_LOG EXPECTED_GAMES [XBOARD_OUTPUT]

Reads the PGN file that xboard appended the games to and xboard's debug log,
which holds every line exchanged with both engines. tavik is xboard's first
engine ("first" in the log) and its name in the PGN tags starts with "tavik"
("tavik", or "tavik" and its version as the --xboard front-end calls itself). Prints
what went wrong game by game, then one summary line, and exits 0 only when
every expected game ended by mate, stalemate, a draw rule, an adjudication,
a draw claim that xboard granted, the opponent's resignation or the
opponent's flag, with no illegal move, no false claim (xboard forfeits an
engine for one: "False illegal-move claim", "False draw claim: '...'",
"False win claim: '...'"), no engine crash, no loss on time by tavik and no
thinking output from tavik that xboard cannot read. Games are matched to the
log by their Round tag; one that xboard left out of the PGN file (it saves no
game without moves) is judged from the log alone.

In the summary, forfeits counts the games tavik lost by forfeit (on time, by
an illegal move or by a false claim), time_losses those it lost on time (a
draw because both flags fell included), opponent_time_losses those the
opponent lost on time, which are tavik's wins and no fault of its own, and
draw_claims the games that ended in a draw tavik claimed and xboard granted
(with its claim testing on, xboard turns a false claim into a loss).

With --strength, the match measures tavik against OPPONENT, which may be an
older tavik as long as its PGN name does not start with "tavik". Faults are
told apart by the engine that made them: a line of xboard's that names the
"first" or "second" program, else the side that lost the game by it (and
tavik where neither shows). The run then fails on tavik's faults only, the
opponent's are listed and counted, and the summary is one line such as

    strength: opponent=sjeng games=40 wins=18 draws=8 losses=14 score=55.0% elo=+35 margin=97
        illegal=0 false_claims=0 time_losses=0 crashes=0 opponent_time_losses=1 opponent_faults=0

(on one line), where illegal, false_claims, time_losses and crashes count
the games with such a fault of tavik's, opponent_faults those with an
illegal move, false claim or crash of the opponent's, and elo and margin
are what elo() makes of the score.
"""

import math
import re
import sys

ENGINE = "tavik"
OPPONENT = "opponent"
# The last number of xboard's GameEnds(RESULT, DETAILS, WHO) lines: who ended
# the game; the first engine (tavik) or the second one, by a result it sent.
BY_FIRST_ENGINE, BY_SECOND_ENGINE = 5, 6

# How xboard ends a game properly; the text is the comment before the result.
FINISHED = re.compile(
    r"^(?:(white|black) mates"
    r"|stalemate"
    r"|xboard adjudication(?:: (?:checkmate|stalemate|insufficient mating material|trivial draw|50-move rule"
    r"|long game|repetition draw|repetition|perpetual checking|bare king))?"
    r"|(white|black) wins by adjudication"
    r"|draw claim: (?:3-fold repetition|50-move rule|insufficient mating material)"
    r"|(white|black) resigns)$",
    re.IGNORECASE,
)
ON_TIME = re.compile(r"^(?:(white|black) wins on time|both players ran out of time)$", re.IGNORECASE)
FALSE_CLAIM = re.compile(r"false illegal-move claim", re.IGNORECASE)
OTHER_FALSE_CLAIM = re.compile(r"false (win|draw) claim", re.IGNORECASE)
ILLEGAL = re.compile(r"forfeit due to (illegal|invalid) move|illegal move .* from \S+ machine", re.IGNORECASE)
CRASH = re.compile(
    r"exited unexpectedly|error (writing to|reading from) \S*\s*chess program|failed to start|segmentation fault"
    r"|core dumped",
    re.IGNORECASE,
)
# What tavik writes when it rejects a move or cannot read a command.
TAVIK_REJECTS = re.compile(r"^(illegal move|errro ilegal move)", re.IGNORECASE)
TAVIK_CONFUSED = re.compile(r"^(extended algebraic needs|unknown figure|tellusererror)", re.IGNORECASE)
# Thinking output, "DEPTH SCORE TIME NODES PV": a line from tavik that begins
# with two numbers must go on so, or xboard drops it. (The classic front-end's
# board diagram, whose lines begin with a rank number and a bar, is no such line.)
LOOKS_LIKE_THINKING = re.compile(r"^\d+[.&]?\s+-?\d")
THINKING = re.compile(r"^\d+[.&]?\s+-?\d+\s+\d+\s+\d+(?:\s.*)?$")


def read(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()
    except OSError:
        return None


def parse_pgn(text):
    """The games, each its tags plus 'ending' (the comment before the result)
    and 'result' (the result token that closes the move text)."""
    games = []
    for chunk in re.split(r"\n(?=\[Event )", text.strip()):
        if not chunk.strip():
            continue
        game = dict(re.findall(r'^\[(\w+) "(.*)"\]\s*$', chunk, re.MULTILINE))
        moves = " ".join(line for line in chunk.splitlines() if not line.startswith("["))
        moves = " ".join(moves.split())
        end = re.search(r"(?:\{([^{}]*)\}\s*)?(1-0|0-1|1/2-1/2|\*)$", moves)
        ending = (end.group(1) or "") if end else ""
        game["ending"] = re.sub(r"\s*\(Clocks:[^)]*\)$", "", ending.strip())
        game["result"] = end.group(2) if end else ""
        games.append(game)
    return games


def split_log(text):
    """The debug log cut into the games' parts at xboard's "New game (N)"
    lines; part 0 is what came before the first game."""
    parts = [[]]
    for line in text.splitlines():
        if re.match(r"^New game \(\d+\)", line):
            parts.append([])
        parts[-1].append(line.rstrip())
    return parts


def last_end(lines):
    """The last GameEnds line of a game's part of the log that ends it, as
    (result code, details, who), or None. xboard writes the line with the
    details it was given, before it turns a false claim into a loss."""
    end = None
    for line in lines:
        ends = re.match(r"^GameEnds\((\d+), (.*), (\d+)\)$", line)
        # Loading an opening ends a game with no details, before the match's
        # game starts.
        if ends and ends.group(2) not in ("(null)", ""):
            end = (int(ends.group(1)), ends.group(2), int(ends.group(3)))
    return end


def game_from_log(lines):
    """What the log tells of a game that is missing from the PGN file, as
    xboard saves no game without moves (say one lost on time at the first
    move): who had which colour, from "New game (N): FIRST-SECOND (w)", and
    how it ended, from the last GameEnds line."""
    game = {"ending": "", "result": "*"}
    start = re.match(r"^New game \(\d+\): .* \(([wb])\)$", lines[0]) if lines else None
    if start:
        white_is_first = start.group(1) == "w"
        game["White"], game["Black"] = (ENGINE, "?") if white_is_first else ("?", ENGINE)
    end = last_end(lines)
    if end:
        game["ending"] = end[1]
        game["result"] = {26: "1-0", 27: "0-1", 28: "1/2-1/2"}.get(end[0], "*")
    return game


def scan_part(lines):
    """Faults in one game's part of the log: a dict from kind to the lines
    that show it, each distinct text once."""
    found = {"illegal": [], "false claim": [], "crash": [], "on time": [], "confused": [], "bad thinking": []}

    def add(kind, line):
        if line not in found[kind]:
            found[kind].append(line)

    for line in lines:
        traffic = re.match(r"^\d+ ([<>])(first|second)\s*: (.*)$", line)
        if traffic:
            direction, engine, said = traffic.groups()
            if direction == "<" and engine == "first":
                if TAVIK_REJECTS.match(said):
                    add("false claim", line)
                elif TAVIK_CONFUSED.match(said):
                    add("confused", line)
                elif LOOKS_LIKE_THINKING.match(said) and not THINKING.match(said):
                    add("bad thinking", line)
            continue
        if line.startswith("GE("):  # xboard repeats GameEnds' arguments here
            continue
        ends = re.match(r"^GameEnds\(\d+, (.*), \d+\)$", line)
        reason = ends.group(1) if ends else line
        if ILLEGAL.search(reason):
            add("illegal", reason)
        elif FALSE_CLAIM.search(reason) or OTHER_FALSE_CLAIM.search(reason):
            add("false claim", reason)
        elif CRASH.search(reason):
            add("crash", reason)
        elif ends and ON_TIME.match(reason):
            add("on time", reason)
    return found


def tavik_colour(game):
    for colour in ("White", "Black"):
        if game.get(colour, "").lower().startswith(ENGINE):
            return colour.lower()
    return None


def side_of(line, fallback):
    """Whose fault a line of xboard's tells of: the engine it names, as the
    first (tavik) or the second program or machine, else fallback."""
    named = re.search(r"\b(first|second) (?:chess program|machine)\b", line, re.IGNORECASE)
    if not named:
        return fallback
    return ENGINE if named.group(1).lower() == "first" else OPPONENT


def elo(wins, draws, losses):
    """The Elo difference that the score stands for on the logistic curve,
    and its 95% margin: 1.96 standard errors of the mean score of a game,
    turned into Elo by the curve's slope at the score. A score of 0% or 100%
    counts as half a point short of it, which keeps both finite."""
    games = wins + draws + losses
    if not games:
        return 0.0, 0.0
    score = min(max((wins + draws / 2) / games, 0.5 / games), 1 - 0.5 / games)
    variance = (wins * (1 - score) ** 2 + draws * (0.5 - score) ** 2 + losses * score**2) / games
    slope = 400 / (math.log(10) * score * (1 - score))
    return -400 * math.log10(1 / score - 1), 1.96 * math.sqrt(variance / games) * slope


def main(argv):
    argv = list(argv)
    opponent = None
    if "--strength" in argv[:-1]:
        at = argv.index("--strength")
        opponent = argv.pop(at + 1)
        argv.pop(at)
    if len(argv) not in (4, 5):
        print(
            "usage: check_match.py [--strength OPPONENT] GAMES_PGN DEBUG_LOG EXPECTED_GAMES [XBOARD_OUTPUT]",
            file=sys.stderr,
        )
        return 2
    pgn_text, log_text = read(argv[1]), read(argv[2])
    expected = int(argv[3])
    output = read(argv[4]) if len(argv) == 5 else None
    prefix = f"strength: {opponent}: " if opponent else "gui-match: "

    # Each problem with whose it is: tavik's, the opponent's or None (the
    # match's); with --strength only the opponent's leave the verdict alone.
    problems = []
    if pgn_text is None:
        problems.append((f"no PGN file at {argv[1]}", None))
    if log_text is None:
        problems.append((f"no debug log at {argv[2]}", None))
    games = parse_pgn(pgn_text or "")
    parts = split_log(log_text or "")
    if len(games) != expected:
        problems.append((f"{len(games)} game(s) in the PGN file, {expected} expected", None))

    wins = losses = draws = illegal = forfeits = time_losses = opponent_time_losses = crashes = draw_claims = 0
    # Per engine, the games with a fault of its own of each kind.
    faulty = {side: {"illegal": 0, "false claim": 0, "crash": 0} for side in (ENGINE, OPPONENT)}
    opponent_faults = 0  # the games with any of them by the opponent
    # The games by their Round tag, which is xboard's game number: a game
    # missing from the PGN file then leaves no gap that shifts the others.
    rounds = [game.get("Round", "") for game in games]
    if all(r.isdigit() for r in rounds) and len(set(rounds)) == len(rounds):
        by_number = {int(r): game for r, game in zip(rounds, games)}
    else:
        by_number = dict(enumerate(games, 1))
    for number in range(1, max([expected, len(parts) - 1, *by_number]) + 1):
        game = by_number.get(number) or game_from_log(parts[number] if number < len(parts) else [])
        part = parts[number] if number < len(parts) else []
        found = scan_part(part)
        if number == 1:
            # Faults before the first game started (e.g. at start-up).
            for kind, lines in scan_part(parts[0]).items():
                found[kind] += lines
        colour = tavik_colour(game)
        ending, result = game["ending"], game["result"]
        name = f"game {number} ({game.get('White', '?')} - {game.get('Black', '?')}, {result} {{{ending}}})"
        if number in by_number and colour is None:
            problems.append((f"{name}: {ENGINE} played neither colour", None))

        lost = won = False
        if result == "1/2-1/2":
            draws += 1
        elif result in ("1-0", "0-1") and colour:
            if (result == "1-0") == (colour == "white"):
                wins += 1
                won = True
            else:
                losses += 1
                lost = True
        # A forfeit is the fault of the side that lost by it; where that does
        # not show either, tavik is held to it.
        loser = OPPONENT if won else ENGINE

        # A draw an engine claimed stands only where xboard granted it.
        end = last_end(part)
        claimed_by = end[2] if end and result == "1/2-1/2" else None
        if claimed_by == BY_FIRST_ENGINE:
            draw_claims += 1

        faults = []  # (what, whose)
        illegal_by = {side_of(line, loser) for line in found["illegal"]}
        if ILLEGAL.search(ending):
            illegal_by.add(loser)
        # tavik's own "Illegal move" answers are its claims, whatever they name.
        claims_by = {ENGINE if re.match(r"^\d+ <first", line) else side_of(line, loser) for line in found["false claim"]}
        if FALSE_CLAIM.search(ending) or OTHER_FALSE_CLAIM.search(ending):
            claims_by.add(loser)
        if illegal_by:
            illegal += 1
        if claims_by:
            illegal += 1
        for side in sorted(illegal_by):
            faulty[side]["illegal"] += 1
            faults.append(("an illegal move", side))
        for side in sorted(claims_by):
            faulty[side]["false claim"] += 1
            faults.append(("a false claim", side))
        on_time = ON_TIME.match(ending)
        opponent_flagged = bool(on_time and on_time.group(1) and on_time.group(1).lower() == colour)
        if on_time and not opponent_flagged:
            time_losses += 1
            faults.append((f"{ENGINE} lost on time", ENGINE))
        elif opponent_flagged:
            opponent_time_losses += 1
        elif found["on time"]:
            faults.append(("a loss on time seen only in the debug log", None))
        if lost and (ILLEGAL.search(ending) or on_time or claims_by):
            forfeits += 1
        crashed = found["crash"] or CRASH.search(ending)
        crashed_by = set()
        if crashed or result == "*" or re.search(r"xboard exit", ending, re.IGNORECASE):
            crashes += 1
            crashed_by = {side_of(line, ENGINE) for line in found["crash"] + ([ending] if CRASH.search(ending) else [])}
            crashed_by = crashed_by or {ENGINE}
            for side in sorted(crashed_by):
                faulty[side]["crash"] += 1
                faults.append(("an engine crash" if crashed else "no end: an engine crashed or hung", side))
        if found["confused"]:
            faults.append((f"{ENGINE} could not read a command", ENGINE))
        if found["bad thinking"]:
            faults.append((f"{ENGINE} sent thinking output xboard cannot read", ENGINE))
        granted = claimed_by in (BY_FIRST_ENGINE, BY_SECOND_ENGINE)
        if not faults and not opponent_flagged and not granted and not FINISHED.match(ending):
            faults.append(("an ending that is none of mate, stalemate, draw rule or adjudication", None))
        resigned = re.match(r"^(white|black) resigns$", ending, re.IGNORECASE)
        if resigned and resigned.group(1).lower() == colour:
            faults.append((f"{ENGINE} resigned, which it never does", ENGINE))
        if OPPONENT in illegal_by | claims_by | crashed_by:
            opponent_faults += 1
        if faults:
            whose = lambda side: f" ({opponent}'s)" if opponent and side == OPPONENT else ""  # noqa: E731
            said = dict.fromkeys(what + whose(side) for what, side in faults)
            # The game counts against the verdict unless every fault is the opponent's.
            side = OPPONENT if all(side == OPPONENT for _, side in faults) else ENGINE
            problems.append((f"{name}: {', '.join(said)}", side))
            for kind, lines in found.items():
                problems += [(f"  {kind}: {line}", side) for line in lines[:10]]

    # xboard's own output repeats what the games showed; a crash seen only
    # there still counts once.
    reported = [line.strip() for line in (output or "").splitlines() if CRASH.search(line)]
    problems += [(f"xboard's output: {line}", side_of(line, ENGINE)) for line in reported]
    if reported and crashes == 0:
        crashes = 1
        faulty[side_of(reported[0], ENGINE)]["crash"] += 1

    for problem, _ in problems:
        print(prefix + problem)
    if opponent is None:
        print(
            f"gui-match: games={len(games)} {ENGINE}_wins={wins} losses={losses} draws={draws} "
            f"illegal={illegal} forfeits={forfeits} time_losses={time_losses} "
            f"opponent_time_losses={opponent_time_losses} crashes={crashes} draw_claims={draw_claims}"
        )
        return 1 if problems else 0
    played = wins + draws + losses
    difference, margin = elo(wins, draws, losses)
    score = 100 * (wins + draws / 2) / played if played else 0.0
    own = faulty[ENGINE]
    print(
        f"strength: opponent={opponent} games={played} wins={wins} draws={draws} losses={losses} "
        f"score={score:.1f}% elo={round(difference):+d} margin={round(margin)} "
        f"illegal={own['illegal']} false_claims={own['false claim']} time_losses={time_losses} "
        f"crashes={own['crash']} opponent_time_losses={opponent_time_losses} "
        f"opponent_faults={opponent_faults}"
    )
    return 1 if any(side != OPPONENT for _, side in problems) else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
