// Timing curves: "linear", "ease", "ease-in", "ease-out", "ease-in-out",
// "bezier-curve(x1, y1, x2, y2)" and "spring(tension, friction, velocity)". A curve answers the
// progress (0..1, a spring may overshoot) for a time in seconds and says how long it lasts.
function cubicBezier(x1, y1, x2, y2) {
  function a(p1, p2) { return 1 - 3 * p2 + 3 * p1; }
  function b(p1, p2) { return 3 * p2 - 6 * p1; }
  function c(p1) { return 3 * p1; }
  function at(t, p1, p2) { return ((a(p1, p2) * t + b(p1, p2)) * t + c(p1)) * t; }
  function slope(t, p1, p2) { return 3 * a(p1, p2) * t * t + 2 * b(p1, p2) * t + c(p1); }
  return function (x) {
    if (x <= 0) return 0;
    if (x >= 1) return 1;
    var t = x;
    for (var i = 0; i < 8; i++) {
      var err = at(t, x1, x2) - x;
      if (Math.abs(err) < 1e-6) break;
      var d = slope(t, x1, x2);
      if (Math.abs(d) < 1e-6) break;
      t -= err / d;
    }
    if (t < 0 || t > 1 || Math.abs(at(t, x1, x2) - x) > 1e-4) {
      var lo = 0, hi = 1;
      t = x;
      for (var j = 0; j < 30; j++) {
        if (at(t, x1, x2) < x) lo = t; else hi = t;
        t = (lo + hi) / 2;
      }
    }
    return at(t, y1, y2);
  };
}

var namedBeziers = {
  'linear': [0, 0, 1, 1],
  'ease': [0.25, 0.1, 0.25, 1],
  'ease-in': [0.42, 0, 1, 1],
  'ease-out': [0, 0, 0.58, 1],
  'ease-in-out': [0.42, 0, 0.58, 1]
};

// A damped spring from 0 to 1, sampled 60 times a second until it rests. Each sample is
// integrated in as many small steps as the spring's stiffness and friction need: a single step
// per frame makes a stiff spring swing ever wider instead of settling. A tension or friction
// that is not a positive number takes the default, and so does a velocity that is not finite:
// a spring that pushes away would never come to rest.
function springCurve(tension, friction, velocity) {
  tension = tension > 0 && isFinite(tension) ? Math.min(tension, 1e6) : 250;
  friction = friction > 0 && isFinite(friction) ? Math.min(friction, 1e4) : 25;
  velocity = isFinite(velocity) ? Math.max(-1e4, Math.min(1e4, +velocity)) : 0;
  var dt = 1 / 60, x = 0, v = velocity, samples = [0];
  var steps = Math.min(400, Math.max(1, Math.ceil(dt * Math.max(Math.sqrt(tension) / 0.25, friction / 0.5))));
  var h = dt / steps;
  for (var i = 0; i < 60 * 10; i++) {
    for (var j = 0; j < steps; j++) {
      v += (-tension * (x - 1) - friction * v) * h;
      x += v * h;
    }
    samples.push(x);
    if (Math.abs(x - 1) < 0.001 && Math.abs(v) < 0.001) break;
  }
  samples[samples.length - 1] = 1;
  var duration = (samples.length - 1) * dt;
  return {
    duration: duration,
    value: function (seconds) {
      var p = seconds / dt;
      var k = Math.floor(p);
      if (k >= samples.length - 1) return 1;
      if (k < 0) return 0;
      return samples[k] + (samples[k + 1] - samples[k]) * (p - k);
    }
  };
}

function parseCurve(curve, time) {
  var text = String(curve || 'ease').replace(/\s+/g, '').toLowerCase();
  var m = /^([a-z-]+)(?:\(([^)]*)\))?$/.exec(text);
  var name = m ? m[1] : 'ease';
  var args = m && m[2] ? m[2].split(',').map(Number) : [];
  if (name === 'spring' || name === 'spring-rk4' || name === 'spring-dho') {
    var s = springCurve(args[0], args[1], args[2] || 0);
    return {duration: s.duration, value: s.value};
  }
  var bezier;
  if (name === 'bezier-curve' || name === 'cubic-bezier') {
    bezier = args.length === 4 && args.every(isFinite) ? cubicBezier(args[0], args[1], args[2], args[3]) : cubicBezier(0.25, 0.1, 0.25, 1);
  } else {
    var p = namedBeziers[name] || namedBeziers.ease;
    bezier = name === 'linear' ? function (x) { return Math.max(0, Math.min(1, x)); } : cubicBezier(p[0], p[1], p[2], p[3]);
  }
  var duration = Math.max(0, +time || 0);
  return {
    duration: duration,
    value: function (seconds) { return duration === 0 ? 1 : bezier(Math.min(1, seconds / duration)); }
  };
}

var colorProperties = {backgroundColor: true, borderColor: true, shadowColor: true, color: true};

// One run of the shared animation clock, driven by requestAnimationFrame while anything animates.
var clockRunning = false;
function clockTick(now) {
  var list = runtime.animations.slice();
  for (var i = 0; i < list.length; i++) list[i]._step(now / 1000);
  if (runtime.animations.length) nativeTimers.requestAnimationFrame(clockTick);
  else clockRunning = false;
}
function startClock() {
  if (clockRunning) return;
  clockRunning = true;
  nativeTimers.requestAnimationFrame(clockTick);
}

function Animation(options) {
  if (!(this instanceof Animation)) return new Animation(options);
  options = options || {};
  this.options = {
    layer: options.layer || null,
    properties: _.clone(options.properties || {}),
    curve: options.curve || 'ease',
    time: options.time === undefined ? 1 : +options.time,
    delay: +options.delay || 0,
    repeat: +options.repeat || 0
  };
  this._running = false;
  this._repeated = 0;
}
Animation.prototype = Object.create(EventEmitter.prototype);
Animation.prototype.constructor = Animation;

Object.defineProperty(Animation.prototype, 'layer', {get: function () { return this.options.layer; }});
Object.defineProperty(Animation.prototype, 'properties', {get: function () { return this.options.properties; }});

Animation.prototype.isAnimating = function () { return this._running; };

Animation.prototype.start = function () {
  var layer = this.options.layer;
  if (!layer || !(layer instanceof Layer)) throw new Error('Animation needs a layer to animate');
  if (layer._destroyed) return false;
  var self = this;
  this._from = {};
  this._to = {};
  Object.keys(this.options.properties).forEach(function (key) {
    var target = self.options.properties[key];
    if (colorProperties[key]) {
      self._from[key] = new Color(layer[key]);
      self._to[key] = new Color(target);
    } else if (typeof layer[key] === 'number' && isFinite(+target)) {
      self._from[key] = layer[key];
      self._to[key] = +target;
    }
  });
  // An animation of a property replaces one that runs on the same property of the same layer.
  runtime.animations.slice().forEach(function (other) {
    if (other !== self && other.options.layer === layer) {
      var shared = Object.keys(other._to || {}).some(function (k) { return self._to.hasOwnProperty(k); });
      if (shared) other.stop();
    }
  });
  this._curve = parseCurve(this.options.curve, this.options.time);
  this._begin = null;
  this._running = true;
  this._started = false;
  runtime.animations.push(this);
  startClock();
  return true;
};

Animation.prototype._step = function (now) {
  if (!this._running) return;
  if (this._begin === null) this._begin = now + this.options.delay;
  var elapsed = now - this._begin;
  if (elapsed < 0) return;
  var layer = this.options.layer;
  if (!this._started) {
    this._started = true;
    this.emit(Events.AnimationStart, this, layer);
    if (layer) layer.emit(Events.AnimationStart, this, layer);
    if (!this._running) return;
  }
  var done = elapsed >= this._curve.duration;
  var progress = done ? 1 : this._curve.value(elapsed);
  for (var key in this._to) {
    if (colorProperties[key]) layer[key] = Color.mix(this._from[key], this._to[key], progress);
    else layer[key] = this._from[key] + (this._to[key] - this._from[key]) * progress;
  }
  if (done) this._finish();
};

Animation.prototype._remove = function () {
  this._running = false;
  var i = runtime.animations.indexOf(this);
  if (i >= 0) runtime.animations.splice(i, 1);
};

Animation.prototype._finish = function () {
  this._remove();
  var layer = this.options.layer;
  this.emit(Events.AnimationEnd, this, layer);
  if (layer) layer.emit(Events.AnimationEnd, this, layer);
  if (this._repeated < this.options.repeat) {
    this._repeated++;
    this.start();
  }
};

// Stops where it is, without reaching the end values.
Animation.prototype.stop = function () {
  if (!this._running) return;
  this._remove();
  var layer = this.options.layer;
  this.emit(Events.AnimationStop, this, layer);
  if (layer) layer.emit(Events.AnimationStop, this, layer);
};

// Ends silently (the next run of the program starts clean).
Animation.prototype._halt = function () { this._remove(); };

Animation.prototype.reverse = function () {
  var options = _.clone(this.options);
  options.properties = {};
  var layer = this.options.layer;
  var from = this._from || {};
  Object.keys(this.options.properties).forEach(function (key) {
    options.properties[key] = from.hasOwnProperty(key) ? from[key] : layer[key];
  });
  return new Animation(options);
};
Animation.prototype.copy = function () { return new Animation(_.clone(this.options)); };
