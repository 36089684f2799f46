# Animate: a menu that slides in, its items following one after another.
# Click the round button to open the menu; click it again, or the dimmed page, to close it.

Screen.backgroundColor = "#F4F4F6"

menuWidth = Math.min(280, Screen.width - 60)

page = new Layer
	width: Screen.width
	height: Screen.height
	backgroundColor: "#FFFFFF"

title = new Layer
	parent: page
	x: 80
	y: 28
	width: Screen.width - 100
	height: 40
	backgroundColor: "transparent"
	html: "Inbox"
	style:
		fontSize: "26px"
		fontWeight: "600"
		color: "#1D1D1F"
		lineHeight: "40px"

for i in [0...5]
	new Layer
		parent: page
		x: 20
		y: 96 + i * 84
		width: Screen.width - 40
		height: 68
		borderRadius: 10
		backgroundColor: "#EEF1F5"

shade = new Layer
	width: Screen.width
	height: Screen.height
	backgroundColor: "rgba(0, 0, 0, 0.4)"
	opacity: 0
	visible: false

menu = new Layer
	width: menuWidth
	height: Screen.height
	x: -menuWidth
	backgroundColor: "#1D1D1F"

labels = ["Inbox", "Starred", "Sent", "Drafts", "Settings"]
items = for label, i in labels
	new Layer
		parent: menu
		x: 24
		y: 96 + i * 56
		width: menuWidth - 48
		height: 44
		opacity: 0
		backgroundColor: "transparent"
		html: label
		style:
			fontSize: "20px"
			color: "#FFFFFF"
			lineHeight: "44px"

button = new Layer
	x: 20
	y: 24
	width: 48
	height: 48
	borderRadius: 24
	backgroundColor: "#28AFFA"
	shadowY: 2
	shadowBlur: 8
	shadowColor: "rgba(0, 0, 0, 0.25)"

bars = for i in [0...3]
	new Layer
		parent: button
		x: 14
		y: 16 + i * 7
		width: 20
		height: 2
		borderRadius: 1
		backgroundColor: "#FFFFFF"

open = false

setMenu = (show) ->
	open = show
	shade.visible = true
	menu.animate
		properties:
			x: if show then 0 else -menuWidth
		curve: "spring(260, 24, 0)"
	shade.animate
		properties:
			opacity: if show then 1 else 0
		time: 0.25
	button.animate
		properties:
			rotation: if show then 90 else 0
			backgroundColor: if show then "#FF5A5F" else "#28AFFA"
		time: 0.3
	for item, i in items
		item.x = if show then 60 else 24
		item.animate
			properties:
				opacity: if show then 1 else 0
				x: 24
			time: 0.3
			delay: if show then 0.1 + i * 0.05 else 0
	Utils.delay 0.3, ->
		shade.visible = open

button.on Events.Click, ->
	setMenu not open

shade.on Events.Click, ->
	setMenu false

button.bringToFront()
