# This project had no app.coffee, so this one was made for it.
# Write your prototype here: the preview follows every change.

layer = new Layer
	width: 160
	height: 160
	backgroundColor: "#7DDD11"
	borderRadius: 16

layer.center()
