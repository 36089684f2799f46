# Adds a layer with two states that it switches between when clicked.
# A plugin: plugin.run gets the whole program and answers the new one.

freeName = (code, base) ->
	n = 1
	n++ while new RegExp("\\b" + base + n + "\\b").test(code)
	base + n

plugin.run = (code) ->
	name = freeName(code, "card")
	snippet = [
		name + ' = new Layer'
		'\twidth: 200'
		'\theight: 120'
		'\tborderRadius: 8'
		'\tbackgroundColor: "#FFC22C"'
		name + '.center()'
		''
		name + '.states.add "open",'
		'\theight: 320'
		'\tborderRadius: 16'
		''
		name + '.states.animationOptions ='
		'\tcurve: "ease-out"'
		'\ttime: 0.3'
		''
		name + '.on Events.Click, ->'
		'\t' + name + '.states.next()'
	].join("\n")
	code.replace(/\s*$/, "") + "\n\n" + snippet + "\n"
