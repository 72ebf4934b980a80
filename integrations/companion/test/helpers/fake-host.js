'use strict'

// The Companion adapter with the host's side replaced by recorders: what Companion would be told
// (status, variables, feedback checks, definitions, log lines), and a way to run an action or ask
// a feedback as Companion does.

const { CorvaneInstance } = require('../../src/instance')

function fakeHost() {
	const inst = Object.create(CorvaneInstance.prototype)
	const host = { statuses: [], values: {}, checks: [], logs: [], actionDefs: [], feedbackDefs: [], presetDefs: [] }
	Object.defineProperty(inst, 'label', { value: 'corvane' })
	inst.updateStatus = (status, message) => host.statuses.push([status, message])
	inst.log = (level, message) => host.logs.push([level, message])
	inst.setVariableDefinitions = (defs) => (host.variableDefs = defs)
	inst.setVariableValues = (values) => Object.assign(host.values, values)
	inst.checkFeedbacks = (...ids) => host.checks.push(...ids)
	inst.setActionDefinitions = (defs) => host.actionDefs.push(defs)
	inst.setFeedbackDefinitions = (defs) => host.feedbackDefs.push(defs)
	inst.setPresetDefinitions = (defs) => host.presetDefs.push(defs)
	host.status = () => host.statuses.at(-1) || []
	host.action = (actionId, options) => host.actionDefs.at(-1)[actionId].callback({ actionId, options }, {})
	host.feedback = (feedbackId, options = {}) => host.feedbackDefs.at(-1)[feedbackId].callback({ feedbackId, options })
	return { inst, host }
}

module.exports = { fakeHost }
