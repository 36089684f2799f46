// Named sets of property values of one layer: states.add(name, properties), states.switch(name),
// states.next() to cycle. The "default" state holds the values the layer had when the first
// state was added.
function LayerStates(layer) {
  this.layer = layer;
  this._states = {};
  this._order = [];
  this.current = 'default';
  this.previous = null;
  this.animationOptions = {};
}
LayerStates.prototype._captureDefault = function () {
  if (this._states['default']) return;
  var layer = this.layer, values = {};
  stateProperties.forEach(function (k) {
    var v = layer[k];
    values[k] = v instanceof Color ? new Color(v) : v;
  });
  this._states['default'] = values;
  this._order.unshift('default');
};
LayerStates.prototype.add = function (name, properties) {
  this._captureDefault();
  if (name && typeof name === 'object') {
    for (var k in name) if (name.hasOwnProperty(k)) this.add(k, name[k]);
    return this;
  }
  name = String(name);
  if (!properties || typeof properties !== 'object') throw new TypeError('states.add("' + name + '") needs properties');
  if (!this._states.hasOwnProperty(name)) this._order.push(name);
  this._states[name] = _.pick(properties, stateProperties);
  return this;
};
LayerStates.prototype.remove = function (name) {
  if (name === 'default' || !this._states.hasOwnProperty(name)) return this;
  delete this._states[name];
  this._order = this._order.filter(function (n) { return n !== name; });
  return this;
};
Object.defineProperty(LayerStates.prototype, 'states', {get: function () { return this._order.slice(); }});
LayerStates.prototype.get = function (name) { return this._states[name]; };
LayerStates.prototype.has = function (name) { return this._states.hasOwnProperty(name); };

LayerStates.prototype.switch = function (name, animationOptions, instant) {
  if (!this._states.hasOwnProperty(name)) throw new Error('No state "' + name + '" on ' + this.layer.toInspect());
  var layer = this.layer, from = this.current, values = this._states[name];
  layer.emit(Events.StateWillSwitch, from, name, this);
  this.previous = from;
  this.current = name;
  var animated = {}, immediate = {};
  for (var k in values) {
    if (!values.hasOwnProperty(k)) continue;
    if (!instant && (typeof layer[k] === 'number' || colorProperties[k])) animated[k] = values[k];
    else immediate[k] = values[k];
  }
  for (var i in immediate) layer[i] = immediate[i];
  var finished = function () { layer.emit(Events.StateDidSwitch, from, name, this); }.bind(this);
  if (instant || _.isEmpty(animated)) { finished(); return null; }
  var options = _.extend({curve: 'ease', time: 0.5}, this.animationOptions, animationOptions || {});
  options.properties = animated;
  options.layer = layer;
  var animation = new Animation(options);
  animation.on(Events.AnimationEnd, finished);
  animation.start();
  return animation;
};
LayerStates.prototype.switchInstant = function (name) { return this.switch(name, null, true); };
// Cycles through the given states (all, in order, when none are given).
LayerStates.prototype.next = function () {
  var names = _.flatten(Array.prototype.slice.call(arguments));
  if (!names.length) names = this._order.slice();
  if (!names.length) return null;
  var i = names.indexOf(this.current);
  return this.switch(names[(i + 1) % names.length]);
};
LayerStates.prototype.cycle = LayerStates.prototype.next;

// Dragging a layer with the pointer; the layer emits dragstart, dragmove and dragend.
function LayerDraggable(layer) {
  this.layer = layer;
  this.enabled = false;
  this.horizontal = true;
  this.vertical = true;
  this.speedX = 1;
  this.speedY = 1;
  this.constraints = null;
  this.isDragging = false;
  var self = this;
  this._down = function (event) {
    if (!self.enabled) return;
    event.preventDefault();
    self._start = {x: event.clientX, y: event.clientY, layerX: layer.x, layerY: layer.y};
    self.isDragging = true;
    runtime.listen(window, 'pointermove', self._move);
    runtime.listen(window, 'pointerup', self._up);
    layer.emit(Events.DragStart, event, layer);
  };
  this._move = function (event) {
    if (!self.isDragging) return;
    var scale = Zelvor.Device ? Zelvor.Device.screenToContentScale() : 1;
    var x = self._start.layerX + (event.clientX - self._start.x) * scale * self.speedX;
    var y = self._start.layerY + (event.clientY - self._start.y) * scale * self.speedY;
    var c = self.constraints;
    if (c) {
      x = Utils.clamp(x, c.x, c.x + Math.max(0, c.width - layer.width));
      y = Utils.clamp(y, c.y, c.y + Math.max(0, c.height - layer.height));
    }
    if (self.horizontal) layer.x = x;
    if (self.vertical) layer.y = y;
    layer.emit(Events.DragMove, event, layer);
  };
  this._up = function (event) {
    if (!self.isDragging) return;
    self.isDragging = false;
    runtime.unlisten(window, 'pointermove', self._move);
    runtime.unlisten(window, 'pointerup', self._up);
    layer.emit(Events.DragEnd, event, layer);
  };
  layer._element.addEventListener('pointerdown', this._down);
}
Object.defineProperty(LayerDraggable.prototype, 'enabled', {
  get: function () { return this._enabled; },
  set: function (v) { this._enabled = !!v; if (this._enabled) this.layer.ignoreEvents = false; }
});
