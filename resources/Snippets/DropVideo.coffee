# The video "{{{videoName}}}", playing in a loop
video{{snippetCounter}} = new Layer
	width: {{{width}}}
	height: {{{height}}}
	backgroundColor: "black"
	html: "<video src=\"images/{{{videoName}}}\" width=\"{{{width}}}\" height=\"{{{height}}}\" autoplay loop muted playsinline></video>"
