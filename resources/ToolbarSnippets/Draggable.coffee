# Adds a layer that can be dragged around.
# A plugin: plugin.run gets the whole program and answers the new one.

freeName = (code, base) ->
	n = 1
	n++ while new RegExp("\\b" + base + n + "\\b").test(code)
	base + n

plugin.run = (code) ->
	name = freeName(code, "draggable")
	snippet = [
		name + ' = new Layer'
		'\twidth: 140'
		'\theight: 140'
		'\tborderRadius: 70'
		'\tbackgroundColor: "#F95FAA"'
		name + '.center()'
		name + '.draggable.enabled = true'
		''
		name + '.on Events.DragEnd, ->'
		'\t' + name + '.animate'
		'\t\tproperties:'
		'\t\t\tx: (Screen.width - ' + name + '.width) / 2'
		'\t\t\ty: (Screen.height - ' + name + '.height) / 2'
		'\t\tcurve: "ease-out"'
		'\t\ttime: 0.3'
	].join("\n")
	code.replace(/\s*$/, "") + "\n\n" + snippet + "\n"
