# Scroll: a list that scrolls when dragged up or down, and bounces back at its ends.
# Click a row to mark it.

Screen.backgroundColor = "#FFFFFF"

rowHeight = 64
header = new Layer
	width: Screen.width
	height: 64
	backgroundColor: "#F7F7F8"
	html: "Contacts"
	style:
		textAlign: "center"
		fontSize: "18px"
		fontWeight: "600"
		lineHeight: "64px"
		color: "#1D1D1F"
		borderBottom: "1px solid #E2E2E5"

viewport = new Layer
	y: header.height
	width: Screen.width
	height: Screen.height - header.height
	backgroundColor: "#FFFFFF"
	clip: true

names = ["Ada", "Bram", "Chiara", "Dmitri", "Elif", "Farah", "Goran", "Hana", "Ines", "Jonas",
	"Kemal", "Lea", "Mateo", "Nia", "Oskar", "Priya", "Quentin", "Rosa", "Sven", "Tariq",
	"Uma", "Viktor", "Wen", "Xavi", "Yara", "Zeno"]

content = new Layer
	parent: viewport
	width: Screen.width
	height: names.length * rowHeight
	backgroundColor: "#FFFFFF"

for name, i in names
	row = new Layer
		parent: content
		y: i * rowHeight
		width: Screen.width
		height: rowHeight
		backgroundColor: "#FFFFFF"
		html: name
		style:
			fontSize: "17px"
			lineHeight: "#{rowHeight}px"
			paddingLeft: "72px"
			color: "#1D1D1F"
			borderBottom: "1px solid #EFEFF1"
	new Layer
		parent: row
		x: 16
		y: 12
		width: 40
		height: 40
		borderRadius: 20
		backgroundColor: Utils.randomColor(0.8)
	do (row) ->
		marked = false
		row.on Events.Click, ->
			marked = not marked
			row.animate
				properties:
					backgroundColor: if marked then "#E8F6FF" else "#FFFFFF"
				time: 0.2

# Vertical dragging only; after a drag the list settles inside its bounds.
content.draggable.enabled = true
content.draggable.horizontal = false
lowest = Math.min(0, viewport.height - content.height)

content.on Events.DragEnd, ->
	target = Utils.clamp(content.y, lowest, 0)
	if target isnt content.y
		content.animate
			properties:
				y: target
			curve: "spring(300, 28, 0)"
