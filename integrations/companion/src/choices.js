'use strict'

// Dropdown choices, named from Corvane's state where it names things (inputs, preset slots).

const INPUT_NAMES = ['HDMI-1', 'HDMI-2', 'DisplayPort-1', 'DisplayPort-2']
const OUTPUT_NAMES = ['DVI-1', 'DVI-2', 'DVI-3', 'DVI-4']
const COLOR_TEMPS = ['4000K', '5000K', '6500K', '7500K', '8200K', '9300K', '10000K', '11500K', 'user']
const INPUTS = 4
const LAYERS = 4
const OUTPUTS = 4
const PRESETS = 10
const SLOTS = 10

const range = (n) => Array.from({ length: n }, (_, i) => i + 1)

function inputName(state, n) {
	const found = state && Array.isArray(state.inputs) ? state.inputs.find((i) => i && i.input === n) : undefined
	return found && typeof found.name === 'string' && found.name ? found.name : INPUT_NAMES[n - 1]
}

function slotName(state, n) {
	const found = state && Array.isArray(state.presets) ? state.presets.find((p) => p && p.slot === n) : undefined
	return found && typeof found.name === 'string' && found.name ? found.name : `Preset ${n}`
}

const inputChoices = (state) => range(INPUTS).map((n) => ({ id: n, label: `${n}: ${inputName(state, n)}` }))
const layerChoices = () => range(LAYERS).map((n) => ({ id: n, label: `Layer ${n}` }))
const outputChoices = () => range(OUTPUTS).map((n) => ({ id: n, label: `${n}: ${OUTPUT_NAMES[n - 1]}` }))
const presetChoices = () => range(PRESETS).map((n) => ({ id: n, label: `Processor preset ${n}` }))
const slotChoices = (state) => range(SLOTS).map((n) => ({ id: n, label: `${n}: ${slotName(state, n)}` }))

// What the definitions' labels depend on: when it changes, the definitions are sent again.
function namesKey(state) {
	return JSON.stringify([range(INPUTS).map((n) => inputName(state, n)), range(SLOTS).map((n) => slotName(state, n))])
}

module.exports = {
	INPUTS,
	LAYERS,
	OUTPUTS,
	PRESETS,
	SLOTS,
	COLOR_TEMPS,
	range,
	inputName,
	slotName,
	inputChoices,
	layerChoices,
	outputChoices,
	presetChoices,
	slotChoices,
	namesKey,
}
