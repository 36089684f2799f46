# Adds a layer that reacts to clicks and taps.
# A plugin: plugin.run gets the whole program and answers the new one.

freeName = (code, base) ->
	n = 1
	n++ while new RegExp("\\b" + base + n + "\\b").test(code)
	base + n

plugin.run = (code) ->
	name = freeName(code, "button")
	snippet = [
		name + ' = new Layer'
		'\twidth: 240'
		'\theight: 64'
		'\tborderRadius: 32'
		'\tbackgroundColor: "#877DD7"'
		name + '.center()'
		''
		name + '.on Events.Click, ->'
		'\t' + name + '.backgroundColor = Utils.randomColor()'
		''
		name + '.on Events.MouseOver, ->'
		'\t' + name + '.opacity = 0.8'
		''
		name + '.on Events.MouseOut, ->'
		'\t' + name + '.opacity = 1'
	].join("\n")
	code.replace(/\s*$/, "") + "\n\n" + snippet + "\n"
