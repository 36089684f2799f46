// A rectangle of the prototype, drawn as one absolutely positioned element. Every visual
// property is a plain number, text or colour that can be animated; children move with their
// parent and are clipped by it when clip is on.
var layerDefaults = {
  x: 0, y: 0, z: 0, width: 100, height: 100,
  opacity: 1, rotation: 0, rotationX: 0, rotationY: 0, scale: 1, scaleX: 1, scaleY: 1,
  originX: 0.5, originY: 0.5,
  borderRadius: 0, borderWidth: 0, borderColor: 'rgba(0, 0, 0, 0)',
  shadowX: 0, shadowY: 0, shadowBlur: 0, shadowSpread: 0, shadowColor: 'rgba(0, 0, 0, 0.5)',
  backgroundColor: 'rgba(0, 136, 255, 0.5)', color: 'rgba(255, 255, 255, 1)',
  blur: 0, brightness: 100, saturate: 100, grayscale: 0
};
var defaultColors = {
  backgroundColor: new Color(layerDefaults.backgroundColor), borderColor: new Color(layerDefaults.borderColor),
  shadowColor: new Color(layerDefaults.shadowColor), color: new Color(layerDefaults.color)
};
var stateProperties = ['x', 'y', 'z', 'width', 'height', 'opacity', 'rotation', 'rotationX', 'rotationY',
  'scale', 'scaleX', 'scaleY', 'originX', 'originY', 'borderRadius', 'borderWidth', 'borderColor',
  'shadowX', 'shadowY', 'shadowBlur', 'shadowSpread', 'shadowColor', 'backgroundColor', 'color',
  'blur', 'brightness', 'saturate', 'grayscale', 'visible', 'clip', 'image', 'html'];
var layerOptionKeys = stateProperties.concat(['parent', 'superLayer', 'name', 'frame', 'point', 'size',
  'midX', 'midY', 'maxX', 'maxY', 'minX', 'minY', 'style', 'ignoreEvents', 'cornerRadius', 'index']);

// The layer panel gets the tree as soon as the script that changed the layers has ended (a
// program's run, a timer, an event), not on the next animation frame: a page whose view is
// hidden or offscreen draws no frames, and a busy one draws them late. A tree that keeps
// changing (a layer added every frame) is sent at most once every kLayerTreeInterval ms.
var kLayerTreeInterval = 100;
var layerTreeDirty = false;
var layerTreeSentAt = -Infinity;
var afterThisScript = window.queueMicrotask.bind(window);
function sendLayerTree() {
  var wait = layerTreeSentAt + kLayerTreeInterval - performance.now();
  if (wait > 0) {
    nativeTimers.setTimeout(sendLayerTree, wait);
    return;
  }
  layerTreeDirty = false;
  layerTreeSentAt = performance.now();
  bridge('ui:layers', {data: {layers: layerTree()}});
}
function markLayerTreeDirty() {
  if (layerTreeDirty) return;
  layerTreeDirty = true;
  afterThisScript(sendLayerTree);
}

// The tree the layer panel shows. It is for display only: long names are cut, and a tree
// nested deeper than any panel can indent lists the deepest layers' descendants flat, so that a
// pathological program still reaches the panel whole (JSON readers refuse very deep nesting).
var kTreeNameLength = 200;
var kTreeDepth = 100;
function layerTree() {
  function entry(layer, children) {
    var name = typeof layer.name === 'string' ? layer.name : String(layer.name);
    if (name.length > kTreeNameLength) name = name.slice(0, kTreeNameLength) + '\u2026';
    var variable = typeof layer._creationName === 'string' ? layer._creationName : '';
    if (variable.length > kTreeNameLength) variable = variable.slice(0, kTreeNameLength) + '\u2026';
    return {id: layer.id, name: name, variable: variable, hash: layer.typeHash, frame: layer.frame, visible: layer.visible,
            children: children};
  }
  function descendants(layer, out) {
    layer._children.forEach(function (c) { out.push(entry(c, [])); descendants(c, out); });
    return out;
  }
  function describe(layer, depth) {
    if (depth >= kTreeDepth) return entry(layer, descendants(layer, []));
    return entry(layer, layer._children.map(function (c) { return describe(c, depth + 1); }));
  }
  return runtime.layers.filter(function (l) { return !l.parent; }).map(function (l) { return describe(l, 0); });
}
runtime.layerTree = layerTree;

function Layer(options) {
  if (!(this instanceof Layer)) return new Layer(options);
  options = options || {};
  var sites = runtime.callSites();
  this.id = runtime.nextLayerId++;
  this.typeHash = runtime.typeHashForCallSites(sites);
  this._creationName = runtime.creationNameForCallSites(sites);
  this._callSite = sites[0] || null;
  this._name = '';
  this.name = options.name || '';
  var props = this._props = {};
  for (var key in layerDefaults) props[key] = layerDefaults[key];
  props.backgroundColor = new Color(defaultColors.backgroundColor);
  props.borderColor = new Color(defaultColors.borderColor);
  props.shadowColor = new Color(defaultColors.shadowColor);
  props.color = new Color(defaultColors.color);
  this._props.visible = true;
  this._props.clip = false;
  this._props.image = '';
  this._props.html = '';
  this._props.ignoreEvents = true;
  this._children = [];
  this._parent = null;
  this._domHandlers = {};
  this._destroyed = false;
  installLayerStyle();
  this._element = document.createElement('div');
  this._element.className = 'zelvor-layer';
  this._element._zelvorLayer = this;
  runtime.layers.push(this);

  // While the options are taken in, the element is not touched: it gets all its style in one
  // write at the end (a program of hundreds of layers would otherwise spend its time in
  // single style updates).
  this._constructing = true;
  var parent = options.parent || options.superLayer || null;
  this._attach(parent);
  var self = this;
  layerOptionKeys.forEach(function (key) {
    if (key !== 'parent' && key !== 'superLayer' && key !== 'style' && options.hasOwnProperty(key) &&
        options[key] !== undefined) {
      self[key] = options[key];
    }
  });
  this._constructing = false;
  this._element.style.cssText = this._cssText();
  if (options.style) this.style = options.style;
  markLayerTreeDirty();
}
Layer.prototype = Object.create(EventEmitter.prototype);
Layer.prototype.constructor = Layer;

// --- drawing ---------------------------------------------------------------------------------
Layer.prototype._transformText = function () {
  var p = this._props;
  return 'translate(' + p.x + 'px,' + p.y + 'px) rotate(' + p.rotation + 'deg)' +
    (p.rotationX ? ' rotateX(' + p.rotationX + 'deg)' : '') + (p.rotationY ? ' rotateY(' + p.rotationY + 'deg)' : '') +
    ' scale(' + (p.scale * p.scaleX) + ',' + (p.scale * p.scaleY) + ')';
};
Layer.prototype._shadowText = function () {
  var p = this._props;
  return (p.shadowX || p.shadowY || p.shadowBlur || p.shadowSpread)
    ? p.shadowX + 'px ' + p.shadowY + 'px ' + p.shadowBlur + 'px ' + p.shadowSpread + 'px ' + p.shadowColor.toString()
    : 'none';
};
Layer.prototype._filterText = function () {
  var p = this._props, f = [];
  if (p.blur) f.push('blur(' + p.blur + 'px)');
  if (p.brightness !== 100) f.push('brightness(' + p.brightness + '%)');
  if (p.saturate !== 100) f.push('saturate(' + p.saturate + '%)');
  if (p.grayscale) f.push('grayscale(' + p.grayscale + '%)');
  return f.length ? f.join(' ') : 'none';
};
// The library carries the faces of its default text in "fonts/" beside it, so that a page shows
// the same text wherever it is opened (a mirrored phone or a browser without Roboto). The folder
// is found from the library's own address while it loads; a page that gets the library some
// other way looks in "zelvor/fonts/" beside the page.
var libraryFaces = [['Regular', 400], ['Bold', 700]];
var libraryFontsUrl = (function () {
  var script = document.currentScript;
  try {
    return new URL('fonts/', script && script.src ? script.src : new URL('zelvor/', location.href)).href;
  } catch (e) {
    return 'zelvor/fonts/';
  }
})();
function libraryFontRules() {
  return libraryFaces.map(function (face) {
    return '@font-face{font-family:Roboto;font-style:normal;font-weight:' + face[1] + ';' +
      'src:url(' + JSON.stringify(libraryFontsUrl + 'Roboto-' + face[0] + '.woff2') + ') format("woff2");}';
  }).join('');
}
// What every layer starts with lives in one style rule; the element's own style holds only what
// differs, written once when the layer is made.
var layerStyleRule = '.zelvor-layer{position:absolute;left:0;top:0;box-sizing:border-box;' +
  'background-repeat:no-repeat;background-size:cover;background-position:center center;' +
  'border-style:none;overflow:visible;display:block;transform-origin:50% 50%;' +
  'border-color:' + layerDefaults.borderColor + ';color:' + layerDefaults.color + ';opacity:1;pointer-events:none;}' +
  // Text in a sans-serif face unless the program names one (the browser's default is a serif);
  // set on the screen, so that a layer's own font still passes to its children.
  '.zelvor-screen{font-family:Roboto,"Helvetica Neue",Helvetica,Arial,sans-serif;}';
function installLayerStyle() {
  if (installLayerStyle.done) return;
  installLayerStyle.done = true;
  var style = document.createElement('style');
  style.textContent = libraryFontRules() + layerStyleRule;
  (document.head || document.documentElement).appendChild(style);
  // Fetched now rather than at the first text, so that the first frame of a program already
  // shows its text in the library's face.
  if (document.fonts && document.fonts.load) {
    libraryFaces.forEach(function (face) {
      document.fonts.load(face[1] + ' 16px Roboto').catch(function () { /* the system's face stands in */ });
    });
  }
}
Layer.prototype._cssText = function () {
  var p = this._props, d = layerDefaults;
  var css = 'width:' + p.width + 'px;height:' + p.height + 'px;transform:' + this._transformText() + ';' +
    'background-color:' + p.backgroundColor.toString() + ';';
  if (!p.ignoreEvents) css += 'pointer-events:auto;';
  if (p.borderRadius) css += 'border-radius:' + p.borderRadius + 'px;';
  if (p.borderWidth > 0) css += 'border-style:solid;border-width:' + p.borderWidth + 'px;';
  if (p.clip) css += 'overflow:hidden;';
  if (!p.visible) css += 'display:none;';
  if (p.z) css += 'z-index:' + (Math.round(p.z) || 0) + ';';
  if (p.originX !== d.originX || p.originY !== d.originY) css += 'transform-origin:' + (p.originX * 100) + '% ' + (p.originY * 100) + '%;';
  if (!p.borderColor.isEqual(defaultColors.borderColor)) css += 'border-color:' + p.borderColor.toString() + ';';
  if (!p.color.isEqual(defaultColors.color)) css += 'color:' + p.color.toString() + ';';
  if (p.opacity !== 1) css += 'opacity:' + p.opacity + ';';
  if (p.shadowX || p.shadowY || p.shadowBlur || p.shadowSpread) css += 'box-shadow:' + this._shadowText() + ';';
  if (p.blur || p.brightness !== 100 || p.saturate !== 100 || p.grayscale) css += 'filter:' + this._filterText() + ';';
  return css;
};
Layer.prototype._applyBox = function () {
  if (this._constructing) return;
  var s = this._element.style, p = this._props;
  s.width = p.width + 'px';
  s.height = p.height + 'px';
  s.borderRadius = p.borderRadius + 'px';
  s.borderStyle = p.borderWidth > 0 ? 'solid' : 'none';
  s.borderWidth = p.borderWidth + 'px';
  s.overflow = p.clip ? 'hidden' : 'visible';
  s.display = p.visible ? 'block' : 'none';
  s.zIndex = String(Math.round(p.z) || 0);
};
Layer.prototype._applyTransform = function () {
  if (this._constructing) return;
  var p = this._props;
  this._element.style.transformOrigin = (p.originX * 100) + '% ' + (p.originY * 100) + '%';
  this._element.style.transform = this._transformText();
};
Layer.prototype._applyColors = function () {
  if (this._constructing) return;
  var s = this._element.style, p = this._props;
  s.backgroundColor = p.backgroundColor.toString();
  s.borderColor = p.borderColor.toString();
  s.color = p.color.toString();
  s.opacity = String(p.opacity);
};
Layer.prototype._applyShadow = function () {
  if (!this._constructing) this._element.style.boxShadow = this._shadowText();
};
Layer.prototype._applyFilters = function () {
  if (!this._constructing) this._element.style.filter = this._filterText();
};

function defineLayerProperty(name, apply, convert) {
  Object.defineProperty(Layer.prototype, name, {
    configurable: true,
    get: function () { return this._props[name]; },
    set: function (value) {
      var v = convert ? convert(value) : value;
      if (v === undefined) return;
      var old = this._props[name];
      this._props[name] = v;
      this[apply]();
      if (old !== v && this._listeners && this._listeners['change:' + name]) this.emit('change:' + name, v);
    }
  });
}
function toNumber(value) {
  var n = +value;
  return isFinite(n) ? n : undefined;
}
function toColor(value) { return new Color(value); }

['x', 'y', 'rotation', 'rotationX', 'rotationY', 'scale', 'scaleX', 'scaleY', 'originX', 'originY'].forEach(function (n) {
  defineLayerProperty(n, '_applyTransform', toNumber);
});
['width', 'height', 'borderRadius', 'borderWidth', 'z'].forEach(function (n) { defineLayerProperty(n, '_applyBox', toNumber); });
defineLayerProperty('opacity', '_applyColors', function (v) { var n = toNumber(v); return n === undefined ? n : Utils.clamp(n, 0, 1); });
['backgroundColor', 'borderColor', 'color'].forEach(function (n) { defineLayerProperty(n, '_applyColors', toColor); });
['shadowX', 'shadowY', 'shadowBlur', 'shadowSpread'].forEach(function (n) { defineLayerProperty(n, '_applyShadow', toNumber); });
defineLayerProperty('shadowColor', '_applyShadow', toColor);
['blur', 'brightness', 'saturate', 'grayscale'].forEach(function (n) { defineLayerProperty(n, '_applyFilters', toNumber); });
defineLayerProperty('visible', '_applyBox', function (v) { return !!v; });
// The layer panel shows names and visibility: a change of either reaches it.
(function () {
  var visible = Object.getOwnPropertyDescriptor(Layer.prototype, 'visible');
  Object.defineProperty(Layer.prototype, 'visible', {
    configurable: true,
    get: visible.get,
    set: function (value) {
      var old = this._props.visible;
      visible.set.call(this, value);
      if (!this._constructing && this._props.visible !== old) markLayerTreeDirty();
    }
  });
})();
Object.defineProperty(Layer.prototype, 'name', {
  configurable: true,
  get: function () { return this._name; },
  set: function (value) {
    var name = value === undefined || value === null ? '' : String(value);
    if (name === this._name) return;
    this._name = name;
    if (!this._constructing) markLayerTreeDirty();
  }
});
// A program that makes no layers still empties the panel.
runtime.onReset(markLayerTreeDirty);
defineLayerProperty('clip', '_applyBox', function (v) { return !!v; });

Object.defineProperty(Layer.prototype, 'cornerRadius', {
  get: function () { return this.borderRadius; }, set: function (v) { this.borderRadius = v; }
});
Object.defineProperty(Layer.prototype, 'rotationZ', {
  get: function () { return this.rotation; }, set: function (v) { this.rotation = v; }
});

// --- geometry --------------------------------------------------------------------------------
Object.defineProperty(Layer.prototype, 'frame', {
  get: function () { return {x: this.x, y: this.y, width: this.width, height: this.height}; },
  set: function (f) {
    if (!f) return;
    if (f.x !== undefined) this.x = f.x;
    if (f.y !== undefined) this.y = f.y;
    if (f.width !== undefined) this.width = f.width;
    if (f.height !== undefined) this.height = f.height;
  }
});
Object.defineProperty(Layer.prototype, 'point', {
  get: function () { return {x: this.x, y: this.y}; },
  set: function (p) { if (p) { if (p.x !== undefined) this.x = p.x; if (p.y !== undefined) this.y = p.y; } }
});
Object.defineProperty(Layer.prototype, 'size', {
  get: function () { return {width: this.width, height: this.height}; },
  set: function (s) { if (s) { if (s.width !== undefined) this.width = s.width; if (s.height !== undefined) this.height = s.height; } }
});
Object.defineProperty(Layer.prototype, 'minX', {get: function () { return this.x; }, set: function (v) { this.x = v; }});
Object.defineProperty(Layer.prototype, 'minY', {get: function () { return this.y; }, set: function (v) { this.y = v; }});
Object.defineProperty(Layer.prototype, 'midX', {
  get: function () { return this.x + this.width / 2; }, set: function (v) { this.x = v - this.width / 2; }
});
Object.defineProperty(Layer.prototype, 'midY', {
  get: function () { return this.y + this.height / 2; }, set: function (v) { this.y = v - this.height / 2; }
});
Object.defineProperty(Layer.prototype, 'maxX', {
  get: function () { return this.x + this.width; }, set: function (v) { this.x = v - this.width; }
});
Object.defineProperty(Layer.prototype, 'maxY', {
  get: function () { return this.y + this.height; }, set: function (v) { this.y = v - this.height; }
});
// The frame in the coordinates of the screen (the sum of the parents' positions).
Object.defineProperty(Layer.prototype, 'screenFrame', {
  get: function () {
    var x = this.x, y = this.y, p = this._parent;
    while (p) { x += p.x; y += p.y; p = p._parent; }
    return {x: x, y: y, width: this.width, height: this.height};
  }
});
Layer.prototype._containerSize = function () {
  return this._parent ? this._parent.size : {width: Screen.width, height: Screen.height};
};
Layer.prototype.centerX = function (offset) { this.x = (this._containerSize().width - this.width) / 2 + (offset || 0); return this; };
Layer.prototype.centerY = function (offset) { this.y = (this._containerSize().height - this.height) / 2 + (offset || 0); return this; };
Layer.prototype.center = function () { this.centerX(); this.centerY(); return this; };
Layer.prototype.pixelAlign = function () { this.x = Math.round(this.x); this.y = Math.round(this.y); return this; };

// --- content ---------------------------------------------------------------------------------
Object.defineProperty(Layer.prototype, 'image', {
  get: function () { return this._props.image; },
  set: function (url) {
    url = url ? String(url) : '';
    this._props.image = url;
    var self = this;
    if (!url) { (this._imageElement || this._element).style.backgroundImage = ''; return; }
    if (this._props.backgroundColor.a > 0 && this._props.backgroundColor.isEqual(layerDefaults.backgroundColor)) {
      this.backgroundColor = 'transparent';
    }
    // Load first: an image that fails leaves the layer without one and reports no error.
    var probe = new window.Image();
    probe.onload = function () {
      if (self._destroyed || self._props.image !== url) return;
      (self._imageElement || self._element).style.backgroundImage = 'url("' + url.replace(/"/g, '\\"') + '")';
      self.emit(Events.ImageLoaded, self);
    };
    probe.onerror = function () {
      if (self._destroyed || self._props.image !== url) return;
      self._props.image = '';
      (self._imageElement || self._element).style.backgroundImage = '';
      if (window.console) console.warn('[zelvor.js] Could not load image ' + url);
      self.emit(Events.ImageLoadError, self);
    };
    probe.src = url;
  }
});
// An image that reaches past the layer (an imported shape's border or shadow) is drawn by an
// element of its own at box (x, y, width, height in the layer's coordinates), so the layer keeps
// its frame. The box is kept in proportion to the layer, so the image follows when it resizes.
Layer.prototype._setImageBox = function (box) {
  var p = this._props;
  var element = this._imageElement;
  if (!element) {
    element = this._imageElement = document.createElement('div');
    element.className = 'zelvor-layer-image';
    element.style.cssText = 'position:absolute;pointer-events:none;background-repeat:no-repeat;background-size:100% 100%;';
    this._element.insertBefore(element, this._element.firstChild);
    element.style.backgroundImage = this._element.style.backgroundImage;
    this._element.style.backgroundImage = '';
  }
  function place(length, whole) {
    return whole > 0 ? (length / whole * 100) + '%' : length + 'px';
  }
  element.style.left = place(box.x, p.width);
  element.style.top = place(box.y, p.height);
  element.style.width = place(box.width, p.width);
  element.style.height = place(box.height, p.height);
};
Object.defineProperty(Layer.prototype, 'html', {
  get: function () { return this._props.html; },
  set: function (html) {
    html = html === undefined || html === null ? '' : String(html);
    this._props.html = html;
    if (!this._htmlElement) {
      this._htmlElement = document.createElement('div');
      this._htmlElement.className = 'zelvor-layer-html';
      this._htmlElement.style.position = 'relative';
      this._element.insertBefore(this._htmlElement, this._element.firstChild);
    }
    this._htmlElement.innerHTML = html;
    // Content that can be clicked (links, form fields) needs events.
    if (html) this.ignoreEvents = this._props.ignoreEvents;
  }
});
Object.defineProperty(Layer.prototype, 'style', {
  get: function () { return this._element.style; },
  set: function (styles) {
    if (!styles) return;
    for (var k in styles) if (styles.hasOwnProperty(k)) this._element.style[k] = styles[k];
  }
});
Object.defineProperty(Layer.prototype, '_domElement', {get: function () { return this._element; }});
Object.defineProperty(Layer.prototype, 'ignoreEvents', {
  get: function () { return this._props.ignoreEvents; },
  set: function (v) {
    this._props.ignoreEvents = !!v;
    if (!this._constructing) this._element.style.pointerEvents = this._props.ignoreEvents ? 'none' : 'auto';
  }
});

// --- hierarchy -------------------------------------------------------------------------------
Layer.prototype._rootElement = function () {
  return (Zelvor.Device && Zelvor.Device.contentElement) || document.body;
};
Layer.prototype._attach = function (parent) {
  if (parent && !(parent instanceof Layer)) throw new TypeError('A layer\'s parent must be a layer');
  var p = parent;
  while (p) {
    if (p === this) throw new Error('A layer cannot be its own ancestor');
    p = p._parent;
  }
  if (this._parent) {
    var i = this._parent._children.indexOf(this);
    if (i >= 0) this._parent._children.splice(i, 1);
  }
  this._parent = parent || null;
  if (parent) {
    parent._children.push(this);
    parent._element.appendChild(this._element);
  } else {
    this._rootElement().appendChild(this._element);
  }
  markLayerTreeDirty();
};
Object.defineProperty(Layer.prototype, 'parent', {
  get: function () { return this._parent; },
  set: function (p) { this._attach(p || null); }
});
Object.defineProperty(Layer.prototype, 'superLayer', {
  get: function () { return this._parent; },
  set: function (p) { this._attach(p || null); }
});
Object.defineProperty(Layer.prototype, 'children', {get: function () { return this._children.slice(); }});
Object.defineProperty(Layer.prototype, 'subLayers', {get: function () { return this._children.slice(); }});
Object.defineProperty(Layer.prototype, 'siblings', {
  get: function () {
    var self = this;
    var all = this._parent ? this._parent._children : runtime.layers.filter(function (l) { return !l._parent; });
    return all.filter(function (l) { return l !== self; });
  }
});
Object.defineProperty(Layer.prototype, 'index', {
  get: function () { return this.z; }, set: function (v) { this.z = v; }
});
Layer.prototype.addChild = function (layer) { layer.parent = this; return this; };
Layer.prototype.addSubLayer = Layer.prototype.addChild;
Layer.prototype.removeChild = function (layer) { if (layer && layer._parent === this) layer.parent = null; return this; };
Layer.prototype.removeSubLayer = Layer.prototype.removeChild;
Layer.prototype.childrenWithName = function (name) { return this._children.filter(function (l) { return l.name === name; }); };
Layer.prototype.ancestors = function () {
  var list = [], p = this._parent;
  while (p) { list.push(p); p = p._parent; }
  return list;
};
Layer.prototype._zRange = function () {
  var zs = this.siblings.map(function (l) { return l.z; });
  return {min: zs.length ? Math.min.apply(null, zs) : 0, max: zs.length ? Math.max.apply(null, zs) : 0};
};
Layer.prototype.bringToFront = function () { this.z = this._zRange().max + 1; return this; };
Layer.prototype.sendToBack = function () { this.z = this._zRange().min - 1; return this; };
Layer.prototype.placeBefore = function (layer) { this.z = layer.z + 1; return this; };
Layer.prototype.placeBehind = function (layer) { this.z = layer.z - 1; return this; };

Layer.prototype.copy = function () {
  var options = {name: this.name, parent: this._parent};
  var self = this;
  stateProperties.forEach(function (k) { options[k] = self[k]; });
  var copy = new Layer(options);
  this._children.forEach(function (child) { child.copy().parent = copy; });
  return copy;
};

// Removes the layer and its children from the prototype.
Layer.prototype.destroy = function () {
  if (this._destroyed) return;
  this._children.slice().forEach(function (c) { c.destroy(); });
  if (this._parent) {
    var i = this._parent._children.indexOf(this);
    if (i >= 0) this._parent._children.splice(i, 1);
  }
  var j = runtime.layers.indexOf(this);
  if (j >= 0) runtime.layers.splice(j, 1);
  this._teardown();
  markLayerTreeDirty();
};
Layer.prototype._teardown = function () {
  var self = this;
  this._destroyed = true;
  runtime.animations.slice().forEach(function (a) { if (a.options.layer === self) a._halt(); });
  if (this._element.parentNode) this._element.parentNode.removeChild(this._element);
  this._listeners = {};
};

// --- events ----------------------------------------------------------------------------------
Layer.prototype._didAddListener = function (name) {
  if (!isDomEvent(name) || this._domHandlers[name]) return;
  var self = this;
  var handler = function (event) { self.emit(name, event, self); };
  this._domHandlers[name] = handler;
  this._element.addEventListener(domEventFor[name], handler);
  this.ignoreEvents = false;
};
[['onClick', 'click'], ['onTouchStart', 'touchstart'], ['onTouchEnd', 'touchend'], ['onTouchMove', 'touchmove'],
 ['onMouseOver', 'mouseover'], ['onMouseOut', 'mouseout'], ['onAnimationStart', 'start'], ['onAnimationEnd', 'end'],
 ['onAnimationStop', 'stop'], ['onDragStart', 'dragstart'], ['onDragMove', 'dragmove'], ['onDragEnd', 'dragend'],
 ['onStateWillSwitch', 'stateswillswitch'], ['onStateDidSwitch', 'statesdidswitch']].forEach(function (pair) {
  Layer.prototype[pair[0]] = function (fn) { return this.on(pair[1], fn); };
});

// --- animation -------------------------------------------------------------------------------
// layer.animate(properties: {x: 100}, time: 0.5, curve: "ease-in") or
// layer.animate(x: 100, options: {time: 0.5}).
Layer.prototype.animate = function (options) {
  options = options || {};
  var settings = {layer: this};
  if (options.properties) {
    settings.properties = options.properties;
    ['curve', 'time', 'delay', 'repeat'].forEach(function (k) { if (options[k] !== undefined) settings[k] = options[k]; });
  } else {
    settings.properties = {};
    var extra = options.options || {};
    for (var k in options) {
      if (!options.hasOwnProperty(k) || k === 'options') continue;
      if (k === 'curve' || k === 'time' || k === 'delay' || k === 'repeat') settings[k] = options[k];
      else settings.properties[k] = options[k];
    }
    for (var e in extra) if (extra.hasOwnProperty(e)) settings[e] = extra[e];
  }
  var animation = new Animation(settings);
  animation.start();
  return animation;
};
Layer.prototype.animations = function () {
  var self = this;
  return runtime.animations.filter(function (a) { return a.options.layer === self; });
};
Layer.prototype.isAnimating = function () { return this.animations().length > 0; };
Layer.prototype.animateStop = function () { this.animations().forEach(function (a) { a.stop(); }); return this; };

Layer.prototype.toInspect = function () {
  return '<Layer id:' + this.id + (this.name ? ' name:' + this.name : '') + ' (' + this.x + ',' + this.y + ') ' +
    this.width + 'x' + this.height + '>';
};
Layer.prototype.toString = Layer.prototype.toInspect;

// --- states and dragging, made on first use ---------------------------------------------------
Object.defineProperty(Layer.prototype, 'states', {
  get: function () { return this._states || (this._states = new LayerStates(this)); }
});
Object.defineProperty(Layer.prototype, 'draggable', {
  get: function () { return this._draggable || (this._draggable = new LayerDraggable(this)); },
  set: function (v) { this.draggable.enabled = !!v; }
});

Layer.select = function (name) {
  for (var i = 0; i < runtime.layers.length; i++) if (runtime.layers[i].name === name) return runtime.layers[i];
  return null;
};
Layer.all = function () { return runtime.layers.slice(); };
