#!/usr/bin/env node
'use strict'

// How long a "Recall processor preset" action takes to reach the processor: from the call of
// the Companion action to the moment corvane-sim took the first byte of command 0x0005 off the
// line (its `received` times), over N recalls (default 100), against the real Corvane.
//
//   CORVANE_BIN=.../corvane CORVANE_SIM_BIN=.../corvane-sim node bench/recall-bench.js [N]
//
// The simulator counts seconds from its own start. Its traffic log (--log) is watched as it
// grows: each line's stamp against the moment it appeared here gives the offset between the two
// clocks (the smallest difference seen; the simulator writes each line as it sends or reads).

const fs = require('node:fs')
const path = require('node:path')
const { performance } = require('node:perf_hooks')
const { startCorvane, sleep } = require('../test/helpers/corvane-run')
const { fakeHost } = require('../test/helpers/fake-host')
const { until } = require('../test/helpers/fake-corvane')

const now = () => performance.timeOrigin + performance.now() // ms, this process's clock

function watchLog(file) {
	const seen = [] // [sim seconds, ms here]
	let offset = 0
	let rest = ''
	fs.writeFileSync(file, '')
	const read = () => {
		const at = now()
		const fd = fs.openSync(file, 'r')
		const size = fs.fstatSync(fd).size
		if (size > offset) {
			const buf = Buffer.alloc(size - offset)
			fs.readSync(fd, buf, 0, buf.length, offset)
			offset = size
			const text = rest + buf.toString('utf8')
			const lines = text.split('\n')
			rest = lines.pop()
			for (const line of lines) {
				const m = /^\s*(\d+\.\d+) (rx|tx) (0x[0-9A-Fa-f]{4})/.exec(line)
				if (m) seen.push([Number(m[1]), at, `${m[2]} ${m[3]}`])
			}
		}
		fs.closeSync(fd)
	}
	const watcher = fs.watch(file, read)
	return {
		seen,
		close: () => watcher.close(),
		// ms to add to a simulator time (in ms) to get this process's clock
		offset: () => Math.min(...seen.map(([s, at]) => at - s * 1000)),
	}
}

const quantile = (sorted, q) => sorted[Math.min(sorted.length - 1, Math.max(0, Math.round(q * (sorted.length - 1))))]

async function main() {
	const count = Number(process.argv[2] || 100)
	const corvaneBin = process.env.CORVANE_BIN
	const simBin = process.env.CORVANE_SIM_BIN
	if (!corvaneBin || !simBin) {
		console.error('set CORVANE_BIN and CORVANE_SIM_BIN')
		process.exit(2)
	}
	const logFile = path.join(fs.mkdtempSync('/tmp/corvane-bench-'), 'traffic.log')
	fs.writeFileSync(logFile, '')
	const log = watchLog(logFile)
	const run = await startCorvane({ corvaneBin, simBin, simArgs: ['--log', logFile] })
	const { inst, host } = fakeHost()
	const sent = []
	let refused = 0
	try {
		await inst.init({ host: '127.0.0.1', port: run.port }, false, { token: '' })
		await until(() => host.values.link_state === 'synchronised', 60000, 'the module synchronised')
		const before = await run.sim.count('0x0005')
		while (sent.length < count) {
			const preset = (sent.length % 3) + 1
			const at = now()
			try {
				await host.action('preset_recall', { preset })
				sent.push(at)
			} catch (e) {
				if (!/409/.test(e.message)) throw e
				refused++
			}
			// Corvane takes the next change once the processor has acknowledged this one.
			await sleep(50)
			await until(() => host.feedback('waiting') === false, 30000, 'the wait ended')
			await sleep(150)
		}
		await until(async () => (await run.sim.count('0x0005')) >= before + count, 60000, 'every recall received')
		await sleep(1500) // a few keep-alives more for the clocks' offset
		const items = (await run.sim.command('received 4096'))
			.map((l) => /^received first-s=([\d.]+) .* frame 0x0005$/.exec(l))
			.filter(Boolean)
			.map((m) => Number(m[1]) * 1000)
			.slice(-count)
		const offset = log.offset()
		const lat = items.map((simMs, i) => simMs + offset - sent[i]).sort((a, b) => a - b)
		// The same recalls as the moment their log line appeared here: an upper bound.
		const shown = log.seen.filter(([, , what]) => what === 'rx 0x0005').slice(-count)
		const upper = shown.map(([, at], i) => at - sent[i]).sort((a, b) => a - b)
		const f = (x) => x.toFixed(2)
		console.log(`recalls: ${count} (refused with 409 and sent again: ${refused}); clock offset from ${log.seen.length} log lines`)
		console.log(
			`figure: recall action to the simulator's receipt of 0x0005: median ${f(quantile(lat, 0.5))} ms, ` +
				`p10 ${f(quantile(lat, 0.1))} ms, p90 ${f(quantile(lat, 0.9))} ms, min ${f(lat[0])} ms, max ${f(lat.at(-1))} ms`,
		)
		if (upper.length === count)
			console.log(`figure: the same to its traffic log line seen here (an upper bound): median ${f(quantile(upper, 0.5))} ms`)
	} finally {
		log.close()
		await inst.destroy()
		await run.stop()
		fs.rmSync(path.dirname(logFile), { recursive: true, force: true })
	}
}

main().catch((e) => {
	console.error(e)
	process.exit(1)
})
