'use strict'

// Boolean feedbacks, read from the state at the moment Companion asks (getState()).

const { inputChoices, layerChoices } = require('./choices')
const { WHITE, RED, GREEN, AMBER, ORANGE, BLACK } = require('./colors')

// Which feedbacks an update of the state may change.
const FEEDBACKS_OF = {
	link: ['link_synchronised', 'waiting', 'transfer'],
	offline: ['link_synchronised', 'waiting', 'transfer'],
	input: ['input_current'],
	layer: ['layer_on'],
}
const ALL_FEEDBACKS = ['link_synchronised', 'input_current', 'layer_on', 'waiting', 'transfer']

function feedbacksFor(kind) {
	if (kind === 'hello' || kind === 'state') return ALL_FEEDBACKS
	return FEEDBACKS_OF[kind] || []
}

function buildFeedbacks(state, getState) {
	const link = () => getState().link || {}
	const dropdown = (id, label, choices) => ({ id, type: 'dropdown', label, choices, default: choices[0].id })
	return {
		link_synchronised: {
			type: 'boolean',
			name: 'Processor synchronised',
			description: 'Corvane is reachable and holds a synchronised link to the processor',
			defaultStyle: { bgcolor: GREEN, color: WHITE },
			options: [],
			callback: () => link().synchronised === true,
		},
		input_current: {
			type: 'boolean',
			name: 'Input is the current one',
			defaultStyle: { bgcolor: RED, color: WHITE },
			options: [dropdown('input', 'Input', inputChoices(state))],
			callback: (fb) => getState().currentInput === Number(fb.options.input),
		},
		layer_on: {
			type: 'boolean',
			name: 'Layer is on',
			defaultStyle: { bgcolor: GREEN, color: WHITE },
			options: [dropdown('layer', 'Layer', layerChoices())],
			callback: (fb) => {
				const layers = getState().layers
				const layer = Array.isArray(layers) ? layers.find((l) => l && l.layer === Number(fb.options.layer)) : null
				return !!(layer && layer.on === true)
			},
		},
		waiting: {
			type: 'boolean',
			name: 'A wait is shown',
			description: 'Corvane shows its wait (a preset is being applied, the state is being loaded)',
			defaultStyle: { bgcolor: AMBER, color: BLACK },
			options: [],
			callback: () => link().waiting === true,
		},
		transfer: {
			type: 'boolean',
			name: 'Firmware transfer running',
			description: 'A firmware transfer or read-back owns the serial line: every command is refused',
			defaultStyle: { bgcolor: ORANGE, color: WHITE },
			options: [],
			callback: () => link().transfer === true,
		},
	}
}

module.exports = { buildFeedbacks, feedbacksFor, ALL_FEEDBACKS }
