'use strict'

// The client of Corvane's local control interface: HTTP requests for commands and the whole
// state, the /api/events WebSocket for the state's changes. It knows nothing of Companion:
// the instance adapter listens to its events ('status', 'update', 'log').

const http = require('node:http')
const net = require('node:net')
const { EventEmitter } = require('node:events')
const WebSocket = require('ws')

// What the link looks like while Corvane itself cannot be reached.
const OFFLINE_LINK = Object.freeze({
	state: 'offline',
	synchronised: false,
	connected: false,
	port: '',
	baud: 0,
	waiting: false,
	transfer: false,
})

// The statuses the client reports; the adapter maps them onto Companion's.
const Status = Object.freeze({
	Ok: 'ok',
	Connecting: 'connecting',
	ConnectionFailure: 'connection_failure',
	BadConfig: 'bad_config',
	AuthenticationFailure: 'authentication_failure',
	Warning: 'warning',
})

class CorvaneError extends Error {
	constructor(method, path, status, body) {
		const text = body && typeof body.error === 'string' ? body.error : `HTTP ${status}`
		const field = body && typeof body.field === 'string' ? ` (field "${body.field}")` : ''
		super(`Corvane answered ${status} to ${method} ${path}: ${text}${field}`)
		this.name = 'CorvaneError'
		this.status = status
		this.error = text
		this.field = body && typeof body.field === 'string' ? body.field : undefined
	}
}

// Checks host and port; returns a message for a person, or null when they are usable.
function configProblem(host, port) {
	if (typeof host !== 'string' || host.trim() === '') return 'no host: give the IP address of the PC that runs Corvane'
	const h = host.trim()
	if (h !== 'localhost' && net.isIP(h) === 0)
		return `"${h}" is no IP address: Corvane answers only requests that name it by its IP address`
	const p = Number(port)
	if (!Number.isInteger(p) || p < 1 || p > 65535) return `port ${port} is not a TCP port (1..65535)`
	return null
}

function hostHeader(host, port) {
	return net.isIPv6(host) ? `[${host}]:${port}` : `${host}:${port}`
}

// Merges one partial event into the state (in place); returns false for an event it does not know.
function mergeEvent(state, event, data) {
	const replaceIn = (list, key) => {
		if (!Array.isArray(state[list]) || !data || typeof data[key] !== 'number') return false
		const i = state[list].findIndex((item) => item && item[key] === data[key])
		if (i >= 0) state[list][i] = data
		else state[list].push(data)
		return true
	}
	switch (event) {
		case 'link':
			state.link = data
			return true
		case 'input':
			if (data && 'currentInput' in data) state.currentInput = data.currentInput
			if (data && Array.isArray(data.inputs)) state.inputs = data.inputs
			return true
		case 'layer':
			return replaceIn('layers', 'layer')
		case 'output':
			return replaceIn('outputs', 'output')
		case 'picture':
			return replaceIn('picture', 'output')
		case 'crop':
		case 'edid':
		case 'wifi':
		case 'versions':
			state[event] = data
			return true
		default:
			return false
	}
}

class CorvaneClient extends EventEmitter {
	/**
	 * @param {object} options
	 * @param {string} options.host  Corvane's IP address
	 * @param {number} options.port
	 * @param {string} [options.token]
	 * @param {number} [options.initialDelayMs]  first reconnection delay (doubles up to maxDelayMs)
	 * @param {number} [options.maxDelayMs]
	 * @param {number} [options.requestTimeoutMs]
	 * @param {number} [options.heartbeatMs]  ping period of the event socket (0: none)
	 * @param {(url: string, options: object) => WebSocket} [options.createWebSocket]
	 */
	constructor(options) {
		super()
		this.host = String(options.host || '').trim()
		this.port = Number(options.port)
		this.token = options.token || ''
		this.initialDelayMs = options.initialDelayMs ?? 1000
		this.maxDelayMs = options.maxDelayMs ?? 30000
		this.requestTimeoutMs = options.requestTimeoutMs ?? 5000
		this.heartbeatMs = options.heartbeatMs ?? 15000
		this.createWebSocket = options.createWebSocket ?? ((url, opts) => new WebSocket(url, opts))

		this.state = null // the last whole state Corvane sent, with the partial events merged in
		this.online = false // the event socket is open and its hello has come
		this.delayMs = this.initialDelayMs
		this.status = { status: null, message: null }
		this.ws = null
		this.timer = null
		this.heartbeat = null
		this.running = false
	}

	get baseUrl() {
		return `http://${hostHeader(this.host, this.port)}`
	}

	headers(extra = {}) {
		const h = { Host: hostHeader(this.host, this.port), Accept: 'application/json', ...extra }
		if (this.token) h.Authorization = `Bearer ${this.token}`
		return h
	}

	// The state as the definitions see it: the link reads "offline" while Corvane is out of reach.
	snapshot() {
		if (!this.state) return { link: OFFLINE_LINK }
		return this.online ? this.state : { ...this.state, link: OFFLINE_LINK }
	}

	start() {
		if (this.running) return
		this.running = true
		const problem = configProblem(this.host, this.port)
		if (problem) {
			this.setStatus(Status.BadConfig, problem)
			this.running = false
			return
		}
		this.setStatus(Status.Connecting, `connecting to ${this.baseUrl}`)
		this.connect()
	}

	stop() {
		this.running = false
		clearTimeout(this.timer)
		this.timer = null
		this.stopHeartbeat()
		if (this.ws) {
			const ws = this.ws
			this.ws = null
			ws.removeAllListeners()
			ws.on('error', () => {})
			ws.terminate()
		}
		this.online = false
	}

	connect() {
		if (!this.running) return
		const url = `ws://${hostHeader(this.host, this.port)}/api/events`
		let ws
		try {
			ws = this.createWebSocket(url, { headers: this.headers(), handshakeTimeout: this.requestTimeoutMs })
		} catch (e) {
			this.lost(`cannot open ${url}: ${e.message}`)
			return
		}
		this.ws = ws
		let refused = null

		ws.on('unexpected-response', (_req, res) => {
			refused = res.statusCode
			res.resume()
			ws.terminate()
		})
		ws.on('open', () => this.startHeartbeat(ws))
		ws.on('pong', () => {
			ws.alive = true
		})
		ws.on('message', (raw) => this.onMessage(raw))
		ws.on('error', (e) => {
			ws.lastError = e
		})
		ws.on('close', () => {
			if (this.ws !== ws) return
			this.ws = null
			this.stopHeartbeat()
			const wasOnline = this.online
			this.online = false
			if (wasOnline) this.emit('update', 'offline', this.snapshot())
			if (refused === 401) {
				this.lost('authentication failure: Corvane refused the token', Status.AuthenticationFailure)
			} else if (refused === 421) {
				this.lost('Corvane refused the host name: give its IP address', Status.BadConfig)
			} else if (refused === 403) {
				this.lost('Corvane refused the request (403)', Status.BadConfig)
			} else if (refused) {
				this.lost(`Corvane refused the event socket (${refused})`)
			} else if (wasOnline) {
				this.lost('Corvane closed the event socket')
			} else {
				const why = ws.lastError ? ws.lastError.code || ws.lastError.message : 'closed'
				this.lost(`no connection to ${this.baseUrl} (${why})`)
			}
		})
	}

	// The event socket is gone: report why and try again after the back-off delay.
	lost(message, status = Status.ConnectionFailure) {
		if (!this.running) return
		const delay = this.delayMs
		this.delayMs = Math.min(this.delayMs * 2, this.maxDelayMs)
		this.setStatus(status, `${message}; retrying in ${formatDelay(delay)}`)
		this.emit('log', 'debug', `${message}; next attempt in ${delay} ms`)
		this.emit('retry', delay)
		clearTimeout(this.timer)
		this.timer = setTimeout(() => {
			this.timer = null
			this.connect()
		}, delay)
	}

	startHeartbeat(ws) {
		this.stopHeartbeat()
		if (!this.heartbeatMs) return
		ws.alive = true
		this.heartbeat = setInterval(() => {
			if (!ws.alive) {
				this.emit('log', 'warn', 'Corvane did not answer the event socket ping: reconnecting')
				ws.terminate()
				return
			}
			ws.alive = false
			ws.ping()
		}, this.heartbeatMs)
	}

	stopHeartbeat() {
		clearInterval(this.heartbeat)
		this.heartbeat = null
	}

	onMessage(raw) {
		let msg
		try {
			msg = JSON.parse(String(raw))
		} catch {
			this.emit('log', 'warn', 'Corvane sent an event that is no JSON')
			return
		}
		if (!msg || typeof msg.event !== 'string') return
		if (msg.event === 'hello') {
			if (!msg.data || typeof msg.data !== 'object') return
			this.state = msg.data
			this.online = true
			this.delayMs = this.initialDelayMs
			this.emit('update', 'hello', this.snapshot())
			this.linkStatus()
			return
		}
		if (!this.state) return
		if (!mergeEvent(this.state, msg.event, msg.data)) return
		this.emit('update', msg.event, this.snapshot())
		if (msg.event === 'link') this.linkStatus()
	}

	// The status while the event socket is up follows Corvane's link.
	linkStatus() {
		const link = this.state && this.state.link
		if (!link) return
		if (link.transfer) this.setStatus(Status.Warning, 'firmware transfer running')
		else if (!link.synchronised) this.setStatus(Status.Warning, 'Corvane: processor not synchronised')
		else this.setStatus(Status.Ok, `synchronised on ${link.port} at ${link.baud} baud`)
	}

	setStatus(status, message) {
		if (this.status.status === status && this.status.message === message) return
		this.status = { status, message }
		this.emit('status', status, message)
	}

	/** Sends one HTTP request; resolves with { status, body } whatever the status. */
	request(method, path, body) {
		return new Promise((resolve, reject) => {
			const data = method === 'POST' ? Buffer.from(body === undefined ? '' : JSON.stringify(body)) : null
			const headers = this.headers(
				data ? { 'Content-Type': 'application/json', 'Content-Length': String(data.length) } : {},
			)
			const req = http.request(
				{ host: this.host, port: this.port, method, path, headers, agent: false, timeout: this.requestTimeoutMs },
				(res) => {
					const chunks = []
					res.on('data', (c) => chunks.push(c))
					res.on('end', () => {
						const text = Buffer.concat(chunks).toString('utf8')
						let parsed = null
						try {
							parsed = text ? JSON.parse(text) : null
						} catch {
							parsed = null
						}
						resolve({ status: res.statusCode, body: parsed })
					})
					res.on('error', reject)
				},
			)
			req.on('timeout', () => req.destroy(new Error(`no answer from ${this.baseUrl} within ${this.requestTimeoutMs} ms`)))
			req.on('error', (e) => reject(new Error(`${method} ${path}: ${e.message}`)))
			req.end(data || undefined)
		})
	}

	/** POSTs a command; resolves with Corvane's answer, rejects with a CorvaneError for any status but 200. */
	async command(path, body) {
		const answer = await this.request('POST', path, body)
		if (answer.status !== 200) {
			if (answer.status === 401) this.setStatus(Status.AuthenticationFailure, 'authentication failure: Corvane refused the token')
			throw new CorvaneError('POST', path, answer.status, answer.body)
		}
		return answer.body
	}

	/** Reads the whole state with GET /api/state and takes it as the new one. */
	async refresh() {
		const answer = await this.request('GET', '/api/state')
		if (answer.status !== 200 || !answer.body || typeof answer.body.state !== 'object')
			throw new CorvaneError('GET', '/api/state', answer.status, answer.body)
		this.state = answer.body.state
		this.emit('update', 'state', this.snapshot())
		if (this.online) this.linkStatus()
		return this.state
	}

	/** Asks the processor for its whole state again (POST /api/sync), then reads Corvane's. */
	async sync({ settleMs = 10000, pollMs = 100 } = {}) {
		await this.command('/api/sync')
		// The processor's records come in while the wait shows; read the state once it is over.
		const until = Date.now() + settleMs
		while (Date.now() < until) {
			const answer = await this.request('GET', '/api/status')
			if (answer.status !== 200 || !answer.body || !answer.body.link || !answer.body.link.waiting) break
			await new Promise((r) => setTimeout(r, pollMs))
		}
		return this.refresh()
	}
}

function formatDelay(ms) {
	return ms >= 1000 ? `${Math.round(ms / 100) / 10} s` : `${ms} ms`
}

module.exports = { CorvaneClient, CorvaneError, Status, OFFLINE_LINK, configProblem, mergeEvent, hostHeader }
