#!/usr/bin/env python3
"""Cases for check_match.py: small matches of one game each, a PGN file and a
debug log written by hand the way xboard writes them, and what the summary
line and the verdict must say. run-match.sh runs them before every match."""

import contextlib
import io
import os
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_match  # noqa: E402

PGN = """[Event "Computer Chess Game"]
[Round "1"]
[White "{white}"]
[Black "{black}"]
[Result "{result}"]

1. e4 e5 2. Nf3 Nc6
{{{ending}}} {result}
"""

CLASSIC_BOARD = "412 <first : 8 |  R |  N |  B |  Q |  K |  B |  N |  R |"

# white, black, result, ending, tavik's lines, passes, fields of the summary;
# no names: xboard saved no PGN for the game, whose end only the log shows
CASES = [
    ("tavik", "Fairy-Max 5.0b", "1-0", "Xboard adjudication: Checkmate", [CLASSIC_BOARD],
     True, {"tavik_wins": 1, "time_losses": 0, "forfeits": 0}),
    ("Fairy-Max 5.0b", "tavik 0.1.0", "1-0", "White wins on time",
     ["300 <first : 9 -31 152 408812 e7e5 g1f3 b8c6"],
     False, {"losses": 1, "time_losses": 1, "forfeits": 1, "opponent_time_losses": 0}),
    ("tavik 0.1.0", "Fairy-Max 5.0b", "1-0", "White wins on time", [],
     True, {"tavik_wins": 1, "time_losses": 0, "forfeits": 0, "opponent_time_losses": 1}),
    ("tavik 0.1.0", "Fairy-Max 5.0b", "1/2-1/2", "Both players ran out of time", [],
     False, {"draws": 1, "time_losses": 1, "forfeits": 0}),
    ("tavik 0.1.0", "Fairy-Max 5.0b", "1/2-1/2", "XBoard adjudication: repetition draw",
     ["300 <first : 9 -31 152"], False, {"draws": 1}),
    ("Fairy-Max 5.0b", "tavik", "1-0", "Black resigns", [], False, {"losses": 1}),
    ("Fairy-Max 5.0b", "Fairy-Max 4.8", "1-0", "Xboard adjudication: Checkmate", [], False, {}),
    ("tavik", "Fairy-Max 5.0b", "*", "", [], False, {"crashes": 1}),
    (None, None, "0-1", "Black wins on time", [], False, {"games": 0, "losses": 1, "time_losses": 1}),
    # A draw claim xboard granted, and one it found false: the log keeps the
    # claim as tavik sent it, the PGN file the verdict.
    ("Fairy-Max 5.0b", "tavik 0.1.0", "1/2-1/2", "3-fold repetition",
     ["300 <first : move g8f6", "300 <first : 1/2-1/2 {3-fold repetition}", "GameEnds(28, 3-fold repetition, 5)"],
     True, {"draws": 1, "draw_claims": 1, "forfeits": 0}),
    ("tavik 0.1.0", "Fairy-Max 5.0b", "0-1", "False draw claim: '3-fold repetition'",
     ["300 <first : 1/2-1/2 {3-fold repetition}", "GameEnds(28, 3-fold repetition, 5)"],
     False, {"losses": 1, "illegal": 1, "forfeits": 1, "draw_claims": 0}),
]

# The same for a strength match (--strength), which fails on tavik's faults
# alone: an older build named apart, a forfeit of the side that lost it, and
# the faults xboard's lines pin on the first or second program.
STRENGTH_CASES = [
    ("previous", "tavik 0.2.0", "0-1", "Xboard adjudication: Checkmate", [],
     True, {"games": 1, "wins": 1, "losses": 0}),
    ("tavik 0.2.0", "Sjeng 11.2", "1-0", "Xboard: Forfeit due to invalid move: e7e5 (e7e5 via `0, `0) res=24",
     ['Illegal move "e7e5" from second machine'], True, {"wins": 1, "illegal": 0, "opponent_faults": 1}),
    ("Sjeng 11.2", "tavik 0.2.0", "1-0", "Xboard: Forfeit due to illegal move: e7e5 (e7e5)", [],
     False, {"losses": 1, "illegal": 1, "opponent_faults": 0}),
    ("tavik 0.2.0", "Sjeng 11.2", "1-0", "Error: second chess program (sjeng) exited unexpectedly", [],
     True, {"wins": 1, "crashes": 0, "opponent_faults": 1}),
    ("tavik 0.2.0", "Sjeng 11.2", "0-1", "Error: first chess program (tavik) exited unexpectedly", [],
     False, {"losses": 1, "crashes": 1, "opponent_faults": 0}),
    # a granted claim, then the next game's opening loaded before that game starts
    ("Sjeng 11.2", "tavik 0.2.0", "1/2-1/2", "3-fold repetition",
     ["300 <first : 1/2-1/2 {3-fold repetition}", "GameEnds(28, 3-fold repetition, 5)", "GameEnds(29, , 3)"],
     True, {"draws": 1}),
    ("Sjeng 11.2", "tavik 0.2.0", "1/2-1/2", "False draw claim: '3-fold repetition'",
     ["300 <first : 1/2-1/2 {3-fold repetition}"], False, {"draws": 1, "false_claims": 1}),
    ("Sjeng 11.2", "tavik 0.2.0", "1-0", "White wins on time", [], False, {"losses": 1, "time_losses": 1}),
    ("Sjeng 11.2", "tavik 0.2.0", "0-1", "Black wins on time", [],
     True, {"wins": 1, "time_losses": 0, "opponent_time_losses": 1}),
]

# wins, draws, losses: the Elo difference and its margin, rounded; a clean
# sweep counts as half a point short of it
ELO_CASES = [
    (18, 8, 14, 35, 97),
    (20, 0, 20, 0, 108),
    (0, 10, 0, 0, 0),
    (10, 0, 0, 512, 113),
    (0, 0, 10, -512, 113),
    (0, 0, 0, 0, 0),
]


def judge(white, black, result, ending, lines, options=()):
    with tempfile.TemporaryDirectory() as folder:
        pgn, log = os.path.join(folder, "games.pgn"), os.path.join(folder, "debug.log")
        with open(pgn, "w") as f:
            if white:
                f.write(PGN.format(white=white, black=black, result=result, ending=ending))
        code = {"1-0": 26, "0-1": 27, "1/2-1/2": 28}.get(result, 0)
        # xboard's own GameEnds line, unless the case gives the engine's
        ends = [] if any(line.startswith("GameEnds(") for line in lines) else [f"GameEnds({code}, {ending}, 4)"]
        with open(log, "w") as f:
            f.write("\n".join(["New game (1): a-b (w)", *lines, *ends, ""]))
        printed = io.StringIO()
        with contextlib.redirect_stdout(printed):
            verdict = check_match.main(["check_match.py", *options, pgn, log, "1"])
    summary = printed.getvalue().splitlines()[-1]
    fields = dict(word.split("=") for word in summary.split()[1:])
    numbers = {name: int(value) for name, value in fields.items() if value.lstrip("+-").isdigit()}
    return verdict, numbers, printed.getvalue()


class Verdicts(unittest.TestCase):
    def test_cases(self):
        for white, black, result, ending, lines, passes, expected in CASES:
            with self.subTest(white=white, black=black, ending=ending):
                verdict, fields, printed = judge(white, black, result, ending, lines)
                self.assertEqual(verdict == 0, passes, printed)
                for name, value in expected.items():
                    self.assertEqual(fields[name], value, f"{name} in {printed}")

    def test_strength_cases(self):
        for white, black, result, ending, lines, passes, expected in STRENGTH_CASES:
            with self.subTest(white=white, black=black, ending=ending):
                verdict, fields, printed = judge(white, black, result, ending, lines, ("--strength", "sjeng"))
                self.assertEqual(verdict == 0, passes, printed)
                for name, value in expected.items():
                    self.assertEqual(fields[name], value, f"{name} in {printed}")

    def test_elo(self):
        for wins, draws, losses, difference, margin in ELO_CASES:
            with self.subTest(wins=wins, draws=draws, losses=losses):
                self.assertEqual([round(x) for x in check_match.elo(wins, draws, losses)], [difference, margin])


if __name__ == "__main__":
    unittest.main(verbosity=0)
