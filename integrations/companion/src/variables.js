'use strict'

// Variables: their definitions (fixed: Corvane always has 4 inputs, layers and outputs and 10
// slots) and their values, a pure function of the state.

const { INPUTS, LAYERS, OUTPUTS, SLOTS, range, inputName, slotName } = require('./choices')

function variableDefinitions() {
	const defs = [
		{ variableId: 'link_state', name: 'Link state (closed, open, synchronised; offline: Corvane unreachable)' },
		{ variableId: 'link_port', name: 'Link: serial port' },
		{ variableId: 'link_baud', name: 'Link: baud rate' },
		{ variableId: 'current_input', name: 'Current input (number)' },
		{ variableId: 'current_input_name', name: 'Current input (name)' },
	]
	for (const n of range(INPUTS)) {
		defs.push({ variableId: `input_${n}_name`, name: `Input ${n}: name` })
		defs.push({ variableId: `input_${n}_signal`, name: `Input ${n}: signal (w × h @ rate, or "no signal")` })
	}
	for (const n of range(LAYERS)) {
		defs.push({ variableId: `layer_${n}_on`, name: `Layer ${n}: on or off` })
		defs.push({ variableId: `layer_${n}_window`, name: `Layer ${n}: window (w × h at x,y)` })
		for (const k of ['x', 'y', 'w', 'h']) defs.push({ variableId: `layer_${n}_${k}`, name: `Layer ${n}: window ${k}` })
	}
	for (const n of range(OUTPUTS)) {
		defs.push({ variableId: `output_${n}_resolution`, name: `Output ${n}: resolution (hActive × vActive)` })
	}
	defs.push({ variableId: 'version_primary', name: 'Firmware version (primary)' })
	defs.push({ variableId: 'version_secondary', name: 'Firmware version (secondary)' })
	for (const n of range(SLOTS)) defs.push({ variableId: `preset_slot_${n}_name`, name: `Preset slot ${n}: name` })
	return defs
}

function signalText(input) {
	if (!input || !input.signal) return 'no signal'
	const rate = typeof input.refreshX10 === 'number' ? `${(input.refreshX10 / 10).toFixed(1)} Hz` : '?'
	return `${input.width} × ${input.height} @ ${rate}`
}

const byNumber = (list, key, n) => (Array.isArray(list) ? list.find((item) => item && item[key] === n) : undefined)
const text = (v) => (v === undefined || v === null ? '' : v)

function variableValues(state) {
	const s = state || {}
	const link = s.link || {}
	const v = {
		link_state: text(link.state),
		link_port: text(link.port),
		link_baud: text(link.baud),
		current_input: text(s.currentInput),
		current_input_name: typeof s.currentInput === 'number' ? inputName(s, s.currentInput) : '',
	}
	for (const n of range(INPUTS)) {
		v[`input_${n}_name`] = inputName(s, n)
		const input = byNumber(s.inputs, 'input', n)
		v[`input_${n}_signal`] = input ? signalText(input) : ''
	}
	for (const n of range(LAYERS)) {
		const layer = byNumber(s.layers, 'layer', n)
		const w = layer && layer.window
		v[`layer_${n}_on`] = layer ? (layer.on ? 'on' : 'off') : ''
		v[`layer_${n}_window`] = w ? `${w.w} × ${w.h} at ${w.x},${w.y}` : ''
		for (const k of ['x', 'y', 'w', 'h']) v[`layer_${n}_${k}`] = w ? text(w[k]) : ''
	}
	for (const n of range(OUTPUTS)) {
		const out = byNumber(s.outputs, 'output', n)
		v[`output_${n}_resolution`] = out ? `${out.hActive} × ${out.vActive}` : ''
	}
	v.version_primary = text(s.versions && s.versions.primary)
	v.version_secondary = text(s.versions && s.versions.secondary)
	for (const n of range(SLOTS)) v[`preset_slot_${n}_name`] = slotName(s, n)
	return v
}

module.exports = { variableDefinitions, variableValues, signalText }
