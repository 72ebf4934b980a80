'use strict'

// The module against the real Corvane (offscreen) and corvane-sim:
//   CORVANE_BIN=.../bin/corvane CORVANE_SIM_BIN=.../bin/corvane-sim npm run test:e2e
// The module runs through its Companion adapter with the host's side recorded (no Companion).

const { test } = require('node:test')
const assert = require('node:assert/strict')
const fs = require('node:fs')
const { InstanceStatus } = require('@companion-module/base')
const { startCorvane } = require('../helpers/corvane-run')
const { fakeHost } = require('../helpers/fake-host')
const { until } = require('../helpers/fake-corvane')

const corvaneBin = process.env.CORVANE_BIN
const simBin = process.env.CORVANE_SIM_BIN
const missing = [
	[corvaneBin, 'CORVANE_BIN (the corvane executable)'],
	[simBin, 'CORVANE_SIM_BIN (the corvane-sim executable)'],
]
	.filter(([file]) => !file || !fs.existsSync(file))
	.map(([, what]) => what)
const skip = missing.length ? `set ${missing.join(' and ')} to run the end-to-end test` : false
if (skip) console.log(`corvane e2e: skipped: ${skip}`)

const LONG = 60000 // a loaded 2-core machine: generous limits, never exact times

test('a recall reaches the processor; a layer the processor switches on lights its feedback', { skip, timeout: 240000 }, async () => {
	const run = await startCorvane({ corvaneBin, simBin })
	const { inst, host } = fakeHost()
	try {
		await inst.init({ host: '127.0.0.1', port: run.port }, false, { token: '' })
		await until(() => host.status()[0] === InstanceStatus.Ok, LONG, 'the module connected and synchronised')
		assert.equal(host.values.link_state, 'synchronised')
		assert.equal(host.values.link_port, 'COM1')
		assert.equal(host.values.input_1_name, 'HDMI-1')

		// The factory state: layer 2 is off.
		assert.equal(host.values.layer_2_on, 'off')
		assert.equal(host.feedback('layer_on', { layer: 2 }), false)
		const recallsBefore = await run.sim.count('0x0005')
		const layerCommandsBefore = await run.sim.count('0x0006')

		// The Companion action "Recall processor preset 1".
		await host.action('preset_recall', { preset: 1 })
		await until(async () => (await run.sim.count('0x0005')) > recallsBefore, LONG, 'the simulator received command 0x0005')
		const received = (await run.sim.command('received 40')).filter((l) => / frame 0x0005$/.test(l))
		assert.ok(received.length >= 1, 'the simulator lists the recall among what it received')

		// The processor answers the recall with its four layers, all on: Corvane reports them and
		// the module's feedback and variable follow, with no layer command sent by anyone.
		await until(() => host.values.layer_2_on === 'on', LONG, "layer 2's variable says on")
		assert.equal(host.feedback('layer_on', { layer: 2 }), true)
		assert.ok(host.checks.includes('layer_on'))
		assert.equal(await run.sim.count('0x0006'), layerCommandsBefore, 'the layer change came from the processor')
		await until(() => host.values.link_state === 'synchronised' && host.feedback('waiting') === false, LONG, 'the wait ended')
	} finally {
		await inst.destroy()
		await run.stop()
	}
})
