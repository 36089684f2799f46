# The video "{{{videoName}}}", playing in a loop
video{{snippetCounter}} = new Layer
	width: {{{width}}}
	height: {{{height}}}
	backgroundColor: "black"
	html: "<video src=\"images/{{#videoPath}}{{{videoPath}}}{{/videoPath}}{{^videoPath}}{{{videoName}}}{{/videoPath}}\" width=\"{{{width}}}\" height=\"{{{height}}}\" autoplay loop muted playsinline></video>"
