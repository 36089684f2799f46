# Drag: a stack of cards. Drag the top card away to the left or right to dismiss it;
# let go near the middle and it springs back. When the stack is empty it deals again.

Screen.backgroundColor = "#20232A"

colors = ["#28AFFA", "#7ED321", "#F5A623", "#BD10E0", "#FF5A5F"]
cardWidth = Math.min(300, Screen.width - 60)
cardHeight = Math.min(400, Screen.height - 160)
cards = []

counter = new Layer
	y: 40
	width: Screen.width
	height: 30
	backgroundColor: "transparent"
	html: ""
	style:
		textAlign: "center"
		fontSize: "17px"
		color: "rgba(255, 255, 255, 0.7)"

showCount = ->
	counter.html = "#{cards.length} cards left"

# Every card behind the top one sits a little lower and smaller.
arrange = (animated) ->
	for card, index in cards
		depth = cards.length - 1 - index
		properties =
			scale: 1 - depth * 0.05
			y: (Screen.height - cardHeight) / 2 + depth * 12
			opacity: if depth > 2 then 0 else 1
		if animated
			card.animate
				properties: properties
				curve: "spring(300, 30, 0)"
		else
			card[key] = value for key, value of properties
	top = cards[cards.length - 1]
	top.draggable.enabled = true if top
	showCount()

makeCard = (color, number) ->
	card = new Layer
		width: cardWidth
		height: cardHeight
		x: (Screen.width - cardWidth) / 2
		borderRadius: 16
		backgroundColor: color
		shadowY: 6
		shadowBlur: 20
		shadowColor: "rgba(0, 0, 0, 0.35)"
		html: "Card #{number}"
		style:
			fontSize: "28px"
			fontWeight: "600"
			color: "#FFFFFF"
			textAlign: "center"
			lineHeight: "#{cardHeight}px"
	card.draggable.enabled = false
	home = card.x

	card.on Events.DragMove, ->
		card.rotation = (card.x - home) / 12

	card.on Events.DragEnd, ->
		offset = card.x - home
		if Math.abs(offset) > cardWidth / 3
			card.draggable.enabled = false
			cards.pop()
			card.animate
				properties:
					x: home + (if offset > 0 then 1 else -1) * Screen.width * 1.5
					rotation: if offset > 0 then 30 else -30
				time: 0.35
				curve: "ease-in"
			Utils.delay 0.4, ->
				card.destroy()
				if cards.length is 0 then deal() else arrange(true)
		else
			card.animate
				properties:
					x: home
					y: (Screen.height - cardHeight) / 2
					rotation: 0
				curve: "spring(400, 25, 0)"
	card

deal = ->
	cards = (makeCard(color, index + 1) for color, index in colors).reverse()
	card.bringToFront() for card in cards
	arrange(false)

deal()
