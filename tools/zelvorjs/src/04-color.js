// A colour: new Color("red"), new Color("#28affa"), new Color("rgba(0,0,0,0.5)"),
// new Color({r, g, b, a}). Unknown text gives transparent black.
var namedColors = {
  transparent: [0, 0, 0, 0], black: [0, 0, 0, 1], white: [255, 255, 255, 1], red: [255, 0, 0, 1],
  green: [0, 128, 0, 1], blue: [0, 0, 255, 1], yellow: [255, 255, 0, 1], orange: [255, 165, 0, 1],
  purple: [128, 0, 128, 1], pink: [255, 192, 203, 1], gray: [128, 128, 128, 1], grey: [128, 128, 128, 1],
  cyan: [0, 255, 255, 1], magenta: [255, 0, 255, 1], lime: [0, 255, 0, 1], navy: [0, 0, 128, 1],
  teal: [0, 128, 128, 1], silver: [192, 192, 192, 1], maroon: [128, 0, 0, 1], olive: [128, 128, 0, 1]
};

function parseColor(input) {
  if (input instanceof Color) return [input.r, input.g, input.b, input.a];
  if (input && typeof input === 'object') {
    return [+input.r || 0, +input.g || 0, +input.b || 0, input.a === undefined ? 1 : +input.a];
  }
  var text = String(input === undefined || input === null ? '' : input).trim().toLowerCase();
  if (namedColors.hasOwnProperty(text)) return namedColors[text].slice();
  var m = /^#?([0-9a-f]{3}|[0-9a-f]{6}|[0-9a-f]{8})$/.exec(text);
  if (m) {
    var h = m[1];
    if (h.length === 3) h = h[0] + h[0] + h[1] + h[1] + h[2] + h[2];
    return [parseInt(h.substr(0, 2), 16), parseInt(h.substr(2, 2), 16), parseInt(h.substr(4, 2), 16),
            h.length === 8 ? parseInt(h.substr(6, 2), 16) / 255 : 1];
  }
  m = /^rgba?\(\s*([\d.]+)\s*,\s*([\d.]+)\s*,\s*([\d.]+)\s*(?:,\s*([\d.]+)\s*)?\)$/.exec(text);
  if (m) return [+m[1], +m[2], +m[3], m[4] === undefined ? 1 : +m[4]];
  return [0, 0, 0, 0];
}

function Color(input) {
  if (!(this instanceof Color)) return new Color(input);
  var c = parseColor(input);
  this.r = Math.round(Utils.clamp(c[0], 0, 255));
  this.g = Math.round(Utils.clamp(c[1], 0, 255));
  this.b = Math.round(Utils.clamp(c[2], 0, 255));
  this.a = Utils.clamp(c[3], 0, 1);
}
Color.prototype.toString = function () { return 'rgba(' + this.r + ', ' + this.g + ', ' + this.b + ', ' + this.a + ')'; };
Color.prototype.toRgbString = Color.prototype.toString;
Color.prototype.toHexString = function () {
  function hex(v) { var s = v.toString(16); return s.length < 2 ? '0' + s : s; }
  return '#' + hex(this.r) + hex(this.g) + hex(this.b);
};
Color.prototype.alpha = function (a) { return new Color({r: this.r, g: this.g, b: this.b, a: a}); };
Color.prototype.mix = function (other, fraction) { return Color.mix(this, other, fraction); };
Color.prototype.isEqual = function (other) { return Color.equal(this, other); };
Color.mix = function (a, b, fraction) {
  a = new Color(a); b = new Color(b);
  var f = Utils.clamp(fraction, 0, 1);
  return new Color({r: a.r + (b.r - a.r) * f, g: a.g + (b.g - a.g) * f, b: a.b + (b.b - a.b) * f, a: a.a + (b.a - a.a) * f});
};
Color.equal = function (a, b) {
  a = new Color(a); b = new Color(b);
  return a.r === b.r && a.g === b.g && a.b === b.b && Math.abs(a.a - b.a) < 1e-6;
};
Color.random = function (alpha) { return Utils.randomColor(alpha); };
Color.isColor = function (value) {
  if (value instanceof Color) return true;
  if (typeof value !== 'string') return false;
  var c = parseColor(value);
  return !(c[0] === 0 && c[1] === 0 && c[2] === 0 && c[3] === 0) || value.trim().toLowerCase() === 'transparent';
};
