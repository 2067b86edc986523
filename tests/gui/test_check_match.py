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


def judge(white, black, result, ending, lines):
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
            verdict = check_match.main(["check_match.py", pgn, log, "1"])
    summary = printed.getvalue().splitlines()[-1]
    fields = dict(word.split("=") for word in summary.split()[1:])
    return verdict, {name: int(value) for name, value in fields.items()}, printed.getvalue()


class Verdicts(unittest.TestCase):
    def test_cases(self):
        for white, black, result, ending, lines, passes, expected in CASES:
            with self.subTest(white=white, black=black, ending=ending):
                verdict, fields, printed = judge(white, black, result, ending, lines)
                self.assertEqual(verdict == 0, passes, printed)
                for name, value in expected.items():
                    self.assertEqual(fields[name], value, f"{name} in {printed}")


if __name__ == "__main__":
    unittest.main(verbosity=0)
