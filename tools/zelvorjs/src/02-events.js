// Event names of layers, animations, states and drags. The DOM names are what the browser fires.
var Events = {
  Click: 'click',
  TouchStart: 'touchstart',
  TouchEnd: 'touchend',
  TouchMove: 'touchmove',
  MouseOver: 'mouseover',
  MouseOut: 'mouseout',
  MouseMove: 'mousemove',
  AnimationStart: 'start',
  AnimationStop: 'stop',
  AnimationEnd: 'end',
  DragStart: 'dragstart',
  DragMove: 'dragmove',
  DragEnd: 'dragend',
  StateWillSwitch: 'stateswillswitch',
  StateDidSwitch: 'statesdidswitch',
  ImageLoaded: 'imageload',
  ImageLoadError: 'imageerror',
  Change: 'change'
};

// Which DOM event delivers a layer event.
var domEventFor = {
  click: 'click',
  touchstart: 'pointerdown',
  touchend: 'pointerup',
  touchmove: 'pointermove',
  mouseover: 'mouseover',
  mouseout: 'mouseout',
  mousemove: 'mousemove'
};
function isDomEvent(name) { return domEventFor.hasOwnProperty(name); }

// Events.wrap(window).on "resize", -> ... : DOM listeners that the next run removes.
Events.wrap = function (target) {
  return {
    on: function (type, fn) { runtime.listen(target, type, function (e) { runtime.guard(fn, target, [e]); }); return this; },
    off: function (type, fn) { runtime.unlisten(target, type, fn); return this; }
  };
};

// The base of everything that emits events. Listeners run guarded: one that throws is
// reported and the others still run.
function EventEmitter() {}
EventEmitter.prototype.on = function (name, fn) {
  if (typeof fn !== 'function') throw new TypeError('on("' + name + '") needs a function');
  this._listeners = this._listeners || {};
  (this._listeners[name] = this._listeners[name] || []).push(fn);
  if (this._didAddListener) this._didAddListener(name);
  return this;
};
EventEmitter.prototype.addListener = EventEmitter.prototype.on;
EventEmitter.prototype.once = function (name, fn) {
  var self = this;
  var wrapper = function () { self.off(name, wrapper); return fn.apply(this, arguments); };
  return this.on(name, wrapper);
};
EventEmitter.prototype.off = function (name, fn) {
  if (!this._listeners || !this._listeners[name]) return this;
  if (fn === undefined) delete this._listeners[name];
  else this._listeners[name] = this._listeners[name].filter(function (f) { return f !== fn; });
  return this;
};
EventEmitter.prototype.removeListener = EventEmitter.prototype.off;
EventEmitter.prototype.removeAllListeners = function (name) {
  if (name === undefined) this._listeners = {};
  else if (this._listeners) delete this._listeners[name];
  return this;
};
EventEmitter.prototype.listeners = function (name) {
  return (this._listeners && this._listeners[name]) ? this._listeners[name].slice() : [];
};
EventEmitter.prototype.emit = function (name) {
  var list = this.listeners(name);
  var args = Array.prototype.slice.call(arguments, 1);
  for (var i = 0; i < list.length; i++) runtime.guard(list[i], this, args);
  return list.length > 0;
};
Zelvor.EventEmitter = EventEmitter;
