# A new prototype. Edit the code: the preview follows every change.

card = new Layer
	width: 200
	height: 200
	backgroundColor: "#28AFFA"
	borderRadius: 24

card.center()

card.on Events.Click, ->
	card.animate
		properties:
			rotation: card.rotation + 90
		curve: "ease-in-out"
		time: 0.4
