'use strict'

// The Companion side of the module: a thin adapter that hands Corvane's state, as the client
// keeps it, to the definition builders and Companion's status, variables and feedbacks.

const { InstanceBase, InstanceStatus } = require('@companion-module/base')
const { CorvaneClient, CorvaneError, Status } = require('./client')
const { buildActions } = require('./actions')
const { buildFeedbacks, feedbacksFor } = require('./feedbacks')
const { variableDefinitions, variableValues } = require('./variables')
const { buildPresets } = require('./presets')
const { namesKey } = require('./choices')

const STATUS = {
	[Status.Ok]: InstanceStatus.Ok,
	[Status.Connecting]: InstanceStatus.Connecting,
	[Status.ConnectionFailure]: InstanceStatus.ConnectionFailure,
	[Status.BadConfig]: InstanceStatus.BadConfig,
	[Status.AuthenticationFailure]: InstanceStatus.AuthenticationFailure,
	[Status.Warning]: InstanceStatus.UnknownWarning,
}

class CorvaneInstance extends InstanceBase {
	async init(config, _isFirstInit, secrets) {
		this.setVariableDefinitions(variableDefinitions())
		this.startClient(config, secrets)
	}

	async configUpdated(config, secrets) {
		this.stopClient()
		this.startClient(config, secrets)
	}

	async destroy() {
		this.stopClient()
	}

	getConfigFields() {
		return [
			{
				type: 'static-text',
				id: 'info',
				width: 12,
				label: 'Corvane',
				value:
					"Switch Corvane's control interface on in its Config.ini ([Control] Enabled=1). Give Corvane's IP " +
					'address: it refuses requests that name it by a host name.',
			},
			{ type: 'textinput', id: 'host', label: 'IP address', width: 8, default: '127.0.0.1' },
			{ type: 'number', id: 'port', label: 'Port', width: 4, default: 8642, min: 1, max: 65535 },
			{
				type: 'secret-text',
				id: 'token',
				label: 'Token',
				width: 12,
				default: '',
				description: 'The Token= of Corvane\'s [Control] section; leave empty when Corvane has none (loopback only)',
			},
		]
	}

	startClient(config, secrets) {
		const client = new CorvaneClient({
			host: config && config.host,
			port: config && config.port,
			token: (secrets && secrets.token) || '',
		})
		this.client = client
		this.namesKey = null
		this.lastValues = {}
		client.on('status', (status, message) => this.updateStatus(STATUS[status] ?? InstanceStatus.UnknownError, message))
		client.on('log', (level, message) => this.log(level, message))
		client.on('update', (kind, state) => this.onUpdate(kind, state))
		this.defineAll(client.snapshot())
		this.onUpdate('state', client.snapshot())
		client.start()
	}

	stopClient() {
		if (this.client) {
			this.client.removeAllListeners()
			this.client.stop()
			this.client = null
		}
	}

	// The api the actions use: every refusal becomes a log line with Corvane's own words.
	api() {
		const client = this.client
		const logged = async (what, run) => {
			try {
				return await run()
			} catch (e) {
				const text = e instanceof CorvaneError ? e.message : `${what}: ${e.message}`
				this.log(e instanceof CorvaneError && e.status >= 500 ? 'error' : 'warn', text)
				throw e
			}
		}
		return {
			getState: () => client.snapshot(),
			send: (path, body) => logged(`POST ${path}`, () => client.command(path, body)),
			sync: () => logged('sync', () => client.sync()),
		}
	}

	defineAll(state) {
		this.namesKey = namesKey(state)
		this.setActionDefinitions(buildActions(state, this.api()))
		const client = this.client
		this.setFeedbackDefinitions(buildFeedbacks(state, () => client.snapshot()))
		this.setPresetDefinitions(buildPresets(this.label))
	}

	onUpdate(kind, state) {
		if (namesKey(state) !== this.namesKey) this.defineAll(state)
		const values = variableValues(state)
		const changed = {}
		for (const [id, value] of Object.entries(values)) {
			if (this.lastValues[id] !== value) changed[id] = value
		}
		this.lastValues = values
		if (Object.keys(changed).length) this.setVariableValues(changed)
		const feedbacks = feedbacksFor(kind)
		if (feedbacks.length) this.checkFeedbacks(...feedbacks)
	}
}

module.exports = { CorvaneInstance, STATUS }
