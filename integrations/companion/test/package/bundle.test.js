'use strict'

// The built package (pkg/, from `npm run build`) as Companion runs it: a child process started
// with the manifest's entry point, talking over node's IPC channel. This plays Companion's side
// of that channel just far enough to register, initialise the connection against the fake
// interface and run one action.

const { test } = require('node:test')
const assert = require('node:assert/strict')
const fs = require('node:fs')
const path = require('node:path')
const { fork } = require('node:child_process')
const { FakeCorvane, until } = require('../helpers/fake-corvane')

const pkg = path.join(__dirname, '..', '..', 'pkg')
const manifestPath = path.join(pkg, 'companion', 'manifest.json')

test('the built package registers, connects and runs an action', { timeout: 120000 }, async () => {
	assert.ok(fs.existsSync(manifestPath), 'pkg/ is missing: run npm run build first')
	const manifest = JSON.parse(fs.readFileSync(manifestPath, 'utf8'))
	assert.equal(manifest.id, 'corvane')
	assert.equal(manifest.runtime.api, 'nodejs-ipc')
	const entry = path.resolve(path.dirname(manifestPath), manifest.runtime.entrypoint)

	const fake = await new FakeCorvane().start()
	const child = fork(entry, [], {
		cwd: pkg,
		env: { ...process.env, MODULE_MANIFEST: manifestPath, CONNECTION_ID: 'corvane-1', VERIFICATION_TOKEN: 'check' },
		stdio: ['ignore', 'pipe', 'pipe', 'ipc'],
	})
	let output = ''
	child.stdout.on('data', (c) => (output += c))
	child.stderr.on('data', (c) => (output += c))

	const calls = [] // [name, payload] the module sent
	const pending = new Map()
	let nextId = 1
	const call = (name, payload) =>
		new Promise((resolve, reject) => {
			const callbackId = nextId++
			pending.set(callbackId, { resolve, reject })
			child.send({ direction: 'call', name, payload: JSON.stringify(payload), callbackId })
		})
	child.on('message', (msg) => {
		if (msg.direction === 'response') {
			const p = pending.get(msg.callbackId)
			pending.delete(msg.callbackId)
			const data = msg.payload ? JSON.parse(msg.payload) : undefined
			if (p) (msg.success ? p.resolve : p.reject)(data)
			return
		}
		calls.push([msg.name, msg.payload ? JSON.parse(msg.payload) : undefined])
		if (msg.callbackId)
			child.send({ direction: 'response', callbackId: msg.callbackId, success: true, payload: JSON.stringify({}) })
	})
	const sent = (name) => calls.filter(([n]) => n === name).map(([, p]) => p)

	try {
		await until(() => sent('register').length === 1, 30000, `registration (module said: ${output})`)
		assert.equal(sent('register')[0].apiVersion, manifest.runtime.apiVersion)
		await call('init', {
			label: 'corvane',
			isFirstInit: false,
			config: { host: '127.0.0.1', port: fake.port },
			secrets: { token: '' },
			lastUpgradeIndex: -1,
		})
		await until(() => sent('set-status').some((s) => s.status === 'ok'), 30000, 'the ok status')
		const actions = sent('setActionDefinitions').at(-1).actions.map((a) => a.id)
		assert.ok(actions.includes('preset_recall'), actions.join(','))
		const values = Object.assign({}, ...sent('setVariableValues').map((m) => Object.fromEntries(m.newValues.map((v) => [v.id, v.value]))))
		assert.equal(values.link_state, 'synchronised')

		const result = await call('executeAction', {
			action: { id: 'a1', controlId: 'bank:1', actionId: 'preset_recall', options: { preset: 4 } },
			surfaceId: undefined,
		})
		assert.equal(result.success, true)
		assert.deepEqual(fake.posts.at(-1).body, { preset: 4 })
		fake.answerNext(409, { ok: false, error: 'the processor is not synchronised: nothing was sent' })
		const refused = await call('executeAction', {
			action: { id: 'a2', controlId: 'bank:1', actionId: 'preset_recall', options: { preset: 5 } },
			surfaceId: undefined,
		})
		assert.equal(refused.success, false)
		assert.match(refused.errorMessage, /409.*not synchronised/)
		await call('destroy', {})
	} finally {
		child.kill()
		await fake.stop()
	}
})
