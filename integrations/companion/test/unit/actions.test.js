'use strict'

const { test, describe, before, after, beforeEach } = require('node:test')
const assert = require('node:assert/strict')
const { CorvaneClient } = require('../../src/client')
const { buildActions, pictureBody } = require('../../src/actions')
const { FakeCorvane, freshState, waitFor, until } = require('../helpers/fake-corvane')

const run = (actions, actionId, options) => actions[actionId].callback({ actionId, options }, {})

describe('actions send the right command', () => {
	let fake, client, actions
	before(async () => {
		fake = await new FakeCorvane().start()
		client = new CorvaneClient({ host: '127.0.0.1', port: fake.port, initialDelayMs: 50 })
		client.start()
		await until(() => client.online, 20000, 'the hello')
		actions = buildActions(client.snapshot(), {
			getState: () => client.snapshot(),
			send: (path, body) => client.command(path, body),
			sync: () => client.sync(),
		})
	})
	after(async () => {
		client.stop()
		await fake.stop()
	})
	beforeEach(() => {
		fake.posts.length = 0
	})

	const cases = [
		['input_select', { input: 2 }, '/api/input', { input: 2 }],
		['input_select', { input: 4 }, '/api/input', { input: 4 }],
		['preset_recall', { preset: 1 }, '/api/preset/recall', { preset: 1 }],
		['preset_recall', { preset: 10 }, '/api/preset/recall', { preset: 10 }],
		['preset_load', { slot: 3 }, '/api/preset/load', { slot: 3 }],
		['layer_switch', { layer: 2, mode: 'on' }, '/api/layer', { layer: 2, on: true }],
		['layer_switch', { layer: 1, mode: 'off' }, '/api/layer', { layer: 1, on: false }],
		[
			'layer_window',
			{ layer: 2, x: 2045, y: 198, w: 1280, h: 720 },
			'/api/layer',
			{ layer: 2, x: 2045, y: 198, w: 1280, h: 720 },
		],
		[
			'picture',
			{ output: 1, brightness_set: true, brightness: 140, gamma_mode: 'value', gamma: 2.2, colorTemp: 'keep' },
			'/api/picture',
			{ output: 1, brightness: 140, gamma: 2.2 },
		],
		['picture', { output: 2, gamma_mode: 'off', colorTemp: '6500K' }, '/api/picture', { output: 2, gamma: 'off', colorTemp: '6500K' }],
	]
	for (const [actionId, options, path, body] of cases) {
		test(`${actionId} ${JSON.stringify(options)} → POST ${path} ${JSON.stringify(body)}`, async () => {
			await run(actions, actionId, options)
			assert.deepEqual(fake.posts, [{ path, body, headers: fake.posts[0].headers }])
		})
	}

	test('toggle reads the current state of the layer, as the last event left it', async () => {
		await run(actions, 'layer_switch', { layer: 1, mode: 'toggle' }) // on in the hello
		await run(actions, 'layer_switch', { layer: 2, mode: 'toggle' }) // off in the hello
		const seen = waitFor(client, 'update', (k) => k === 'layer')
		fake.push('layer', { ...fake.state.layers[1], on: true })
		await seen
		await run(actions, 'layer_switch', { layer: 2, mode: 'toggle' })
		assert.deepEqual(
			fake.posts.map((p) => p.body),
			[
				{ layer: 1, on: false },
				{ layer: 2, on: true },
				{ layer: 2, on: false },
			],
		)
	})

	test('a picture action with nothing ticked sends nothing', async () => {
		await assert.rejects(run(actions, 'picture', { output: 1, gamma_mode: 'keep', colorTemp: 'keep' }), /nothing was sent/)
		assert.equal(fake.posts.length, 0)
	})

	test('read the state again: POST /api/sync, then the new state (a renamed slot) is taken', async () => {
		fake.state.presets[0].name = 'Walk-in'
		await run(actions, 'sync', {})
		assert.deepEqual(
			fake.posts.map((p) => p.path),
			['/api/sync'],
		)
		assert.equal(client.snapshot().presets[0].name, 'Walk-in')
	})

	test("a refusal reaches the caller with Corvane's text", async () => {
		fake.answerNext(409, { ok: false, error: 'the processor is not synchronised: nothing was sent' })
		await assert.rejects(run(actions, 'preset_recall', { preset: 2 }), /409.*not synchronised: nothing was sent/)
	})
})

test('picture sends only the values asked for', () => {
	const off = { output: 3, gamma_mode: 'keep', colorTemp: 'keep' }
	const cases = [
		[{ ...off, contrast_set: true, contrast: 0 }, { output: 3, contrast: 0 }],
		[{ ...off, red_set: true, red: 255, green_set: true, green: 10 }, { output: 3, red: 255, green: 10 }],
		[{ ...off, blue_set: false, blue: 7 }, { output: 3 }],
		[{ ...off, gamma_mode: 'value', gamma: 1.23 }, { output: 3, gamma: 1.2 }],
		[{ ...off, colorTemp: 'user' }, { output: 3, colorTemp: 'user' }],
		[
			{ ...off, brightness_set: true, brightness: 1, contrast_set: true, contrast: 2, gamma_mode: 'off', colorTemp: '4000K' },
			{ output: 3, brightness: 1, contrast: 2, gamma: 'off', colorTemp: '4000K' },
		],
	]
	for (const [options, body] of cases) assert.deepEqual(pictureBody(options), body, JSON.stringify(options))
})

test("dropdowns are named from the state: inputs' names and the slots' names", () => {
	const state = freshState()
	state.inputs[1].name = 'Camera 2'
	state.presets[4].name = 'Finale'
	const actions = buildActions(state, {})
	const input = actions.input_select.options.find((o) => o.id === 'input')
	assert.deepEqual(
		input.choices.map((c) => c.label),
		['1: HDMI-1', '2: Camera 2', '3: DisplayPort-1', '4: DisplayPort-2'],
	)
	const slot = actions.preset_load.options.find((o) => o.id === 'slot')
	assert.equal(slot.choices.length, 10)
	assert.equal(slot.choices[4].label, '5: Finale')
	assert.equal(slot.choices[9].label, '10: Preset 10')
	// Before the first hello there is no state: the operator's default names stand in.
	const empty = buildActions({ link: {} }, {})
	assert.equal(empty.input_select.options[0].choices[2].label, '3: DisplayPort-1')
	assert.equal(empty.preset_load.options[0].choices[0].label, '1: Preset 1')
})

test('toggle refuses while the layer is not known yet', async () => {
	let sent = false
	const actions = buildActions({ link: {} }, { getState: () => ({ link: {} }), send: () => (sent = true) })
	await assert.rejects(run(actions, 'layer_switch', { layer: 3, mode: 'toggle' }), /not known yet/)
	assert.equal(sent, false)
})
