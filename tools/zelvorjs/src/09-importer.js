// Layers imported from a design tool. An import is a folder of the project, "imported/<name>@<scale>x",
// that the design-file exporters write: "layers.json" (the layer tree, each layer's frame in its
// parent's coordinates, its image frame in its own) and the layer images. A page that cannot
// read files (opened from disk) finds the same tree registered by "layers.json.js".
var Importer = {};
var kMaxImportedLayers = 10000;
var kMaxImportedDepth = 100;

function importedNumber(value) {
  return typeof value === 'number' && isFinite(value) ? value : 0;
}

function importedTree(folder) {
  try {
    var request = new window.XMLHttpRequest();
    request.open('GET', folder + '/layers.json', false);  // load answers at once, as programs expect
    request.send(null);
    if ((request.status === 200 || request.status === 0) && request.responseText) return JSON.parse(request.responseText);
  } catch (e) { /* not served: the registered tree may be there */ }
  var registered = window.__zelvorImportedLayers;
  var name = folder.split('/').pop();
  if (registered && Object.prototype.hasOwnProperty.call(registered, name)) return registered[name];
  return null;
}

// An image path of the tree names a file inside the import folder, nothing else.
function importedImageUrl(folder, path) {
  if (typeof path !== 'string' || !path || /^[\/\\]|[:?#\\]/.test(path)) return '';
  var parts = path.split('/');
  for (var i = 0; i < parts.length; i++) {
    if (!parts[i] || parts[i] === '.' || parts[i] === '..') return '';
    parts[i] = encodeURIComponent(parts[i]);
  }
  return folder + '/' + parts.join('/');
}

Importer.load = function (path) {
  var folder = String(path === undefined ? '' : path).replace(/\/+$/, '');
  var tree = importedTree(folder);
  if (!Array.isArray(tree)) {
    throw new Error('Importer.load: no imported layers in "' + folder + '": import the design again or check the name');
  }
  var layers = {};
  var count = 0;

  function make(data, parent, depth) {
    if (!data || typeof data !== 'object' || depth > kMaxImportedDepth || count >= kMaxImportedLayers) return;
    count++;
    var frame = data.frame && typeof data.frame === 'object' ? data.frame : {};
    var x = importedNumber(frame.x), y = importedNumber(frame.y);
    var width = importedNumber(frame.width), height = importedNumber(frame.height);
    var image = data.image && typeof data.image === 'object' ? data.image : null;
    var url = image ? importedImageUrl(folder, image.path) : '';
    // An image may reach past the layer (a shape's border or shadow): the layer keeps the
    // design's frame, which programs lay out and animate by, and the image is placed around it.
    var box = null;
    if (url && image.frame && typeof image.frame === 'object') {
      box = {x: importedNumber(image.frame.x), y: importedNumber(image.frame.y),
             width: importedNumber(image.frame.width), height: importedNumber(image.frame.height)};
      if (box.x === 0 && box.y === 0 && box.width === width && box.height === height) box = null;
    }
    var name = typeof data.name === 'string' ? data.name : '';
    var options = {name: name, x: x, y: y, width: width, height: height, backgroundColor: 'transparent'};
    if (parent) options.parent = parent;
    if (url) options.image = url;
    if (data.visible === false) options.visible = false;
    if (typeof data.opacity === 'number' && data.opacity >= 0 && data.opacity <= 1) options.opacity = data.opacity;
    var layer = new Layer(options);
    if (box) layer._setImageBox(box);
    // The first layer of a name answers to it: designers repeat names in other artboards.
    if (!Object.prototype.hasOwnProperty.call(layers, name)) layers[name] = layer;
    if (Array.isArray(data.children)) {
      for (var i = 0; i < data.children.length; i++) make(data.children[i], layer, depth + 1);
    }
  }

  for (var i = 0; i < tree.length; i++) make(tree[i], null, 0);
  return layers;
};
