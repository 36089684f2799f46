# Removes the spaces and tabs at the ends of lines.
# Your own plugins go beside this file: plugin.run gets the whole program and answers the new one.

plugin.run = (code) ->
	code.replace(/[ \t]+$/gm, "")
