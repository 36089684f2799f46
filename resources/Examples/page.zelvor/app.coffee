# Page: three screens switched with states, and the devices they are shown on.
# Click "Next" to move on; on each page, "Show on this device" puts the prototype in that
# device's frame (when the preview shows a device).

Screen.backgroundColor = "#101014"

pages = [
	{title: "Phone", text: "Pocket-sized: one hand, one thumb.", color: "#28AFFA", device: "google-nexus-5x"}
	{title: "Tablet", text: "Room for two panes side by side.", color: "#7ED321", device: "apple-ipad-air-2-silver"}
	{title: "Watch", text: "A glance, a tap, and done.", color: "#F5A623", device: "apple-watch-42mm-sport-aluminum-blue-closed"}
]

strip = new Layer
	width: Screen.width * pages.length
	height: Screen.height
	backgroundColor: "transparent"

for info, i in pages
	card = new Layer
		parent: strip
		x: i * Screen.width
		width: Screen.width
		height: Screen.height
		backgroundColor: info.color
	new Layer
		parent: card
		y: Screen.height * 0.3
		width: Screen.width
		height: 60
		backgroundColor: "transparent"
		html: info.title
		style:
			textAlign: "center"
			fontSize: "44px"
			fontWeight: "700"
			color: "#FFFFFF"
	new Layer
		parent: card
		y: Screen.height * 0.3 + 70
		width: Screen.width
		height: 30
		backgroundColor: "transparent"
		html: info.text
		style:
			textAlign: "center"
			fontSize: "17px"
			color: "rgba(255, 255, 255, 0.85)"
	deviceButton = new Layer
		parent: card
		x: (Screen.width - 200) / 2
		y: Screen.height * 0.3 + 130
		width: 200
		height: 40
		borderRadius: 20
		backgroundColor: "rgba(255, 255, 255, 0.25)"
		html: "Show on this device"
		style:
			textAlign: "center"
			fontSize: "15px"
			lineHeight: "40px"
			color: "#FFFFFF"
	do (info) ->
		deviceButton.on Events.Click, ->
			device = Zelvor.Device
			if device and not device.fullScreen and Zelvor.DeviceView.Devices[info.device]
				device.deviceType = info.device

# One state per page: the strip moves so that page fills the screen.
for info, i in pages
	strip.states.add "page#{i}", {x: -i * Screen.width}
strip.states.animationOptions =
	curve: "spring(220, 26, 0)"

dots = for info, i in pages
	new Layer
		x: Screen.width / 2 - 30 + i * 24
		y: Screen.height - 40
		width: 12
		height: 12
		borderRadius: 6
		backgroundColor: "#FFFFFF"
		opacity: if i is 0 then 1 else 0.4

current = 0
strip.states.switchInstant "page0"

next = new Layer
	x: Screen.width - 100
	y: 24
	width: 80
	height: 36
	borderRadius: 18
	backgroundColor: "rgba(0, 0, 0, 0.3)"
	html: "Next"
	style:
		textAlign: "center"
		fontSize: "15px"
		lineHeight: "36px"
		color: "#FFFFFF"

next.on Events.Click, ->
	current = (current + 1) % pages.length
	strip.states.switch "page#{current}"
	for dot, i in dots
		dot.animate
			properties:
				opacity: if i is current then 1 else 0.4
			time: 0.2
