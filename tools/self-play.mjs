// Plays one tavik build against another over UCI, at a fixed number of nodes
// a move, and prints the first build's score and Elo difference. Fixed nodes
// make a match independent of the machine's load, so that two builds can be
// compared in a few minutes and many games: what a search technique or an
// evaluation term is worth, taken out or put in.
//
//     node tools/self-play.mjs NEW OLD [GAMES [NODES [JOBS]]]
//
// GAMES (200 by default) come in pairs: each opening of
// tests/gui/openings.pgn once with each colour. A pair's node count is
// NODES (60000 by default) times a factor from 0.6 to 1.4 that varies by
// pair, so that the openings do not replay the same games. JOBS games (2)
// are played at once. chess.js, the rules library, is read from
// build/node-uci, where tests/uci/run-node-uci.sh installs it.
//
// A game ends in mate, in a draw by the rules, or by adjudication: a win once
// the engines' scores have favoured one side by 10 pawns or more for six
// plies in a row; a draw once their scores stay within 0.1 pawn for ten plies
// after move 40, or at ply 400. An illegal move loses the game, is reported,
// and makes the exit status 1.
import { spawn } from 'node:child_process'
import { readFileSync } from 'node:fs'
import { createRequire } from 'node:module'
import { createInterface } from 'node:readline'
import { dirname, join } from 'node:path'
import { fileURLToPath } from 'node:url'

const repo = join(dirname(fileURLToPath(import.meta.url)), '..')
const require = createRequire(join(repo, 'build', 'node-uci', 'package.json'))
const { Chess } = require('chess.js')

const [newPath, oldPath, gamesArg = '200', nodesArg = '60000', jobsArg = '2'] = process.argv.slice(2)
const [GAMES, NODES, JOBS] = [gamesArg, nodesArg, jobsArg].map(Number)
if (!newPath || !oldPath || ![GAMES, NODES, JOBS].every(n => Number.isInteger(n) && n > 0)) {
  console.error('usage: node self-play.mjs NEW OLD [GAMES [NODES [JOBS]]]')
  process.exit(2)
}
const WIN_SCORE = 1000
const WIN_PLIES = 6
const DRAW_SCORE = 10
const DRAW_PLIES = 10
const DRAW_FROM_PLY = 80
const MAX_PLIES = 400

// The openings as lists of moves in the engines' notation.
const OPENINGS = [...readFileSync(join(repo, 'tests', 'gui', 'openings.pgn'), 'utf8').matchAll(/\n\n(1\.[^*]*)\*/g)]
  .map(([, text]) => {
    const board = new Chess()
    for (const san of text.split(/\s+/).filter(token => token && !/^\d+\.$/.test(token)))
      board.move(san)
    return board.history({ verbose: true }).map(move => move.lan)
  })

// One engine process: send a line, or wait for the line that matches a
// pattern and get it with the lines before it. An engine that dies before it
// is told to quit ends the run with status 1: the match would hang or lie.
function startEngine (path) {
  const child = spawn(path, ['--uci'], { stdio: ['pipe', 'pipe', 'inherit'] })
  let quitting = false
  child.on('exit', (code, signal) => {
    if (quitting) return
    console.error(`self-play: ${path} exited (${signal ?? `status ${code}`}) in the middle of a game`)
    process.exit(1)
  })
  const pending = []
  let waiter = null
  createInterface({ input: child.stdout }).on('line', line => {
    if (waiter && waiter.pattern.test(line)) {
      const { resolve } = waiter
      waiter = null
      resolve({ before: pending.splice(0), line })
    } else {
      pending.push(line)
    }
  })
  return {
    send: line => child.stdin.write(line + '\n'),
    until: pattern => new Promise(resolve => { pending.length = 0; waiter = { pattern, resolve } }),
    quit () {
      quitting = true
      this.send('quit')
      setTimeout(() => child.kill(), 500)
    },
  }
}

// The last score among an engine's info lines, in centipawns for the side
// that moved; mates count as 30000.
function lastScore (lines) {
  let score = 0
  for (const line of lines) {
    const found = line.match(/ score (cp|mate) (-?\d+)/)
    if (found) score = found[1] === 'cp' ? Number(found[2]) : Math.sign(Number(found[2]) || -1) * 30000
  }
  return score
}

// Plays game `index` and returns NEW's points and how the game ended.
async function play (index) {
  const pair = Math.floor(index / 2)
  const newIsWhite = index % 2 === 0
  const nodes = Math.round(NODES * (0.6 + 0.8 * ((pair * 7919) % 101) / 100))
  const engines = { new: startEngine(newPath), old: startEngine(oldPath) }
  for (const engine of Object.values(engines)) {
    engine.send('uci')
    await engine.until(/^uciok/)
    engine.send('setoption name Hash value 16')
    engine.send('ucinewgame')
    engine.send('isready')
    await engine.until(/^readyok/)
  }
  const board = new Chess()
  const moves = []
  const playMove = lan => {
    try {
      board.move({ from: lan.slice(0, 2), to: lan.slice(2, 4), promotion: lan[4] })
    } catch {
      return false
    }
    moves.push(lan)
    return true
  }
  OPENINGS[pair % OPENINGS.length].forEach(playMove)

  let winning = 0 // plies in a row won for white (> 0) or black (< 0)
  let level = 0 // plies in a row scored level
  let outcome = null
  while (!outcome) {
    const whiteMoves = board.turn() === 'w'
    const engine = whiteMoves === newIsWhite ? engines.new : engines.old
    engine.send('position startpos moves ' + moves.join(' '))
    engine.send(`go nodes ${nodes}`)
    const { before, line } = await engine.until(/^bestmove/)
    const move = line.split(/\s+/)[1]
    if (!playMove(move)) {
      outcome = { white: whiteMoves ? 0 : 1, how: `illegal move ${move} by ${whiteMoves === newIsWhite ? 'NEW' : 'OLD'}` }
      break
    }
    const score = lastScore(before)
    const whiteScore = whiteMoves ? score : -score
    const side = Math.abs(whiteScore) >= WIN_SCORE ? Math.sign(whiteScore) : 0
    winning = side && Math.sign(winning) === side ? winning + side : side
    level = moves.length > DRAW_FROM_PLY && Math.abs(score) <= DRAW_SCORE ? level + 1 : 0
    if (board.isCheckmate()) outcome = { white: whiteMoves ? 1 : 0, how: 'mate' }
    else if (board.isDraw()) outcome = { white: 0.5, how: 'draw' }
    else if (Math.abs(winning) >= WIN_PLIES) outcome = { white: winning > 0 ? 1 : 0, how: 'adjudicated win' }
    else if (level >= DRAW_PLIES || moves.length >= MAX_PLIES) outcome = { white: 0.5, how: 'adjudicated draw' }
  }
  engines.new.quit()
  engines.old.quit()
  return { points: newIsWhite ? outcome.white : 1 - outcome.white, how: outcome.how }
}

// Elo difference of a score share, clamped short of 0% and 100%.
const elo = share => -400 * Math.log10(1 / Math.min(Math.max(share, 0.001), 0.999) - 1)

const points = []
let next = 0
async function worker () {
  while (next < GAMES) {
    const index = next++
    const game = await play(index)
    points.push(game.points)
    if (game.how.startsWith('illegal')) {
      console.error(`game ${index + 1}: ${game.how}`)
      process.exitCode = 1
    }
  }
}
await Promise.all(Array.from({ length: JOBS }, worker))

const wins = points.filter(p => p === 1).length
const draws = points.filter(p => p === 0.5).length
const share = points.reduce((sum, p) => sum + p, 0) / points.length
const deviation = Math.sqrt(points.reduce((sum, p) => sum + (p - share) ** 2, 0) / points.length)
const spread = 1.96 * deviation / Math.sqrt(points.length)
const margin = (elo(share + spread) - elo(share - spread)) / 2
console.log(`self-play: games=${points.length} wins=${wins} draws=${draws} losses=${points.length - wins - draws} ` +
  `score=${(100 * share).toFixed(1)}% elo=${elo(share) >= 0 ? '+' : ''}${elo(share).toFixed(0)} margin=${margin.toFixed(0)}`)
