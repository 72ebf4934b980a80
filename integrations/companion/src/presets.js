'use strict'

// Button presets: the inputs, the processor presets, the slots and the layer toggles, each
// lit by its feedback. Texts name variables of this connection (its label), so names follow.

const { INPUTS, LAYERS, PRESETS, SLOTS, range } = require('./choices')
const { WHITE, BLACK, RED, GREEN, AMBER } = require('./colors')

function button(category, name, text, action, feedback) {
	return {
		type: 'button',
		category,
		name,
		style: { text, size: 'auto', color: WHITE, bgcolor: BLACK },
		steps: [{ down: [action], up: [] }],
		feedbacks: [feedback],
	}
}

function buildPresets(label) {
	const v = (id) => `$(${label}:${id})`
	const presets = {}
	for (const n of range(INPUTS)) {
		presets[`input_${n}`] = button(
			'Inputs',
			`Select input ${n}`,
			v(`input_${n}_name`),
			{ actionId: 'input_select', options: { input: n } },
			{ feedbackId: 'input_current', options: { input: n }, style: { bgcolor: RED, color: WHITE } },
		)
	}
	for (const n of range(PRESETS)) {
		presets[`recall_${n}`] = button(
			'Processor presets',
			`Recall processor preset ${n}`,
			`Recall\n${n}`,
			{ actionId: 'preset_recall', options: { preset: n } },
			{ feedbackId: 'waiting', options: {}, style: { bgcolor: AMBER, color: BLACK } },
		)
	}
	for (const n of range(SLOTS)) {
		presets[`slot_${n}`] = button(
			'Preset slots',
			`Load preset slot ${n}`,
			`Load\n${v(`preset_slot_${n}_name`)}`,
			{ actionId: 'preset_load', options: { slot: n } },
			{ feedbackId: 'waiting', options: {}, style: { bgcolor: AMBER, color: BLACK } },
		)
	}
	for (const n of range(LAYERS)) {
		presets[`layer_${n}_toggle`] = button(
			'Layers',
			`Toggle layer ${n}`,
			`Layer ${n}`,
			{ actionId: 'layer_switch', options: { layer: n, mode: 'toggle' } },
			{ feedbackId: 'layer_on', options: { layer: n }, style: { bgcolor: GREEN, color: WHITE } },
		)
	}
	return presets
}

module.exports = { buildPresets }
