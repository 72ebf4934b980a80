'use strict'

// The actions: each one POSTs one of Corvane's commands. Built from the state (the names in the
// dropdowns) and an api: { getState(), send(path, body), sync() }.

const { COLOR_TEMPS, inputChoices, layerChoices, outputChoices, presetChoices, slotChoices } = require('./choices')

const WINDOW_MAX = 59999
const PICTURE_GAINS = [
	['brightness', 'Brightness'],
	['contrast', 'Contrast'],
	['red', 'Red gain (user colour temperature)'],
	['green', 'Green gain (user colour temperature)'],
	['blue', 'Blue gain (user colour temperature)'],
]

const int = (v) => {
	const n = Number(v)
	if (!Number.isInteger(n)) throw new Error(`${JSON.stringify(v)} is no whole number`)
	return n
}

// The body of POST /api/picture: only the values the action's options ask to set.
function pictureBody(options) {
	const body = { output: int(options.output) }
	for (const [key] of PICTURE_GAINS) {
		if (options[`${key}_set`]) body[key] = int(options[key])
	}
	if (options.gamma_mode === 'off') body.gamma = 'off'
	else if (options.gamma_mode === 'value') body.gamma = Math.round(Number(options.gamma) * 10) / 10
	if (options.colorTemp && options.colorTemp !== 'keep') body.colorTemp = String(options.colorTemp)
	return body
}

function layerNow(state, n) {
	const layer = state && Array.isArray(state.layers) ? state.layers.find((l) => l && l.layer === n) : undefined
	return layer
}

function buildActions(state, api) {
	const inputs = inputChoices(state)
	const layers = layerChoices()
	const dropdown = (id, label, choices) => ({ id, type: 'dropdown', label, choices, default: choices[0].id })
	const number = (id, label, min, max, def) => ({ id, type: 'number', label, min, max, default: def, step: 1 })
	const shown = (flag) => `$(options:${flag})`

	return {
		input_select: {
			name: 'Select input',
			options: [dropdown('input', 'Input', inputs)],
			callback: async (a) => api.send('/api/input', { input: int(a.options.input) }),
		},
		preset_recall: {
			name: 'Recall processor preset',
			description: 'Recalls a preset stored in the processor (1..10)',
			options: [dropdown('preset', 'Preset', presetChoices())],
			callback: async (a) => api.send('/api/preset/recall', { preset: int(a.options.preset) }),
		},
		preset_load: {
			name: 'Load preset slot',
			description: "Sends the preset file of one of Corvane's slots to the processor",
			options: [dropdown('slot', 'Slot', slotChoices(state))],
			callback: async (a) => api.send('/api/preset/load', { slot: int(a.options.slot) }),
		},
		layer_switch: {
			name: 'Layer on / off / toggle',
			options: [
				dropdown('layer', 'Layer', layers),
				dropdown('mode', 'Switch', [
					{ id: 'toggle', label: 'Toggle' },
					{ id: 'on', label: 'On' },
					{ id: 'off', label: 'Off' },
				]),
			],
			callback: async (a) => {
				const n = int(a.options.layer)
				let on
				if (a.options.mode === 'on') on = true
				else if (a.options.mode === 'off') on = false
				else {
					const layer = layerNow(api.getState(), n)
					if (!layer || typeof layer.on !== 'boolean') throw new Error(`layer ${n}: its state is not known yet`)
					on = !layer.on
				}
				return api.send('/api/layer', { layer: n, on })
			},
		},
		layer_window: {
			name: 'Layer window',
			description: 'Places a layer on the canvas (x + w and y + h at most 59999)',
			options: [
				dropdown('layer', 'Layer', layers),
				number('x', 'X', 0, WINDOW_MAX, 0),
				number('y', 'Y', 0, WINDOW_MAX, 0),
				number('w', 'Width', 32, WINDOW_MAX, 1920),
				number('h', 'Height', 32, WINDOW_MAX, 1080),
			],
			callback: async (a) => {
				const o = a.options
				return api.send('/api/layer', { layer: int(o.layer), x: int(o.x), y: int(o.y), w: int(o.w), h: int(o.h) })
			},
		},
		picture: {
			name: 'Picture values of an output',
			description: 'Sets only the values ticked here',
			options: [
				dropdown('output', 'Output', outputChoices()),
				...PICTURE_GAINS.flatMap(([key, label]) => [
					{ id: `${key}_set`, type: 'checkbox', label: `Set ${label.toLowerCase()}`, default: false },
					{ ...number(key, label, 0, 255, 128), isVisibleExpression: shown(`${key}_set`) },
				]),
				dropdown('gamma_mode', 'Gamma', [
					{ id: 'keep', label: 'Leave as it is' },
					{ id: 'value', label: 'Set a value' },
					{ id: 'off', label: 'Off' },
				]),
				{
					id: 'gamma',
					type: 'number',
					label: 'Gamma value (0.5..5.0)',
					min: 0.5,
					max: 5,
					step: 0.1,
					default: 2.2,
					isVisibleExpression: `$(options:gamma_mode) == 'value'`,
				},
				dropdown('colorTemp', 'Colour temperature', [
					{ id: 'keep', label: 'Leave as it is' },
					...COLOR_TEMPS.map((t) => ({ id: t, label: t })),
				]),
			],
			callback: async (a) => {
				const body = pictureBody(a.options)
				if (Object.keys(body).length === 1) throw new Error('picture: no value is ticked, nothing was sent')
				return api.send('/api/picture', body)
			},
		},
		sync: {
			name: 'Read the state again',
			description: 'Asks the processor for its whole state, then reads Corvane’s',
			options: [],
			callback: async () => api.sync(),
		},
	}
}

module.exports = { buildActions, pictureBody }
