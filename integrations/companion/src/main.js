'use strict'

// Entry point Companion starts: registers the instance class (no upgrade scripts yet).
const { runEntrypoint } = require('@companion-module/base')
const { CorvaneInstance } = require('./instance')

runEntrypoint(CorvaneInstance, [])
