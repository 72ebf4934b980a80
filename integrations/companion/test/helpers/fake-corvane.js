'use strict'

// A small stand-in for Corvane's control interface: HTTP on 127.0.0.1 and the /api/events
// WebSocket, with Corvane's checks (Host, token, Content-Type). It records every POST and
// answers what a test tells it to.

const http = require('node:http')
const fs = require('node:fs')
const path = require('node:path')
const { once } = require('node:events')
const { WebSocketServer } = require('ws')

const FIXTURE = path.join(__dirname, '..', 'fixtures', 'state.json')
const freshState = () => JSON.parse(fs.readFileSync(FIXTURE, 'utf8'))

const OPERATIONS = {
	'/api/input': 'input',
	'/api/preset/recall': 'preset recall',
	'/api/preset/load': 'preset load',
	'/api/layer': 'layer',
	'/api/picture': 'picture',
	'/api/sync': 'sync',
}

class FakeCorvane {
	constructor({ token = '' } = {}) {
		this.token = token
		this.state = freshState()
		this.posts = [] // { path, body, headers }
		this.upgrades = 0 // event socket openings that were accepted
		this.answers = [] // queued { status, body } for the next POSTs
		this.port = 0
		this.server = null
		this.wss = new WebSocketServer({ noServer: true })
		this.sockets = new Set()
	}

	async start(port = 0) {
		this.server = http.createServer((req, res) => this.onRequest(req, res))
		this.server.on('upgrade', (req, socket, head) => this.onUpgrade(req, socket, head))
		this.server.on('connection', (s) => {
			this.sockets.add(s)
			s.on('close', () => this.sockets.delete(s))
		})
		this.server.listen(port, '127.0.0.1')
		await once(this.server, 'listening')
		this.port = this.server.address().port
		return this
	}

	// Closes every connection and the listening socket, as Corvane ending does.
	async stop() {
		for (const ws of this.wss.clients) ws.terminate()
		for (const s of this.sockets) s.destroy()
		if (this.server) {
			const closed = once(this.server, 'close')
			this.server.close()
			await closed
			this.server = null
		}
	}

	async restart() {
		const port = this.port
		await this.stop()
		await this.start(port)
	}

	get clients() {
		return [...this.wss.clients]
	}

	// The next POST gets this answer (then the default 200 again).
	answerNext(status, body) {
		this.answers.push({ status, body })
	}

	push(event, data) {
		const text = JSON.stringify({ event, data })
		for (const ws of this.wss.clients) ws.send(text)
	}

	setLink(patch) {
		this.state.link = { ...this.state.link, ...patch }
		this.push('link', this.state.link)
	}

	refusal(req) {
		if (req.headers.host !== `127.0.0.1:${this.port}`) return [421, 'the Host header names another site']
		if (this.token && req.headers.authorization !== `Bearer ${this.token}`) return [401, 'no token or a wrong one']
		return null
	}

	onUpgrade(req, socket, head) {
		const refused = req.url === '/api/events' ? this.refusal(req) : [404, 'unknown operation']
		if (refused) {
			socket.end(`HTTP/1.1 ${refused[0]} Refused\r\nContent-Length: 0\r\nConnection: close\r\n\r\n`)
			return
		}
		this.wss.handleUpgrade(req, socket, head, (ws) => {
			this.upgrades++
			ws.send(JSON.stringify({ event: 'hello', data: this.state }))
		})
	}

	onRequest(req, res) {
		const chunks = []
		req.on('data', (c) => chunks.push(c))
		req.on('end', () => {
			const reply = (status, body) => {
				res.writeHead(status, { 'Content-Type': 'application/json' })
				res.end(JSON.stringify(body))
			}
			const refused = this.refusal(req)
			if (refused) return reply(refused[0], { ok: false, error: refused[1] })
			if (req.method === 'GET' && req.url === '/api/state') return reply(200, { ok: true, state: this.state })
			if (req.method === 'GET' && req.url === '/api/status') return reply(200, { ok: true, link: this.state.link })
			if (req.method !== 'POST') return reply(405, { ok: false, error: 'wrong method' })
			if (!/^application\/json\b/i.test(req.headers['content-type'] || ''))
				return reply(415, { ok: false, error: 'a POST needs Content-Type: application/json' })
			const text = Buffer.concat(chunks).toString('utf8')
			let body
			try {
				body = text ? JSON.parse(text) : undefined
			} catch {
				return reply(400, { ok: false, error: 'the body is no JSON' })
			}
			this.posts.push({ path: req.url, body, headers: req.headers })
			const operation = OPERATIONS[req.url]
			if (!operation) return reply(404, { ok: false, error: 'unknown operation' })
			const answer = this.answers.shift()
			if (answer) return reply(answer.status, answer.body)
			reply(200, { ok: true, operation, sent: true })
		})
	}
}

// Resolves once emitter emits event with arguments that satisfy test (or rejects after ms).
function waitFor(emitter, event, test = () => true, ms = 20000) {
	return new Promise((resolve, reject) => {
		const timer = setTimeout(() => {
			emitter.off(event, handler)
			reject(new Error(`no '${event}' event as expected within ${ms} ms`))
		}, ms)
		function handler(...args) {
			if (!test(...args)) return
			clearTimeout(timer)
			emitter.off(event, handler)
			resolve(args)
		}
		emitter.on(event, handler)
	})
}

// Polls check() until it is true (or rejects after ms).
async function until(check, ms = 20000, what = 'the condition') {
	const end = Date.now() + ms
	while (Date.now() < end) {
		if (await check()) return
		await new Promise((r) => setTimeout(r, 20))
	}
	throw new Error(`${what} did not hold within ${ms} ms`)
}

module.exports = { FakeCorvane, freshState, waitFor, until }
