'use strict'

// Runs the real Corvane (offscreen) against corvane-sim, each in a scratch folder of its own:
// Corvane is copied with its Language and Image folders and marked installed, so it keeps its
// files in the XDG folders given here; Config.ini switches the control interface on, on a free
// port. The simulator's standard input stays open for its commands.

const fs = require('node:fs')
const os = require('node:os')
const path = require('node:path')
const net = require('node:net')
const http = require('node:http')
const { spawn } = require('node:child_process')

const children = new Set()
process.on('exit', () => {
	for (const child of children) {
		try {
			child.kill('SIGKILL')
		} catch {}
	}
})

function freePort() {
	return new Promise((resolve, reject) => {
		const server = net.createServer()
		server.on('error', reject)
		server.listen(0, '127.0.0.1', () => {
			const { port } = server.address()
			server.close(() => resolve(port))
		})
	})
}

function getJson(port, urlPath, token) {
	return new Promise((resolve) => {
		const headers = token ? { Authorization: `Bearer ${token}` } : {}
		const req = http.get({ host: '127.0.0.1', port, path: urlPath, headers, timeout: 3000, agent: false }, (res) => {
			let text = ''
			res.on('data', (c) => (text += c))
			res.on('end', () => {
				try {
					resolve(JSON.parse(text))
				} catch {
					resolve(null)
				}
			})
		})
		req.on('timeout', () => req.destroy())
		req.on('error', () => resolve(null))
	})
}

const sleep = (ms) => new Promise((r) => setTimeout(r, ms))

// The simulator: commands on its standard input, each answer ending with 'ok' or 'error: ...'.
class Sim {
	constructor(child) {
		this.child = child
		this.output = ''
		this.pending = [] // { lines, resolve }
		this.queue = Promise.resolve()
		this.buffer = ''
		child.stdout.on('data', (chunk) => {
			const text = chunk.toString('utf8')
			this.output += text
			this.buffer += text
			let nl
			while ((nl = this.buffer.indexOf('\n')) >= 0) {
				const line = this.buffer.slice(0, nl)
				this.buffer = this.buffer.slice(nl + 1)
				const waiter = this.pending[0]
				if (!waiter) continue
				waiter.lines.push(line)
				if (line === 'ok' || line.startsWith('error:')) {
					this.pending.shift()
					waiter.resolve(waiter.lines)
				}
			}
		})
	}

	/** Runs one command; resolves with its lines (the closing 'ok' included). */
	command(line, ms = 20000) {
		const run = () =>
			new Promise((resolve, reject) => {
				const timer = setTimeout(() => reject(new Error(`the simulator did not answer '${line}' within ${ms} ms`)), ms)
				this.pending.push({
					lines: [],
					resolve: (lines) => {
						clearTimeout(timer)
						resolve(lines)
					},
				})
				this.child.stdin.write(`${line}\n`)
			})
		const result = this.queue.then(run, run)
		this.queue = result.catch(() => {})
		return result
	}

	async count(code) {
		const lines = await this.command(`count ${code}`)
		const m = lines.map((l) => /^count \S+ (\d+)/.exec(l)).find(Boolean)
		if (!m) throw new Error(`unexpected answer to count: ${lines.join(' | ')}`)
		return Number(m[1])
	}
}

async function waitUntil(check, ms, what) {
	const end = Date.now() + ms
	while (Date.now() < end) {
		if (await check()) return
		await sleep(100)
	}
	throw new Error(`${what} within ${ms / 1000} s`)
}

function spawnLogged(cmd, args, env, logFile, stdinPipe) {
	const log = fs.openSync(logFile, 'a')
	const child = spawn(cmd, args, {
		env,
		stdio: [stdinPipe ? 'pipe' : 'ignore', stdinPipe ? 'pipe' : log, log],
	})
	children.add(child)
	child.on('exit', () => children.delete(child))
	fs.closeSync(log)
	return child
}

const ended = (child) => child.exitCode !== null || child.signalCode !== null

// Resolves true once the child has ended, false after ms.
function waitExit(child, ms) {
	if (ended(child)) return Promise.resolve(true)
	return new Promise((resolve) => {
		const timer = setTimeout(() => resolve(false), ms)
		child.once('exit', () => {
			clearTimeout(timer)
			resolve(true)
		})
	})
}

async function stopChild(child, ms = 5000) {
	if (!child || ended(child)) return
	child.kill('SIGTERM')
	if (!(await waitExit(child, ms))) {
		child.kill('SIGKILL')
		await waitExit(child, ms)
	}
}

/**
 * Starts corvane-sim and Corvane; resolves once GET /api/status says synchronised.
 * `control` adds keys to Config.ini's [Control] section (e.g. { Token: '...' }).
 * @returns {Promise<{ port: number, sim: Sim, dir: string, stop: () => Promise<void> }>}
 */
async function startCorvane({ corvaneBin, simBin, syncMs = 60000, simArgs = [], control = {} }) {
	const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'corvane-companion-'))
	const folders = {}
	for (const name of ['app', 'home', 'config', 'data', 'runtime', 'cache']) {
		folders[name] = path.join(dir, name)
		fs.mkdirSync(folders[name], { mode: 0o700 })
	}
	const binDir = path.dirname(corvaneBin)
	const app = path.join(folders.app, 'corvane')
	fs.copyFileSync(corvaneBin, app)
	fs.chmodSync(app, 0o755)
	for (const sub of ['Language', 'Image']) fs.cpSync(path.join(binDir, sub), path.join(folders.app, sub), { recursive: true })
	fs.writeFileSync(path.join(folders.app, 'corvane.installed'), '')

	const port = await freePort()
	fs.mkdirSync(path.join(folders.config, 'corvane'), { recursive: true })
	const extra = Object.entries(control).map(([k, v]) => `${k}=${v}\n`).join('')
	fs.writeFileSync(path.join(folders.config, 'corvane', 'Config.ini'), `[Control]\nEnabled=1\nPort=${port}\n${extra}`)

	const env = {
		...process.env,
		HOME: folders.home,
		XDG_CONFIG_HOME: folders.config,
		XDG_DATA_HOME: folders.data,
		XDG_RUNTIME_DIR: folders.runtime,
		XDG_CACHE_HOME: folders.cache,
	}
	const logs = { sim: path.join(dir, 'sim.log'), app: path.join(dir, 'corvane.log') }
	let sim = null
	let appChild = null
	const stop = async () => {
		if (sim) {
			try {
				sim.child.stdin.end('quit\n')
			} catch {}
			if (!(await waitExit(sim.child, 3000))) await stopChild(sim.child)
		}
		await stopChild(appChild)
		if (!process.env.CORVANE_KEEP_SCRATCH) fs.rmSync(dir, { recursive: true, force: true })
	}

	try {
		const simChild = spawnLogged(simBin, ['--beside', app, '--port', '1', '--baud', '921600', ...simArgs], env, logs.sim, true)
		sim = new Sim(simChild)
		simChild.stdout.on('data', (c) => fs.appendFileSync(logs.sim, c))
		await waitUntil(async () => /^ready$/m.test(sim.output), 30000, 'the simulator was not ready')

		appChild = spawnLogged(app, [], { ...env, QT_QPA_PLATFORM: 'offscreen' }, logs.app, false)
		await waitUntil(
			async () => {
				if (appChild.exitCode !== null) throw new Error(`corvane ended with ${appChild.exitCode}`)
				const status = await getJson(port, '/api/status', control.Token)
				return !!(status && status.link && status.link.synchronised)
			},
			syncMs,
			'GET /api/status did not say synchronised',
		)
	} catch (e) {
		const tail = (file) => (fs.existsSync(file) ? fs.readFileSync(file, 'utf8').split('\n').slice(-15).join('\n') : '')
		e.message += `\n--- corvane:\n${tail(logs.app)}\n--- simulator:\n${tail(logs.sim)}`
		await stop()
		throw e
	}
	return { port, sim, dir, env, stop }
}

module.exports = { startCorvane, freePort, getJson, sleep }
