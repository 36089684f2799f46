# Adds a layer that animates when it is clicked.
# A plugin: plugin.run gets the whole program and answers the new one.

freeName = (code, base) ->
	n = 1
	n++ while new RegExp("\\b" + base + n + "\\b").test(code)
	base + n

plugin.run = (code) ->
	name = freeName(code, "animated")
	snippet = [
		name + ' = new Layer'
		'\twidth: 160'
		'\theight: 160'
		'\tbackgroundColor: "#7DDD11"'
		name + '.center()'
		''
		name + '.on Events.Click, ->'
		'\t' + name + '.animate'
		'\t\tproperties:'
		'\t\t\tscale: if ' + name + '.scale is 1 then 1.4 else 1'
		'\t\t\trotation: ' + name + '.rotation + 90'
		'\t\tcurve: "ease-in-out"'
		'\t\ttime: 0.4'
	].join("\n")
	code.replace(/\s*$/, "") + "\n\n" + snippet + "\n"
