// derive_counts.mjs - reference perft counts for tavik, under both rules.
//
// Computes perft (number of leaf nodes of the legal-move tree at a given
// depth) with an independent move generator, for the two tables of
// tests/perft_cases.h:
//  - the classic table: chess WITHOUT en passant, as the classic rules'
//    generator lists none. At EVERY node of the tree the moves chess.js flags
//    as en passant are removed before counting or recursing. (Root FENs have
//    '-' as en passant field, but a double pawn push inside the tree could
//    otherwise open an en passant capture.) The ordinary-chess count (en
//    passant allowed) is printed alongside for comparison.
//  - the standard table (--standard): ordinary chess, en passant included,
//    each position to the depth of its published count, which the deepest
//    count derived must equal (the script fails otherwise).
// Castling and promotions follow ordinary chess rules; each of the four
// promotion pieces is a separate move.
//
// Independent move generator: chess.js 1.4.0 (npm), Node 20.
// Copy this file to a scratch folder outside the repository (Node resolves
// 'chess.js' next to the script), then in that folder:
//   npm install chess.js@1.4.0
//   node derive_counts.mjs                 # classic positions, depths 1..4
//   node derive_counts.mjs 5               # classic positions, depths 1..5
//   node derive_counts.mjs --standard      # standard positions, to their published depth
//   node derive_counts.mjs "<fen>" <depth> # one position, depths 1..depth
import { Chess } from 'chess.js'

// Readable version on the public API: defines the rule, but slow.
function perftPublic(game, depth, noEp) {
  let moves = game.moves({ verbose: true })
  if (noEp) moves = moves.filter((m) => !m.isEnPassant())
  if (depth === 1) return moves.length
  let nodes = 0
  for (const m of moves) {
    game.move({ from: m.from, to: m.to, promotion: m.promotion })
    nodes += perftPublic(game, depth - 1, noEp)
    game.undo()
  }
  return nodes
}

// Same count on chess.js internals (~50x faster). 8 is chess.js's internal
// BITS.EP_CAPTURE; the self-check below guards against internal changes.
const EP_CAPTURE = 8
function perftFast(game, depth, noEp) {
  let moves = game._moves({ legal: true })
  if (noEp) moves = moves.filter((m) => !(m.flags & EP_CAPTURE))
  if (depth === 1) return moves.length
  let nodes = 0
  for (const m of moves) {
    game._makeMove(m)
    nodes += perftFast(game, depth - 1, noEp)
    game._undoMove()
  }
  return nodes
}

const POSITIONS = [
  'rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1',
  'r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1',
  '8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1',
  'r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1',
  'r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1',
  'rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8',
  'r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10',
  'n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1',
  'r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1',
  '3k4/3p4/8/K1P4r/8/8/8/8 b - - 0 1',
  '8/8/1k6/2b5/2pP4/8/5K2/8 b - - 0 1',
  '4k3/8/8/8/8/8/8/4K2R w K - 0 1',
  'r3k2r/1b4bq/8/8/8/8/7B/R3K2R w KQkq - 0 1',
  '8/P1k5/K7/8/8/8/8/8 w - - 0 1',
  '7k/8/8/8/8/8/8/K6R b - - 0 1',
  '7k/8/8/8/8/8/8/K6R w - - 0 1',
]

// The standard table: each position with the depth and count published for
// it in the perft tables engine authors share.
const STANDARD = [
  ['rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1', 5, 4865609],
  ['r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1', 5, 193690690],
  ['8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1', 5, 674624],
  ['r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1', 5, 15833292],
  ['rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8', 5, 89941194],
  ['r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10', 5, 164075551],
  ['3k4/3p4/8/K1P4r/8/8/8/8 b - - 0 1', 6, 1134888],
  ['8/8/1k6/2b5/2pP4/8/5K2/8 b - d3 0 1', 6, 1440467],
  ['8/8/4k3/8/2p5/8/B2P2K1/8 w - - 0 1', 6, 1015133],
  ['4k3/3p1p2/8/4P3/4K3/8/8/8 b - - 0 1', 3, 426],
  ['5k2/8/8/8/8/8/8/4K2R w K - 0 1', 6, 661072],
  ['3k4/8/8/8/8/8/8/R3K3 w Q - 0 1', 6, 803711],
  ['r3k2r/8/3Q4/8/8/5q2/8/R3K2R b KQkq - 0 1', 4, 1720476],
  ['2K2r2/4P3/8/8/8/8/8/3k4 w - - 0 1', 6, 3821001],
  ['8/8/1P2K3/8/2n5/1q6/8/5k2 b - - 0 1', 5, 1004658],
  ['8/8/2k5/5q2/5n2/8/5K2/8 b - - 0 1', 4, 23527],
]

function checkFastPerft(fen, d, noEp, count) {
  if (d <= 2 && count !== perftPublic(new Chess(fen), d, noEp))
    throw new Error('fast and public-API perft disagree; chess.js changed?')
}

function deriveClassic(fen, maxDepth) {
  console.log(fen)
  for (let d = 1; d <= maxDepth; d++) {
    const t0 = Date.now()
    const noEp = perftFast(new Chess(fen), d, true)
    const all = perftFast(new Chess(fen), d, false)
    checkFastPerft(fen, d, true, noEp)
    checkFastPerft(fen, d, false, all)
    const secs = ((Date.now() - t0) / 1000).toFixed(1)
    console.log(`  depth ${d}: no-ep ${noEp}  with-ep ${all}  (${secs}s)`)
  }
}

function deriveStandard(fen, maxDepth, published) {
  console.log(fen)
  const counts = []
  for (let d = 1; d <= maxDepth; d++) {
    const t0 = Date.now()
    const all = perftFast(new Chess(fen), d, false)
    checkFastPerft(fen, d, false, all)
    counts.push(all)
    const secs = ((Date.now() - t0) / 1000).toFixed(1)
    console.log(`  depth ${d}: ${all}  (${secs}s)`)
  }
  console.log(`  {${counts.join(', ')}}`)
  if (counts[maxDepth - 1] !== published)
    throw new Error(`depth ${maxDepth}: derived ${counts[maxDepth - 1]}, published ${published}`)
  console.log(`  depth ${maxDepth} equals the published ${published}`)
}

const args = process.argv.slice(2)
if (args[0] === '--standard') {
  for (const [fen, depth, published] of STANDARD) deriveStandard(fen, depth, published)
} else if (args.length >= 2) {
  deriveClassic(args[0], Number(args[1]))
} else {
  for (const fen of POSITIONS) deriveClassic(fen, Number(args[0] ?? 4))
}
