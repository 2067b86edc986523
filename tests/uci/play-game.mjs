// Plays tavik against itself through the node-uci client, one game with
// limits of every kind and one with pondering on, and checks what a UCI GUI
// relies on. Started by tests/uci/run-node-uci.sh:
//
//     node tests/uci/play-game.mjs SCRATCH ENGINE
//
// SCRATCH is the folder that holds node_modules with node-uci and chess.js,
// ENGINE the path of the tavik-uci link (node-uci starts a program without
// arguments). The whole exchange goes to SCRATCH/uci-log.txt. The last line
// printed is the summary; the exit status is 0 only when every check held.
import { createRequire } from 'node:module'
import { writeFileSync } from 'node:fs'
import { join, resolve } from 'node:path'
import { performance } from 'node:perf_hooks'

const [scratchArg, enginePath] = process.argv.slice(2)
const scratch = scratchArg && resolve(scratchArg)
if (!scratch || !enginePath) {
  console.error('usage: node play-game.mjs SCRATCH ENGINE')
  process.exit(2)
}
const require = createRequire(join(scratch, 'package.json'))
const { Engine } = require('node-uci')
const { Chess } = require('chess.js')

const MAX_PLIES = Number(process.env.TAVIK_UCI_MAX_PLIES || 300)
const MOVETIME_MS = 50
const TOLERANCE_MS = 100 // beyond N + this, a "go movetime N" fails the run
const CLOCK_MS = 3000 // each side's clock for the clock-style moves
const INCREMENT_MS = 50
const CALL_TIMEOUT_MS = 10000 // a call that takes longer counts as a hang
// Extra "go movetime N" probes after the game: the smallest time, a short
// one, and one long enough for deep iterations.
const PROBE_MOVETIMES = [1, 20, 300]
// The game with pondering: white ponders on the reply it expects; black
// plays its engine's "go depth 3" move, but every third move the first legal
// move in chess.js's order, so that white's expectation is sometimes wrong.
const PONDER_PLIES = 40
const PONDER_CLOCK_MS = 4000
// The options set through node-uci before that game, with the type each must
// be announced with.
const PONDER_OPTIONS = [
  ['Hash', 'spin', 8],
  ['Threads', 'spin', 1],
  ['Move Overhead', 'spin', 30],
  ['MultiPV', 'spin', 2],
  ['Ponder', 'check', true],
]

const faults = []
const fault = text => faults.push(text)
const transcript = []

// Every line that goes to or comes from an engine is kept, and each line from
// it is checked against the forms a GUI reads.
const KNOWN_LINE = /^(id (name|author) \S.*|option name \S.* type (check|spin|combo|button|string)\b.*|uciok|readyok|info( \S+)+|bestmove \S+( ponder \S+)?)$/
const oddLines = []
const infoStrings = []

function watch(engine, name) {
  const write = engine.write.bind(engine)
  engine.write = command => {
    transcript.push(`${name} <- ${command}`)
    write(command)
  }
  let partial = ''
  engine.proc.stdout.on('data', chunk => {
    partial += chunk
    const lines = partial.split('\n')
    partial = lines.pop()
    for (const raw of lines) {
      const line = raw.replace(/\r$/, '')
      transcript.push(`${name} -> ${line}`)
      engine.received.push(line)
      if (!KNOWN_LINE.test(line)) oddLines.push(`${name}: ${JSON.stringify(line)}`)
      if (line.startsWith('info string')) infoStrings.push(`${name}: ${line}`)
    }
  })
  engine.proc.stderr.setEncoding('utf8')
  engine.proc.stderr.on('data', text => {
    transcript.push(`${name} stderr: ${text.trimEnd()}`)
    fault(`${name} wrote to stderr: ${JSON.stringify(text.trimEnd())}`)
  })
}

function within(promise, what, ms = CALL_TIMEOUT_MS) {
  let timer
  const timeout = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Error(`no answer to ${what} within ${ms} ms`)), ms)
  })
  return Promise.race([promise, timeout]).finally(() => clearTimeout(timer))
}

async function start(name) {
  const engine = new Engine(enginePath)
  engine.received = []
  // init() spawns the process before its first await, so the watch sees
  // the answer to "uci" too.
  const ready = engine.init()
  watch(engine, name)
  await within(ready, `${name} uci`)
  if (!engine.id.name || !engine.id.author) fault(`${name}: no "id name" and "id author" before uciok`)
  const clear = engine.options.get('Clear Hash')
  if (!clear || clear.type !== 'button') fault(`${name}: option "Clear Hash" not read as a button`)
  await within(engine.isready(), `${name} isready`)
  await within(engine.ucinewgame(), `${name} ucinewgame`)
  return engine
}

const play = (chess, lan) => chess.move({ from: lan.slice(0, 2), to: lan.slice(2, 4), promotion: lan[4] })
const legalMoves = chess => chess.moves({ verbose: true }).map(m => m.lan)

// A bestmove is legal only as the exact long-algebraic text of a legal move.
function checkBest(chess, result, what) {
  const best = result && result.bestmove
  if (!best || !legalMoves(chess).includes(best)) {
    fault(`${what}: bestmove ${JSON.stringify(best)} is not legal in ${chess.fen()}`)
    return null
  }
  return best
}

// The milliseconds this script has spent checking info lines, which replay
// every line's moves and are no time of the engine's: the clocks leave them out.
let checkingMs = 0

// Every "info" line of a search has a depth, a score and a legal PV, and
// none is deeper than a "go depth" asked for; the time taken goes to checkingMs.
function checkInfos(chess, result, what, maxDepth) {
  const start = performance.now()
  try {
    checkInfoLines(chess, result, what, maxDepth)
  } finally {
    checkingMs += performance.now() - start
  }
}

function checkInfoLines(chess, result, what, maxDepth) {
  for (const info of result.info) {
    if (info.string) continue
    if (info.depth === undefined || !info.score || info.pv === undefined) {
      fault(`${what}: info without depth, score or pv: ${JSON.stringify(info)}`)
      continue
    }
    if (maxDepth && info.depth > maxDepth) fault(`${what}: info at depth ${info.depth} after "go depth ${maxDepth}"`)
    const line = new Chess(chess.fen())
    for (const move of info.pv.trim().split(/\s+/)) {
      if (!legalMoves(line).includes(move)) {
        fault(`${what}: depth ${info.depth} pv "${info.pv}" has the illegal move ${move}`)
        break
      }
      play(line, move)
    }
  }
}

function outcome(chess) {
  const mated = chess.turn() === 'w' ? '0-1' : '1-0'
  if (chess.isCheckmate()) return `${mated} (checkmate)`
  if (chess.isStalemate()) return '1/2-1/2 (stalemate)'
  if (chess.isInsufficientMaterial()) return '1/2-1/2 (insufficient material)'
  if (chess.isThreefoldRepetition()) return '1/2-1/2 (threefold repetition)'
  if (chess.isDrawByFiftyMoves()) return '1/2-1/2 (50-move rule)'
  return null
}

let worstOvershoot = -Infinity
async function timedMovetime(engine, chess, ms, what) {
  const begin = performance.now()
  const result = await within(engine.go({ movetime: ms }), what)
  const overshoot = Math.round(performance.now() - begin - ms)
  worstOvershoot = Math.max(worstOvershoot, overshoot)
  if (overshoot > TOLERANCE_MS) fault(`${what}: answered ${overshoot} ms after its ${ms} ms`)
  return result
}

const engines = []
let plies = 0
let result = '*'
let illegal = 0
let stopMs = null
const clock = { w: CLOCK_MS, b: CLOCK_MS }
let lowestClock = CLOCK_MS
const ponder = { plies: 0, result: '*', hits: 0, stops: 0 }

// Sets the ponder game's options on an engine, each as it was announced.
async function setOptions(engine, name, options) {
  for (const [option, type, value] of options) {
    const announced = engine.options.get(option)
    if (!announced || announced.type !== type) fault(`${name}: option "${option}" not announced as a ${type}`)
    else if (type === 'spin' && (value < announced.min || value > announced.max))
      fault(`${name}: option "${option}" announced from ${announced.min} to ${announced.max}, without ${value}`)
    await within(engine.setoption(option, value), `${name} setoption ${option}`)
  }
}

// White's search on the position after the reply it expects, which must
// not give its bestmove before the ponderhit or stop that ends it.
function startPondering(engine, chess, moves, expected, clock) {
  const search = { fen: chess.fen(), expected, ended: false }
  search.answer = engine.go({ ponder: true, wtime: clock.w, btime: clock.b, winc: INCREMENT_MS, binc: INCREMENT_MS })
  search.answer.then(answer => {
    if (!search.ended) fault(`go ponder after ${moves.length} plies: bestmove ${answer.bestmove} before its end`)
  })
  return search
}

// Ends white's ponder search with "ponderhit" or "stop" (sent by hand:
// node-uci's ponderhit() waits for a readyok that an info line may hide).
// The answer, whose bestmove must be legal after the expected reply (or
// 0000 when that reply leaves no move).
async function endPondering(engine, search, command) {
  search.ended = true
  engine.write(command)
  const answer = await within(search.answer, `${command} after go ponder`)
  const after = new Chess(search.fen)
  play(after, search.expected)
  checkInfos(after, answer, `go ponder + ${command}`, 0)
  if (legalMoves(after).length && !checkBest(after, answer, `go ponder + ${command}`)) illegal++
  return answer
}

// The game with pondering on, from the start: white (pondering) against
// black's engine or the first legal move.
async function playPonderGame(white, black) {
  const chess = new Chess()
  const moves = []
  const clock = { w: PONDER_CLOCK_MS, b: PONDER_CLOCK_MS }
  let search = null
  while (ponder.plies < PONDER_PLIES && !outcome(chess)) {
    const what = `ponder game ply ${ponder.plies + 1}`
    let best
    if (chess.turn() === 'w') {
      const begin = performance.now() - checkingMs
      let answer
      if (search && search.expected === moves[moves.length - 1]) {
        answer = await endPondering(white, search, 'ponderhit')
        ponder.hits++
      } else {
        if (search) {
          await endPondering(white, search, 'stop')
          ponder.stops++
        }
        await within(white.position('startpos', moves), `${what} position`)
        answer = await within(
          white.go({ wtime: clock.w, btime: clock.b, winc: INCREMENT_MS, binc: INCREMENT_MS }),
          `${what} go wtime ${clock.w}`,
        )
        checkInfos(chess, answer, what, 0)
      }
      clock.w -= Math.round(performance.now() - checkingMs - begin)
      if (clock.w < 0) fault(`${what}: white lost on time, ${-clock.w} ms over its clock`)
      clock.w += INCREMENT_MS
      search = null
      best = checkBest(chess, answer, what)
      if (best) {
        const after = new Chess(chess.fen())
        play(after, best)
        if (answer.ponder && legalMoves(after).includes(answer.ponder)) {
          await within(white.position('startpos', [...moves, best, answer.ponder]), `${what} ponder position`)
          search = startPondering(white, after, moves, answer.ponder, clock)
        } else if (answer.ponder) fault(`${what}: ponder move ${answer.ponder} is not legal after ${best}`)
      }
    } else if (ponder.plies % 6 === 5) {
      best = legalMoves(chess).sort()[0]
    } else {
      await within(black.position('startpos', moves), `${what} position`)
      const answer = await within(black.go({ depth: 3 }), `${what} go depth 3`)
      checkInfos(chess, answer, what, 3)
      best = checkBest(chess, answer, what)
    }
    if (!best) {
      illegal++
      break
    }
    play(chess, best)
    moves.push(best)
    ponder.plies++
  }
  if (search) {
    await endPondering(white, search, 'stop')
    ponder.stops++
  }
  ponder.result = outcome(chess) || `* (${PONDER_PLIES}-ply cap)`
  if (!ponder.hits || !ponder.stops)
    fault(`ponder game: ${ponder.hits} ponderhit(s) and ${ponder.stops} stop(s), not both`)
}

try {
  const white = await start('white')
  engines.push(white)
  const black = await start('black')
  engines.push(black)

  // The game: the limit goes round movetime, depth and clock, ply by ply.
  // The clocks run only on the clock-style moves and gain the increment
  // after each of them.
  const chess = new Chess()
  const moves = []
  let middle = null
  while (plies < MAX_PLIES) {
    const over = outcome(chess)
    if (over) {
      result = over
      break
    }
    const side = chess.turn()
    const engine = side === 'w' ? white : black
    const what = `ply ${plies + 1} (${side === 'w' ? 'white' : 'black'})`
    await within(engine.position('startpos', moves), `${what} position`)
    let answer
    const kind = plies % 3
    if (kind === 0) {
      answer = await timedMovetime(engine, chess, MOVETIME_MS, `${what} go movetime ${MOVETIME_MS}`)
    } else if (kind === 1) {
      answer = await within(engine.go({ depth: 3 }), `${what} go depth 3`)
    } else {
      const begin = performance.now()
      answer = await within(
        engine.go({ wtime: clock.w, btime: clock.b, winc: INCREMENT_MS, binc: INCREMENT_MS }),
        `${what} go wtime ${clock.w} btime ${clock.b}`,
      )
      clock[side] -= Math.round(performance.now() - begin)
      lowestClock = Math.min(lowestClock, clock[side])
      if (clock[side] < 0) fault(`${what}: lost on time, ${-clock[side]} ms over its clock`)
      clock[side] += INCREMENT_MS
    }
    checkInfos(chess, answer, what, kind === 1 ? 3 : 0)
    const best = checkBest(chess, answer, what)
    if (!best) {
      illegal++
      break
    }
    play(chess, best)
    moves.push(best)
    plies++
    if (plies === 20 && !outcome(chess)) middle = moves.slice()
  }
  if (result === '*') result = plies >= MAX_PLIES ? `* (${MAX_PLIES}-ply cap)` : '* (stopped by a fault)'

  // More "go movetime" probes, in the position after 20 plies (or the start).
  const probe = new Chess()
  for (const move of middle || []) play(probe, move)
  await within(white.position('startpos', middle || []), 'probe position')
  for (const ms of PROBE_MOVETIMES) {
    const answer = await timedMovetime(white, probe, ms, `probe go movetime ${ms}`)
    if (!checkBest(probe, answer, `probe go movetime ${ms}`)) illegal++
  }

  // "go infinite" runs until "stop": no bestmove before it, "isready" answered
  // while it runs, and a legal bestmove soon after it.
  await within(white.ucinewgame(), 'ucinewgame before go infinite')
  await within(white.position('startpos', middle || []), 'position before go infinite')
  const early = []
  const emitter = white.goInfinite()
  emitter.on('data', data => {
    if (data.bestmove) early.push(data.bestmove)
  })
  await new Promise(resolve => setTimeout(resolve, 200))
  // Sent by hand: node-uci's isready() looks for readyok only as the last
  // line of a chunk of output, and an info line may follow it in the same one.
  const seen = white.received.length
  const askedReady = performance.now()
  white.write('isready')
  await within(
    new Promise(resolve => {
      const poll = setInterval(() => {
        if (white.received.slice(seen).includes('readyok')) {
          clearInterval(poll)
          resolve()
        }
      }, 1)
    }),
    'isready during go infinite',
  )
  const readyMs = Math.round(performance.now() - askedReady)
  if (readyMs > TOLERANCE_MS) fault(`isready during go infinite: readyok took ${readyMs} ms`)
  await new Promise(resolve => setTimeout(resolve, 200))
  if (early.length) fault(`go infinite: bestmove ${early[0]} before any stop`)
  const stopped = performance.now()
  const answer = await within(white.stop(), 'stop after go infinite')
  stopMs = Math.round(performance.now() - stopped)
  if (stopMs > TOLERANCE_MS) fault(`stop after go infinite: bestmove took ${stopMs} ms`)
  if (!checkBest(probe, answer, 'go infinite + stop')) illegal++
  checkInfos(probe, answer, 'go infinite + stop', 0)

  // The game with pondering, after the options are set through node-uci.
  await setOptions(white, 'white', PONDER_OPTIONS)
  await setOptions(black, 'black', PONDER_OPTIONS.slice(0, 3))
  for (const engine of [white, black]) await within(engine.ucinewgame(), 'ucinewgame before the ponder game')
  await playPonderGame(white, black)

  // "quit" ends both processes, with status 0.
  for (const [index, engine] of engines.entries()) {
    const name = index === 0 ? 'white' : 'black'
    const proc = engine.proc
    const exited = new Promise(resolve => proc.once('exit', (code, signal) => resolve({ code, signal })))
    await within(engine.quit(), `${name} quit`, 3000)
    const { code, signal } = await within(exited, `${name} exit`, 1000)
    if (code !== 0) fault(`${name}: ended with status ${code}${signal ? ` (${signal})` : ''} after quit`)
  }
  engines.length = 0
} catch (error) {
  fault(error.message)
} finally {
  for (const engine of engines) if (engine.proc) engine.proc.kill('SIGKILL')
}

if (oddLines.length) fault(`${oddLines.length} line(s) in no UCI form, the first ${oddLines[0]}`)
if (infoStrings.length) fault(`${infoStrings.length} "info string" line(s), the first ${infoStrings[0]}`)
writeFileSync(join(scratch, 'uci-log.txt'), transcript.join('\n') + '\n')
for (const text of faults) console.error(`node-uci: FAIL: ${text}`)
if (faults.length) console.error(`node-uci: the exchange is in ${join(scratch, 'uci-log.txt')}`)
console.log(
  `node-uci: plies=${plies} result=${result} illegal=${illegal} movetime_worst_overshoot_ms=${worstOvershoot}` +
    ` stop_answer_ms=${stopMs ?? '-'} clock_lowest_ms=${lowestClock} ponder_plies=${ponder.plies}` +
    ` ponder_result=${ponder.result} ponderhits=${ponder.hits} ponder_stops=${ponder.stops}` +
    ` odd_lines=${oddLines.length} faults=${faults.length}`,
)
process.exit(faults.length ? 1 : 0)
