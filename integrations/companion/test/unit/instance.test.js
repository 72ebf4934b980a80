'use strict'

// The Companion adapter with the host's side replaced by recorders: what Companion would be
// told (status, variables, feedback checks, definitions, log lines) as Corvane's state moves.

const { test, describe, beforeEach, afterEach } = require('node:test')
const assert = require('node:assert/strict')
const { InstanceStatus } = require('@companion-module/base')
const { fakeHost } = require('../helpers/fake-host')
const { FakeCorvane, until } = require('../helpers/fake-corvane')

describe('the Companion adapter', () => {
	let fake, inst, host
	beforeEach(async () => {
		fake = await new FakeCorvane({ token: 'sixteen-chars-token' }).start()
		;({ inst, host } = fakeHost())
	})
	afterEach(async () => {
		await inst.destroy()
		await fake.stop()
	})

	const init = (token = 'sixteen-chars-token', host = '127.0.0.1') =>
		inst.init({ host, port: fake.port }, false, { token })

	test('statuses as Companion shows them', async () => {
		await init()
		await until(() => host.status()[0] === InstanceStatus.Ok, 20000, 'ok')
		fake.setLink({ synchronised: false, state: 'open' })
		await until(() => host.status()[0] === InstanceStatus.UnknownWarning, 20000, 'the warning')
		assert.equal(host.status()[1], 'Corvane: processor not synchronised')
		fake.setLink({ transfer: true })
		await until(() => host.status()[1] === 'firmware transfer running', 20000, 'the transfer')
		assert.equal(host.status()[0], InstanceStatus.UnknownWarning)
		await fake.stop()
		await until(() => host.status()[0] === InstanceStatus.ConnectionFailure, 20000, 'the failure')
		assert.equal(host.values.link_state, 'offline')
		assert.ok(host.checks.includes('link_synchronised'))
		assert.equal(host.feedback('link_synchronised'), false)
	})

	test('a wrong token: authentication failure; a host name: bad configuration', async () => {
		await init('wrong-token-sixteen!')
		await until(() => host.status()[0] === InstanceStatus.AuthenticationFailure, 20000, 'authentication failure')
		assert.match(host.status()[1], /authentication failure/)
		await inst.configUpdated({ host: 'corvane.local', port: fake.port }, { token: 'sixteen-chars-token' })
		assert.equal(host.status()[0], InstanceStatus.BadConfig)
		await inst.configUpdated({ host: '127.0.0.1', port: fake.port }, { token: 'sixteen-chars-token' })
		await until(() => host.status()[0] === InstanceStatus.Ok, 20000, 'ok after the fix')
	})

	test('partial events update the variables and have the right feedbacks checked', async () => {
		await init()
		await until(() => host.values.link_state === 'synchronised', 20000, 'the hello')
		assert.equal(host.feedback('layer_on', { layer: 2 }), false)
		host.checks.length = 0

		fake.push('layer', { ...fake.state.layers[1], on: true, window: { x: 2045, y: 198, w: 1280, h: 720 } })
		await until(() => host.values.layer_2_on === 'on', 20000, 'layer 2 on')
		assert.equal(host.values.layer_2_window, '1280 × 720 at 2045,198')
		assert.deepEqual(host.checks, ['layer_on'])
		assert.equal(host.feedback('layer_on', { layer: 2 }), true)

		host.checks.length = 0
		fake.push('input', { currentInput: 2, inputs: fake.state.inputs.map((i) => ({ ...i, current: i.input === 2, signal: 1 })) })
		await until(() => host.values.current_input === 2, 20000, 'input 2 current')
		assert.equal(host.values.current_input_name, 'HDMI-2')
		assert.equal(host.values.input_2_signal, '1920 × 1080 @ 60.0 Hz')
		assert.deepEqual(host.checks, ['input_current'])
		assert.equal(host.feedback('input_current', { input: 2 }), true)
		assert.equal(host.feedback('input_current', { input: 1 }), false)

		host.checks.length = 0
		fake.setLink({ waiting: true })
		await until(() => host.checks.includes('waiting'), 20000, 'the wait')
		assert.equal(host.feedback('waiting'), true)
	})

	test('only changed variables are sent again', async () => {
		await init()
		await until(() => host.values.link_state === 'synchronised', 20000, 'the hello')
		const sent = []
		inst.setVariableValues = (values) => sent.push(values)
		fake.push('versions', { primary: '0103', secondary: '2026' })
		await until(() => sent.length === 1, 20000, 'the versions')
		assert.deepEqual(sent[0], { version_primary: '0103' })
	})

	test('new names (a renamed slot read again) redefine the actions; the same names do not', async () => {
		await init()
		await until(() => host.values.link_state === 'synchronised', 20000, 'the hello')
		const defined = host.actionDefs.length
		fake.push('versions', { primary: '0102', secondary: '2026' })
		fake.state.presets[1].name = 'Keynote'
		await host.action('sync', {})
		await until(() => host.values.preset_slot_2_name === 'Keynote', 20000, 'the new name')
		assert.equal(host.actionDefs.length, defined + 1)
		const slot = host.actionDefs.at(-1).preset_load.options.find((o) => o.id === 'slot')
		assert.equal(slot.choices[1].label, '2: Keynote')
		assert.equal(host.presetDefs.length, host.actionDefs.length)
	})

	test("a refused action is logged with Corvane's text and fails", async () => {
		await init()
		await until(() => host.values.link_state === 'synchronised', 20000, 'the hello')
		const cases = [
			[409, { ok: false, error: 'the processor is answering an earlier change: nothing was sent' }, 'preset_recall', { preset: 2 }],
			[400, { ok: false, error: 'out of range 0..255', field: 'brightness' }, 'picture', { output: 1, brightness_set: true, brightness: 9 }],
			[404, { ok: false, error: 'the slot has no readable preset file: nothing was sent', field: 'slot' }, 'preset_load', { slot: 7 }],
		]
		for (const [status, body, actionId, options] of cases) {
			host.logs.length = 0
			fake.answerNext(status, body)
			await assert.rejects(host.action(actionId, options))
			const line = host.logs.find(([level]) => level === 'warn')
			assert.ok(line, `${actionId}: a warning`)
			assert.ok(line[1].includes(body.error) && line[1].includes(String(status)), line[1])
			if (body.field) assert.ok(line[1].includes(body.field), line[1])
		}
	})

	test('the configuration: IP address, port, secret token', () => {
		const fields = Object.fromEntries(inst.getConfigFields().map((f) => [f.id, f]))
		assert.equal(fields.host.default, '127.0.0.1')
		assert.equal(fields.port.default, 8642)
		assert.equal(fields.token.type, 'secret-text')
	})
})
