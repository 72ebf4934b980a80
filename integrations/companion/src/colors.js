'use strict'

// Colours as Companion takes them (0xRRGGBB numbers), without depending on the host library.
const rgb = (r, g, b) => ((r & 0xff) << 16) | ((g & 0xff) << 8) | (b & 0xff)

module.exports = {
	rgb,
	BLACK: rgb(0, 0, 0),
	WHITE: rgb(255, 255, 255),
	RED: rgb(200, 0, 0),
	GREEN: rgb(0, 153, 51),
	AMBER: rgb(230, 150, 0),
	ORANGE: rgb(220, 90, 0),
}
