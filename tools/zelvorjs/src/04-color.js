// A colour: new Color("red"), new Color("#28affa"), new Color("rgba(0,0,0,0.5)"),
// new Color("hsl(200, 70%, 50%)"), new Color({r, g, b, a}). Every CSS colour form is read: the
// named colours, #rgb, #rgba, #rrggbb, #rrggbbaa, rgb()/rgba() and hsl()/hsla() with commas
// or spaces (and "/ alpha"), numbers or percentages. Text that is no colour throws, so that the
// program's line that gave it is reported instead of a layer silently turning invisible; an
// empty value (null, undefined, "") is transparent.
var namedColors = (function () {
  var table = {transparent: [0, 0, 0, 0]};
  ('aliceblue f0f8ff antiquewhite faebd7 aqua 00ffff aquamarine 7fffd4 azure f0ffff beige f5f5dc ' +
   'bisque ffe4c4 black 000000 blanchedalmond ffebcd blue 0000ff blueviolet 8a2be2 brown a52a2a ' +
   'burlywood deb887 cadetblue 5f9ea0 chartreuse 7fff00 chocolate d2691e coral ff7f50 ' +
   'cornflowerblue 6495ed cornsilk fff8dc crimson dc143c cyan 00ffff darkblue 00008b darkcyan 008b8b ' +
   'darkgoldenrod b8860b darkgray a9a9a9 darkgreen 006400 darkgrey a9a9a9 darkkhaki bdb76b ' +
   'darkmagenta 8b008b darkolivegreen 556b2f darkorange ff8c00 darkorchid 9932cc darkred 8b0000 ' +
   'darksalmon e9967a darkseagreen 8fbc8f darkslateblue 483d8b darkslategray 2f4f4f ' +
   'darkslategrey 2f4f4f darkturquoise 00ced1 darkviolet 9400d3 deeppink ff1493 deepskyblue 00bfff ' +
   'dimgray 696969 dimgrey 696969 dodgerblue 1e90ff firebrick b22222 floralwhite fffaf0 ' +
   'forestgreen 228b22 fuchsia ff00ff gainsboro dcdcdc ghostwhite f8f8ff gold ffd700 ' +
   'goldenrod daa520 gray 808080 green 008000 greenyellow adff2f grey 808080 honeydew f0fff0 ' +
   'hotpink ff69b4 indianred cd5c5c indigo 4b0082 ivory fffff0 khaki f0e68c lavender e6e6fa ' +
   'lavenderblush fff0f5 lawngreen 7cfc00 lemonchiffon fffacd lightblue add8e6 lightcoral f08080 ' +
   'lightcyan e0ffff lightgoldenrodyellow fafad2 lightgray d3d3d3 lightgreen 90ee90 lightgrey d3d3d3 ' +
   'lightpink ffb6c1 lightsalmon ffa07a lightseagreen 20b2aa lightskyblue 87cefa ' +
   'lightslategray 778899 lightslategrey 778899 lightsteelblue b0c4de lightyellow ffffe0 lime 00ff00 ' +
   'limegreen 32cd32 linen faf0e6 magenta ff00ff maroon 800000 mediumaquamarine 66cdaa ' +
   'mediumblue 0000cd mediumorchid ba55d3 mediumpurple 9370db mediumseagreen 3cb371 ' +
   'mediumslateblue 7b68ee mediumspringgreen 00fa9a mediumturquoise 48d1cc mediumvioletred c71585 ' +
   'midnightblue 191970 mintcream f5fffa mistyrose ffe4e1 moccasin ffe4b5 navajowhite ffdead ' +
   'navy 000080 oldlace fdf5e6 olive 808000 olivedrab 6b8e23 orange ffa500 orangered ff4500 ' +
   'orchid da70d6 palegoldenrod eee8aa palegreen 98fb98 paleturquoise afeeee palevioletred db7093 ' +
   'papayawhip ffefd5 peachpuff ffdab9 peru cd853f pink ffc0cb plum dda0dd powderblue b0e0e6 ' +
   'purple 800080 rebeccapurple 663399 red ff0000 rosybrown bc8f8f royalblue 4169e1 ' +
   'saddlebrown 8b4513 salmon fa8072 sandybrown f4a460 seagreen 2e8b57 seashell fff5ee ' +
   'sienna a0522d silver c0c0c0 skyblue 87ceeb slateblue 6a5acd slategray 708090 slategrey 708090 ' +
   'snow fffafa springgreen 00ff7f steelblue 4682b4 tan d2b48c teal 008080 thistle d8bfd8 ' +
   'tomato ff6347 turquoise 40e0d0 violet ee82ee wheat f5deb3 white ffffff whitesmoke f5f5f5 ' +
   'yellow ffff00 yellowgreen 9acd32').split(' ').forEach(function (word, i, words) {
    if (i % 2 === 0) table[word] = hexColor(words[i + 1]);
  });
  return table;
})();

// "rgb", "rgba", "rrggbb" or "rrggbbaa" (without "#") as [r, g, b, a]; null for other text.
function hexColor(h) {
  if (!/^(?:[0-9a-f]{3,4}|[0-9a-f]{6}|[0-9a-f]{8})$/.test(h)) return null;
  if (h.length <= 4) h = h.replace(/./g, '$&$&');
  return [parseInt(h.substr(0, 2), 16), parseInt(h.substr(2, 2), 16), parseInt(h.substr(4, 2), 16),
          h.length === 8 ? parseInt(h.substr(6, 2), 16) / 255 : 1];
}

var numberPattern = '([+-]?(?:\\d+\\.?\\d*|\\.\\d+)(?:e[+-]?\\d+)?)';
var componentPattern = new RegExp('^' + numberPattern + '(%|deg|grad|rad|turn)?$');

// One argument of rgb()/hsl(): {value, unit}, or null when it is no number.
function colorComponent(text) {
  var m = componentPattern.exec(text);
  return m ? {value: +m[1], unit: m[2] || ''} : null;
}

function alphaComponent(part) {
  if (!part) return 1;
  if (part.unit === '%') return part.value / 100;
  return part.unit ? NaN : part.value;
}

// The components of "name(a, b, c[, d])" or "name(a b c[ / d])"; null when malformed.
function functionArguments(body) {
  var parts;
  if (body.indexOf(',') >= 0) {
    parts = body.split(',').map(function (p) { return p.trim(); });
  } else {
    var slash = body.split('/');
    if (slash.length > 2) return null;
    parts = slash[0].trim().split(/\s+/);
    if (slash.length === 2) parts.push(slash[1].trim());
  }
  if (parts.length < 3 || parts.length > 4) return null;
  parts = parts.map(colorComponent);
  return parts.indexOf(null) >= 0 ? null : parts;
}

function hueDegrees(part) {
  switch (part.unit) {
  case '': case 'deg': return part.value;
  case 'rad': return part.value * 180 / Math.PI;
  case 'grad': return part.value * 0.9;
  case 'turn': return part.value * 360;
  default: return NaN;
  }
}

function hslToRgb(h, s, l) {
  h = ((h % 360) + 360) % 360 / 360;
  s = Utils.clamp(s, 0, 1);
  l = Utils.clamp(l, 0, 1);
  function channel(t) {
    var q = l < 0.5 ? l * (1 + s) : l + s - l * s, p = 2 * l - q;
    t = t < 0 ? t + 1 : (t > 1 ? t - 1 : t);
    if (t < 1 / 6) return p + (q - p) * 6 * t;
    if (t < 1 / 2) return q;
    if (t < 2 / 3) return p + (q - p) * (2 / 3 - t) * 6;
    return p;
  }
  return [channel(h + 1 / 3) * 255, channel(h) * 255, channel(h - 1 / 3) * 255];
}

function functionalColor(text) {
  var m = /^(rgba?|hsla?)\(\s*([^()]*?)\s*\)$/.exec(text);
  if (!m) return null;
  var parts = functionArguments(m[2]);
  if (!parts) return null;
  var alpha = alphaComponent(parts[3]);
  var rgb;
  if (m[1].charAt(0) === 'r') {
    rgb = parts.slice(0, 3).map(function (p) {
      if (p.unit === '%') return p.value * 255 / 100;
      return p.unit ? NaN : p.value;
    });
  } else {
    var h = hueDegrees(parts[0]);
    // Saturation and lightness are percentages; plain numbers are read as such too.
    var s = parts[1].unit === '%' || parts[1].unit === '' ? parts[1].value / 100 : NaN;
    var l = parts[2].unit === '%' || parts[2].unit === '' ? parts[2].value / 100 : NaN;
    rgb = isFinite(h) && isFinite(s) && isFinite(l) ? hslToRgb(h, s, l) : [NaN];
  }
  var values = rgb.concat([alpha]);
  return values.every(isFinite) ? values : null;
}

// [r, g, b, a] of any colour value, or null when it is no colour.
function parseColor(input) {
  if (input instanceof Color) return [input.r, input.g, input.b, input.a];
  if (input === undefined || input === null || input === '') return [0, 0, 0, 0];
  if (typeof input === 'object') {
    var c = [+input.r || 0, +input.g || 0, +input.b || 0, input.a === undefined ? 1 : +input.a];
    return c.every(isFinite) ? c : null;
  }
  if (typeof input !== 'string') return null;
  var text = input.trim().toLowerCase();
  if (namedColors.hasOwnProperty(text)) return namedColors[text].slice();
  if (/^#?[0-9a-f]+$/.test(text)) return hexColor(text.replace(/^#/, ''));
  return functionalColor(text);
}

function Color(input) {
  if (!(this instanceof Color)) return new Color(input);
  var c = parseColor(input);
  if (!c) throw new TypeError('"' + String(input) + '" is not a color');
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
  return value instanceof Color || (typeof value === 'string' && value.trim() !== '' && parseColor(value) !== null);
};
