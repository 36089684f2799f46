# The image "{{{imageName}}}", at its own size
image{{snippetCounter}} = new Layer
	width: {{{width}}}
	height: {{{height}}}
	image: "images/{{#imagePath}}{{{imagePath}}}{{/imagePath}}{{^imagePath}}{{{imageName}}}{{/imagePath}}"
