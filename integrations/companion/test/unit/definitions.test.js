'use strict'

const { test } = require('node:test')
const assert = require('node:assert/strict')
const { buildActions } = require('../../src/actions')
const { buildFeedbacks } = require('../../src/feedbacks')
const { buildPresets } = require('../../src/presets')
const { variableDefinitions, variableValues } = require('../../src/variables')
const { OFFLINE_LINK } = require('../../src/client')
const { freshState } = require('../helpers/fake-corvane')

test('variables: values for every definition, texts as an operator reads them', () => {
	const state = freshState()
	state.inputs[1] = { ...state.inputs[1], signal: 1, width: 1280, height: 720, refreshX10: 599 }
	state.outputs[3] = { ...state.outputs[3], hActive: 3840, vActive: 2160 }
	const v = variableValues(state)
	const ids = variableDefinitions().map((d) => d.variableId)
	assert.deepEqual(Object.keys(v).sort(), [...ids].sort(), 'one value for each definition, no value without one')
	assert.equal(new Set(ids).size, ids.length)
	const expected = {
		link_state: 'synchronised',
		link_port: 'COM1',
		link_baud: 921600,
		current_input: 1,
		current_input_name: 'HDMI-1',
		input_1_signal: '1920 × 1080 @ 60.0 Hz',
		input_2_signal: '1280 × 720 @ 59.9 Hz',
		input_3_signal: 'no signal',
		input_4_name: 'DisplayPort-2',
		layer_1_on: 'on',
		layer_2_on: 'off',
		layer_1_window: '1920 × 1080 at 125,198',
		layer_2_x: 1085,
		layer_2_h: 540,
		output_1_resolution: '1920 × 1080',
		output_4_resolution: '3840 × 2160',
		version_primary: '0102',
		version_secondary: '2026',
		preset_slot_10_name: 'Preset 10',
	}
	for (const [id, value] of Object.entries(expected)) assert.equal(v[id], value, id)
})

test('variables while Corvane is unreachable: the link reads offline, nothing throws', () => {
	const v = variableValues({ link: OFFLINE_LINK })
	assert.equal(v.link_state, 'offline')
	assert.equal(v.current_input, '')
	assert.equal(v.input_1_name, 'HDMI-1')
	assert.equal(v.layer_1_on, '')
	assert.equal(v.preset_slot_1_name, 'Preset 1')
})

test('feedbacks read the state at the moment they are asked', () => {
	let state = freshState()
	const fb = buildFeedbacks(state, () => state)
	const ask = (id, options = {}) => fb[id].callback({ feedbackId: id, options })
	const cases = [
		[{}, [['link_synchronised', {}, true], ['waiting', {}, false], ['transfer', {}, false]]],
		[{ link: { ...freshState().link, waiting: true } }, [['waiting', {}, true]]],
		[{ link: { ...freshState().link, transfer: true } }, [['transfer', {}, true]]],
		[{ link: OFFLINE_LINK }, [['link_synchronised', {}, false]]],
		[{ currentInput: 3 }, [['input_current', { input: 3 }, true], ['input_current', { input: 1 }, false]]],
		[{}, [['layer_on', { layer: 1 }, true], ['layer_on', { layer: 2 }, false], ['layer_on', { layer: 9 }, false]]],
	]
	for (const [patch, checks] of cases) {
		state = { ...freshState(), ...patch }
		for (const [id, options, expected] of checks) assert.equal(ask(id, options), expected, `${id} ${JSON.stringify(options)} with ${JSON.stringify(patch)}`)
	}
	for (const def of Object.values(fb)) assert.equal(def.type, 'boolean')
})

test('presets use existing actions and feedbacks, with options their dropdowns offer', () => {
	const state = freshState()
	const actions = buildActions(state, {})
	const feedbacks = buildFeedbacks(state, () => state)
	const presets = buildPresets('corvane')
	const variableIds = new Set(variableDefinitions().map((d) => d.variableId))

	const checkOptions = (where, def, options) => {
		for (const [key, value] of Object.entries(options)) {
			const field = def.options.find((o) => o.id === key)
			assert.ok(field, `${where}: option ${key} exists`)
			if (field.type === 'dropdown') assert.ok(field.choices.some((c) => c.id === value), `${where}: ${key}=${value} is a choice`)
		}
	}
	const counts = {}
	for (const [id, p] of Object.entries(presets)) {
		counts[p.category] = (counts[p.category] || 0) + 1
		assert.equal(p.type, 'button')
		assert.ok(p.feedbacks.length >= 1, `${id} has its feedback`)
		for (const step of p.steps) {
			for (const a of step.down) {
				assert.ok(actions[a.actionId], `${id}: action ${a.actionId}`)
				checkOptions(id, actions[a.actionId], a.options)
			}
		}
		for (const f of p.feedbacks) {
			assert.ok(feedbacks[f.feedbackId], `${id}: feedback ${f.feedbackId}`)
			checkOptions(id, feedbacks[f.feedbackId], f.options)
		}
		for (const [, label, variable] of p.style.text.matchAll(/\$\(([^:]+):([^)]+)\)/g)) {
			assert.equal(label, 'corvane')
			assert.ok(variableIds.has(variable), `${id}: variable ${variable}`)
		}
	}
	assert.deepEqual(counts, { Inputs: 4, 'Processor presets': 10, 'Preset slots': 10, Layers: 4 })
	assert.deepEqual(presets.input_2.feedbacks[0], { ...presets.input_2.feedbacks[0], feedbackId: 'input_current', options: { input: 2 } })
	assert.deepEqual(presets.layer_3_toggle.steps[0].down[0], { actionId: 'layer_switch', options: { layer: 3, mode: 'toggle' } })
	assert.equal(presets.layer_3_toggle.feedbacks[0].feedbackId, 'layer_on')
})
