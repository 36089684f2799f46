# Indents with tabs where lines are indented with runs of four or two spaces.

plugin.run = (code) ->
	width = if /^    \S/m.test(code) then 4 else 2
	code.replace /^( +)/gm, (spaces) ->
		tabs = Math.floor(spaces.length / width)
		Array(tabs + 1).join("\t") + Array(spaces.length - tabs * width + 1).join(" ")
