# Adds a new layer in the middle of the screen.
# A plugin: plugin.run gets the whole program and answers the new one.

freeName = (code, base) ->
	n = 1
	n++ while new RegExp("\\b" + base + n + "\\b").test(code)
	base + n

plugin.run = (code) ->
	name = freeName(code, "layer")
	snippet = [
		name + ' = new Layer'
		'\twidth: 200'
		'\theight: 200'
		'\tbackgroundColor: "#28AFFA"'
		'\tborderRadius: 12'
		name + '.center()'
	].join("\n")
	code.replace(/\s*$/, "") + "\n\n" + snippet + "\n"
