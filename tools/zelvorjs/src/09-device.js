// Shows the prototype inside a device frame at a scale and orientation, optionally held in a
// hand. The device table (DEVICE_DATA) comes from the same description that draws the frame
// images, so the screen cut-out of each image and the screen here always agree.
var deviceTable = (function () {
  var table = {fullscreen: {id: 'fullscreen', kind: 'fullscreen', hands: false, devicePixelRatio: 1}};
  Object.keys(DEVICE_DATA.families).forEach(function (name) {
    var f = DEVICE_DATA.families[name];
    Object.keys(f.variants).forEach(function (id) {
      table[id] = {
        id: id, family: name, kind: f.kind, hands: !!f.hands, devicePixelRatio: f.dpr,
        screenWidth: f.screen[0], screenHeight: f.screen[1], screenX: f.bezel[0], screenY: f.bezel[1],
        deviceImage: id + '.png',
        deviceImageWidth: f.screen[0] + f.bezel[0] + f.bezel[2],
        deviceImageHeight: f.screen[1] + f.bezel[1] + f.bezel[3]
      };
    });
  });
  return table;
})();

// The largest device or content scale taken; beyond it (or below its inverse) the device or
// its content would not show at all.
var maxScale = 10;
var devicePropertyNames = ['deviceType', 'deviceScale', 'contentScale', 'orientation', 'fullScreen', 'selectedHand'];

function DeviceView(options) {
  if (!(this instanceof DeviceView)) return new DeviceView(options);
  var defaults = _.extend({}, Zelvor.Defaults.DeviceView || {}, options || {});
  function given(v) { return v !== undefined && v !== null && v !== ''; }
  this._deviceType = 'fullscreen';
  this._deviceScale = 'fit';
  this._contentScale = 1;
  this._orientation = 0;
  this._selectedHand = '';
  this.phoneScale = 1;
  this._setup = false;
  this.setDeviceType(given(defaults.deviceType) ? defaults.deviceType : 'fullscreen', false, true);
  if (given(defaults.deviceScale)) this.setDeviceScale(defaults.deviceScale, false, true);
  if (given(defaults.contentScale)) this.setContentScale(defaults.contentScale, false, true);
  if (given(defaults.orientation)) this.setOrientation(defaults.orientation, false, true);
  if (given(defaults.selectedHand)) this.setHand(defaults.selectedHand, true);
}
DeviceView.prototype = Object.create(EventEmitter.prototype);
DeviceView.prototype.constructor = DeviceView;
DeviceView.Devices = deviceTable;
DeviceView.Hands = Object.keys(DEVICE_DATA.hands);
DeviceView.backgroundColor = '#1e1e20';

Object.defineProperty(DeviceView.prototype, 'device', {get: function () { return deviceTable[this._deviceType]; }});
Object.defineProperty(DeviceView.prototype, 'fullScreen', {
  get: function () { return this._deviceType === 'fullscreen'; },
  set: function (v) { if (v) this.setDeviceType('fullscreen'); }
});
[['deviceType', 'setDeviceType'], ['deviceScale', 'setDeviceScale'], ['contentScale', 'setContentScale'],
 ['orientation', 'setOrientation'], ['selectedHand', 'setHand']].forEach(function (pair) {
  Object.defineProperty(DeviceView.prototype, pair[0], {
    enumerable: true,
    get: function () { return this['_' + pair[0]]; },
    set: function (v) { this[pair[1]](v); }
  });
});

// The page's device state, as the application reads it.
DeviceView.prototype.state = function () { return _.pick(this, devicePropertyNames); };

DeviceView.prototype._changed = function (before, quiet) {
  if (!this._setup) return;
  this._layout(false);
  var after = this.state();
  if (quiet || _.isEqual(before, after)) return;
  this.emit('change:device', after);
  bridge('device:change', after);
};

// An identifier the table does not know is mapped from its earlier name, or shows no device.
DeviceView.prototype.setDeviceType = function (id, animate, quiet) {
  var before = this.state();
  id = String(id || '');
  if (!deviceTable[id]) id = DEVICE_DATA.earlier[id.replace(/-hand$/, '')] || 'fullscreen';
  if (!deviceTable[id]) id = 'fullscreen';
  this._deviceType = id;
  if (!this._supportsLandscape()) this._orientation = 0;
  if (!this.device.hands) this._selectedHand = '';
  this._changed(before, quiet);
};
DeviceView.prototype.setDeviceScale = function (scale, animate, quiet) {
  var before = this.state();
  var n = +scale;
  // A scale no screen can show (a project's settings may hold anything) fits the device instead.
  this._deviceScale = (scale === 'fit' || !isFinite(n) || n <= 0 || n > maxScale) ? 'fit' : n;
  this._animateNext = !!animate;
  this._changed(before, quiet);
};
DeviceView.prototype.setContentScale = function (scale, animate, quiet) {
  var before = this.state();
  var n = +scale;
  this._contentScale = isFinite(n) && n >= 1 / maxScale && n <= maxScale ? n : 1;
  this._changed(before, quiet);
};
DeviceView.prototype._supportsLandscape = function () {
  var kind = this.device.kind;
  return kind === 'phone' || kind === 'tablet';
};
DeviceView.prototype.setOrientation = function (orientation, animate, quiet) {
  var before = this.state();
  var o = Math.round(+orientation) || 0;
  if (o !== 90 && o !== -90) o = 0;
  if (!this._supportsLandscape()) o = 0;
  this._orientation = o;
  if (o !== 0) this._selectedHand = '';
  this._animateNext = !!animate;
  this._changed(before, quiet);
};
DeviceView.prototype.rotateLeft = function () { this.setOrientation(this._orientation === 0 ? 90 : 0, true); };
DeviceView.prototype.rotateRight = function () { this.setOrientation(this._orientation === 0 ? -90 : 0, true); };
DeviceView.prototype.setHand = function (hand, quiet) {
  var before = this.state();
  hand = String(hand || '');
  this._selectedHand = (hand && this.device.hands && this._orientation === 0 && DEVICE_DATA.hands[hand]) ? hand : '';
  this._changed(before, quiet);
  return this._selectedHand;
};
// Cycles through the hands and no hand; answers the hand now shown ("" for none).
DeviceView.prototype.nextHand = function () {
  if (!this.device.hands || this._orientation !== 0) return this.setHand('');
  var cycle = DeviceView.Hands.concat(['']);
  var i = cycle.indexOf(this._selectedHand);
  return this.setHand(cycle[(i + 1) % cycle.length]);
};

DeviceView.prototype._isLandscape = function () { return this._orientation === 90 || this._orientation === -90; };
DeviceView.prototype.contentWidth = function () {
  var d = this.device;
  if (d.kind === 'fullscreen') return window.innerWidth / this._contentScale;
  return (this._isLandscape() ? d.screenHeight : d.screenWidth) / this._contentScale;
};
DeviceView.prototype.contentHeight = function () {
  var d = this.device;
  if (d.kind === 'fullscreen') return window.innerHeight / this._contentScale;
  return (this._isLandscape() ? d.screenWidth : d.screenHeight) / this._contentScale;
};
// How many content pixels one window pixel is (for dragging).
DeviceView.prototype.screenToContentScale = function () {
  return 1 / ((this.device.kind === 'fullscreen' ? 1 : this.phoneScale) * this._contentScale);
};

function imagesUrl() {
  var info = window.ZelvorStudioInfo || {};
  var url = info.deviceImagesUrl || 'DeviceImages';
  return url.replace(/\/+$/, '');
}

// Builds the elements of the device view: the background, the device body with its frame image
// and hand, and the screen whose content element holds every layer.
DeviceView.prototype.setupContext = function () {
  if (this._setup) return;
  // The script may run from the page's head: the view joins the body as soon as there is one.
  function attach(node) {
    if (document.body) {
      document.body.style.margin = '0';
      document.body.style.overflow = 'hidden';
      document.body.appendChild(node);
    } else {
      document.addEventListener('DOMContentLoaded', function () { attach(node); });
    }
  }
  var bg = this.backgroundElement = document.createElement('div');
  bg.id = 'ZelvorDeviceBackground';
  bg.style.cssText = 'position:fixed;left:0;top:0;right:0;bottom:0;overflow:hidden;background-color:' + DeviceView.backgroundColor;
  // Sized to the scaled device with its margin, so that a device larger than the window can be
  // scrolled into view (wheel, scroll bars) instead of being cut off.
  var sizer = this._sizerElement = document.createElement('div');
  sizer.className = 'zelvor-device-extent';
  sizer.style.cssText = 'position:absolute;left:0;top:0;width:0;height:0;pointer-events:none;';
  bg.appendChild(sizer);
  var phone = this.phoneElement = document.createElement('div');
  phone.className = 'zelvor-device';
  phone.style.cssText = 'position:absolute;left:50%;top:50%;transform-origin:50% 50%;';
  var hand = this.handElement = document.createElement('img');
  hand.className = 'zelvor-device-hand';
  hand.style.cssText = 'position:absolute;pointer-events:none;display:none;';
  var image = this.imageElement = document.createElement('img');
  image.className = 'zelvor-device-image';
  image.style.cssText = 'position:absolute;left:0;top:0;pointer-events:none;';
  image.onerror = function () { image.style.visibility = 'hidden'; };
  image.onload = function () { image.style.visibility = 'visible'; };
  var screen = this.screenElement = document.createElement('div');
  screen.className = 'zelvor-device-screen';
  screen.style.cssText = 'position:absolute;overflow:hidden;background-color:black;';
  var content = this.contentElement = document.createElement('div');
  content.id = 'ZelvorScreen';
  content.className = 'zelvor-screen';
  content.style.cssText = 'position:absolute;left:50%;top:50%;overflow:hidden;background-color:white;';
  screen.appendChild(content);
  phone.appendChild(hand);
  phone.appendChild(image);
  phone.appendChild(screen);
  bg.appendChild(phone);
  attach(bg);
  // Layers made before the context existed move into the screen.
  runtime.layers.forEach(function (l) { if (!l._parent) content.appendChild(l._element); });
  var self = this;
  window.addEventListener('resize', function () { self._layout(false); });
  this._setup = true;
  this._layout(false);
};

DeviceView.prototype._layout = function (animate) {
  if (!this._setup) return;
  var d = this.device;
  var animateNow = animate || this._animateNext;
  this._animateNext = false;
  var transition = animateNow ? 'transform 0.3s ease' : 'none';
  var phone = this.phoneElement, screen = this.screenElement, content = this.contentElement;
  var c = this._contentScale;
  var scale;
  if (d.kind === 'fullscreen') {
    this.imageElement.style.display = 'none';
    this.handElement.style.display = 'none';
    phone.style.transition = 'none';
    phone.style.width = window.innerWidth + 'px';
    phone.style.height = window.innerHeight + 'px';
    phone.style.transform = 'translate(-50%,-50%)';
    this._placeInWindow(null);
    screen.style.left = '0px';
    screen.style.top = '0px';
    screen.style.width = window.innerWidth + 'px';
    screen.style.height = window.innerHeight + 'px';
    scale = 1;
  } else {
    var image = this.imageElement;
    var src = imagesUrl() + '/' + d.deviceImage;
    if (image.getAttribute('src') !== src) image.setAttribute('src', src);
    image.style.display = 'block';
    image.style.width = d.deviceImageWidth + 'px';
    image.style.height = d.deviceImageHeight + 'px';
    phone.style.width = d.deviceImageWidth + 'px';
    phone.style.height = d.deviceImageHeight + 'px';
    screen.style.left = d.screenX + 'px';
    screen.style.top = d.screenY + 'px';
    screen.style.width = d.screenWidth + 'px';
    screen.style.height = d.screenHeight + 'px';
    var box = {w: d.deviceImageWidth, h: d.deviceImageHeight};
    var hand = this.handElement;
    if (this._selectedHand && d.hands && !this._isLandscape()) {
      var g = DEVICE_DATA.handGeometry, k = d.deviceImageWidth / g.device[2];
      var handSrc = imagesUrl() + '/' + this._selectedHand + '.png';
      if (hand.getAttribute('src') !== handSrc) hand.setAttribute('src', handSrc);
      hand.style.display = 'block';
      hand.style.left = (-g.device[0] * k) + 'px';
      hand.style.top = (-g.device[1] * k) + 'px';
      hand.style.width = (g.size[0] * k) + 'px';
      hand.style.height = (g.size[1] * k) + 'px';
      box = {w: g.size[0] * k, h: g.size[1] * k};
    } else {
      hand.style.display = 'none';
    }
    if (this._isLandscape()) box = {w: box.h, h: box.w};
    if (this._deviceScale === 'fit') {
      var pad = 20;
      scale = Math.min((window.innerWidth - 2 * pad) / box.w, (window.innerHeight - 2 * pad) / box.h);
      scale = Math.max(0.01, scale);
    } else {
      scale = this._deviceScale;
    }
    phone.style.transition = transition;
    phone.style.transform = 'translate(-50%,-50%) scale(' + scale + ') rotate(' + (-this._orientation) + 'deg)';
    this._placeInWindow({w: box.w * scale + 40, h: box.h * scale + 40}, scale !== this.phoneScale);
  }
  var w = this.contentWidth(), h = this.contentHeight();
  content.style.width = w + 'px';
  content.style.height = h + 'px';
  content.style.transition = transition;
  content.style.transform = 'translate(-50%,-50%) rotate(' + this._orientation + 'deg) scale(' + c + ')';
  if (scale !== this.phoneScale) {
    this.phoneScale = scale;
    bridge('change:phoneScale', {phoneScale: scale});
  }
};

// Centres the device in the window, or, when the scaled device (`extent`, with its margin) is
// larger than the window, in a scrollable area of its size; `recentre` scrolls to its middle
// (after a change of scale). A null extent is the window alone.
DeviceView.prototype._placeInWindow = function (extent, recentre) {
  var bg = this.backgroundElement, phone = this.phoneElement, sizer = this._sizerElement;
  var vw = window.innerWidth, vh = window.innerHeight;
  var w = extent ? Math.max(vw, Math.ceil(extent.w)) : vw;
  var h = extent ? Math.max(vh, Math.ceil(extent.h)) : vh;
  var scrolls = w > vw || h > vh;
  sizer.style.width = w + 'px';
  sizer.style.height = h + 'px';
  phone.style.left = scrolls ? (w / 2) + 'px' : '50%';
  phone.style.top = scrolls ? (h / 2) + 'px' : '50%';
  bg.style.overflow = scrolls ? 'auto' : 'hidden';
  if (scrolls && recentre) {
    bg.scrollLeft = (w - bg.clientWidth) / 2;
    bg.scrollTop = (h - bg.clientHeight) / 2;
  }
};

Zelvor.DeviceView = DeviceView;
