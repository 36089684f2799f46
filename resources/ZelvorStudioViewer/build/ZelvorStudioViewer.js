// The preview page's side of the bridge to Zelvor Studio. Runs after zelvor.js and the device
// set-up. The application calls window._receive(method, args); the page answers through
// window._bridge(method, args) (installed by the application before the page loads).
//
// Messages the page sends:
//   "runtime.error"     {message, lineNumber, colNumber, type: "coffeescript" | "javascript"}
//   "device:change"     the device state {deviceType, deviceScale, contentScale, orientation,
//                       fullScreen, selectedHand}, only when it really changed
//   "change:phoneScale" {phoneScale}: the scale the device is drawn at
//   "ui:layers"         {data: {layers: [{id, name, hash, frame, visible, children}]}} after the
//                       layer tree changed
//   "ui:hover"          {data: {hash, id}} when the pointer enters a layer, {data: {}} when it
//                       leaves the layers
// Messages the page understands:
//   "ui:highlight"      {data: {hash, id}}: outlines the layer of that id, or without an id the
//                       layers made by that code; neither clears
//   "ui:unhighlight"    clears the outline
//   "ui:layers"         asks for the layer tree ("ui:layers" is sent back)
(function () {
  if (!window.Zelvor || !window.ZelvorStudio) return;
  var runtime = ZelvorStudio.runtime;
  var highlightClass = 'zelvor-highlighted';

  var style = document.createElement('style');
  style.textContent = '.' + highlightClass + '{outline:2px solid #28affa !important;outline-offset:-1px;}';
  (document.head || document.documentElement).appendChild(style);

  function layersWithHash(hash) {
    return runtime.layers.filter(function (l) { return l.typeHash === hash; });
  }

  function clearHighlight() {
    var marked = document.querySelectorAll('.' + highlightClass);
    for (var i = 0; i < marked.length; i++) marked[i].classList.remove(highlightClass);
  }

  function highlight(hash, id) {
    clearHighlight();
    var layers = typeof id === 'number'
      ? runtime.layers.filter(function (l) { return l.id === id; })
      : (typeof hash === 'string' && hash ? layersWithHash(hash) : []);
    layers.forEach(function (l) { l._element.classList.add(highlightClass); });
  }

  function sendLayers() {
    runtime.bridge('ui:layers', {data: {layers: runtime.layerTree()}});
  }

  window._receive = function (method, args) {
    var data = args && args.data ? args.data : {};
    switch (method) {
    case 'ui:highlight': highlight(data.hash, data.id); break;
    case 'ui:unhighlight': clearHighlight(); break;
    case 'ui:layers': sendLayers(); break;
    default: break;
    }
  };

  // Hovering a layer in the preview tells the layer panel which code made it.
  var hovered = null;
  // Layers that ignore events are not hit by the pointer, so the hovered layer is found by
  // geometry: the last drawn visible layer under the pointer.
  function layerAt(x, y) {
    var found = null;
    for (var i = 0; i < runtime.layers.length; i++) {
      var layer = runtime.layers[i];
      if (!layer._element.offsetParent && layer._element.style.display === 'none') continue;
      var r = layer._element.getBoundingClientRect();
      if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) found = layer;
    }
    return found;
  }
  var pending = null;
  document.addEventListener('mousemove', function (event) {
    if (pending) { pending = {x: event.clientX, y: event.clientY}; return; }
    pending = {x: event.clientX, y: event.clientY};
    window.requestAnimationFrame(function () {
      var layer = layerAt(pending.x, pending.y);
      pending = null;
      if (layer === hovered) return;
      hovered = layer;
      runtime.bridge('ui:hover', {data: layer ? {hash: layer.typeHash, id: layer.id} : {}});
    });
  }, true);

  runtime.onReset(function () { hovered = null; });
})();
