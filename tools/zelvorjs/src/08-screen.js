// The device's screen: the root of all layers. Its size is the device's screen in content
// pixels (the whole window without a device).
var Screen = Object.create(EventEmitter.prototype);
Object.defineProperty(Screen, 'width', {get: function () { return Zelvor.Device ? Zelvor.Device.contentWidth() : window.innerWidth; }});
Object.defineProperty(Screen, 'height', {get: function () { return Zelvor.Device ? Zelvor.Device.contentHeight() : window.innerHeight; }});
Object.defineProperty(Screen, 'size', {get: function () { return {width: Screen.width, height: Screen.height}; }});
Object.defineProperty(Screen, 'frame', {get: function () { return {x: 0, y: 0, width: Screen.width, height: Screen.height}; }});
Object.defineProperty(Screen, 'midX', {get: function () { return Screen.width / 2; }});
Object.defineProperty(Screen, 'midY', {get: function () { return Screen.height / 2; }});
Object.defineProperty(Screen, 'backgroundColor', {
  get: function () { return new Color(Screen._backgroundColor || 'white'); },
  set: function (c) {
    Screen._backgroundColor = new Color(c);
    if (Zelvor.Device && Zelvor.Device.contentElement) Zelvor.Device.contentElement.style.backgroundColor = Screen._backgroundColor.toString();
  }
});
Object.defineProperty(Screen, 'perspective', {
  get: function () { return Screen._perspective || 0; },
  set: function (p) {
    Screen._perspective = +p || 0;
    if (Zelvor.Device && Zelvor.Device.contentElement) Zelvor.Device.contentElement.style.perspective = Screen._perspective ? Screen._perspective + 'px' : 'none';
  }
});
Screen.toInspect = function () { return '<Screen ' + Screen.width + 'x' + Screen.height + '>'; };
runtime.onReset(function () {
  Screen.removeAllListeners();
  Screen.backgroundColor = 'white';
  Screen.perspective = 0;
});

// The whole window around the device.
var Canvas = Object.create(EventEmitter.prototype);
Object.defineProperty(Canvas, 'width', {get: function () { return window.innerWidth; }});
Object.defineProperty(Canvas, 'height', {get: function () { return window.innerHeight; }});
Object.defineProperty(Canvas, 'size', {get: function () { return {width: Canvas.width, height: Canvas.height}; }});
Object.defineProperty(Canvas, 'frame', {get: function () { return {x: 0, y: 0, width: Canvas.width, height: Canvas.height}; }});
Object.defineProperty(Canvas, 'backgroundColor', {
  get: function () { return new Color(Canvas._backgroundColor || Zelvor.DeviceView.backgroundColor); },
  set: function (c) {
    Canvas._backgroundColor = c === null ? null : new Color(c);
    if (Zelvor.Device && Zelvor.Device.backgroundElement) {
      Zelvor.Device.backgroundElement.style.backgroundColor = Canvas.backgroundColor.toString();
    }
  }
});
Canvas.toInspect = function () { return '<Canvas ' + Canvas.width + 'x' + Canvas.height + '>'; };
Canvas._didAddListener = function (name) {
  if (Canvas._bound && Canvas._bound[name]) return;
  Canvas._bound = Canvas._bound || {};
  var handler = function (event) { Canvas.emit(name, event); };
  Canvas._bound[name] = handler;
  var dom = domEventFor[name] || name;
  runtime.listen(name === 'resize' ? window : document, dom, handler);
};
runtime.onReset(function () {
  Canvas.removeAllListeners();
  Canvas._bound = {};
  Canvas.backgroundColor = null;
});
