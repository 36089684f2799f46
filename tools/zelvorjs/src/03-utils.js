var Utils = {};

// Runs fn after the given seconds; the next run of the program cancels it.
Utils.delay = function (seconds, fn) { return runtime.setTimer('timeout', fn, Math.max(0, seconds) * 1000); };
// Runs fn every given seconds until cancelled or the next run.
Utils.interval = function (seconds, fn) { return runtime.setTimer('interval', fn, Math.max(0.001, seconds) * 1000); };
Utils.cancel = function (timer) { runtime.clearTimer(timer); };
Utils.debounce = function (seconds, fn) {
  var timer = null;
  return function () {
    var self = this, args = arguments;
    if (timer !== null) runtime.clearTimer(timer);
    timer = runtime.setTimer('timeout', function () { timer = null; fn.apply(self, args); }, seconds * 1000);
  };
};
Utils.throttle = function (seconds, fn) {
  var last = 0;
  return function () {
    var now = Date.now();
    if (now - last < seconds * 1000) return undefined;
    last = now;
    return fn.apply(this, arguments);
  };
};

// Maps value from one range onto another; with limit the result stays inside the target range.
Utils.modulate = function (value, rangeA, rangeB, limit) {
  var fromLow = rangeA[0], fromHigh = rangeA[1], toLow = rangeB[0], toHigh = rangeB[1];
  if (fromHigh === fromLow) return toLow;
  var result = toLow + (((value - fromLow) / (fromHigh - fromLow)) * (toHigh - toLow));
  if (limit) {
    var lo = Math.min(toLow, toHigh), hi = Math.max(toLow, toHigh);
    result = Math.min(hi, Math.max(lo, result));
  }
  return result;
};
Utils.clamp = function (value, a, b) {
  var lo = Math.min(a, b), hi = Math.max(a, b);
  return Math.min(hi, Math.max(lo, value));
};
Utils.randomNumber = function (a, b) {
  if (a === undefined) { a = 0; b = 1; }
  if (b === undefined) { b = a; a = 0; }
  return a + Math.random() * (b - a);
};
Utils.randomChoice = function (list) { return list[Math.floor(Math.random() * list.length)]; };
Utils.randomColor = function (alpha) {
  if (alpha === undefined) alpha = 1;
  return new Color({r: Math.floor(Math.random() * 256), g: Math.floor(Math.random() * 256),
                    b: Math.floor(Math.random() * 256), a: alpha});
};
Utils.round = function (value, decimals) {
  var f = Math.pow(10, decimals || 0);
  return Math.round(value * f) / f;
};
Utils.frameInset = function (frame, inset) {
  return {x: frame.x + inset, y: frame.y + inset, width: frame.width - 2 * inset, height: frame.height - 2 * inset};
};
Utils.pointInFrame = function (point, frame) {
  return point.x >= frame.x && point.x <= frame.x + frame.width && point.y >= frame.y && point.y <= frame.y + frame.height;
};
Utils.frameMerge = function (frames) {
  if (!frames.length) return {x: 0, y: 0, width: 0, height: 0};
  var x0 = Infinity, y0 = Infinity, x1 = -Infinity, y1 = -Infinity;
  frames.forEach(function (f) {
    x0 = Math.min(x0, f.x); y0 = Math.min(y0, f.y);
    x1 = Math.max(x1, f.x + f.width); y1 = Math.max(y1, f.y + f.height);
  });
  return {x: x0, y: y0, width: x1 - x0, height: y1 - y0};
};
Utils.isTouch = function () { return 'ontouchstart' in window; };
Utils.deviceType = function () { return Zelvor.Device ? Zelvor.Device.deviceType : 'fullscreen'; };
