// The layer panel of Zelvor Studio: the layer tree of the prototype running in the preview.
//
// Messages the panel understands (window._receive(method, args)):
//   "ui:layers"          {data: {layers: [{id, name, variable, hash, visible, children}]}}: the whole
//                        tree; a row shows the layer's name, else the variable or property the
//                        code assigned it to, else its kind and number
//   "ui:hover"           {data: {id}} the pointer is over that layer in the preview; {data: {}} off
//   "enableCodeButtons"  [enabled, down]: accepted, the panel has no code buttons
//   "collapsedLayers"    {data: {ids: [id]}} the rows shown closed (as the project was left)
// Messages the panel sends (window._bridge(method, args)):
//   "ui:layers"          {data: {}} once ready: asks the preview for its tree
//   "ui:highlight"       {data: {hash, id}} the pointer entered a row ("" for a layer without code)
//   "ui:unhighlight"     {data: {}} and then "layersRollOut": the pointer left the rows
//   "layerClick"         {data: {hash}} a row was clicked
//   "collapsedLayers"    {data: {ids: [id]}} the rows closed now, after the user opened or closed one
// "ui:" messages received are never answered with "ui:" messages, so nothing bounces between
// the panel and the preview. Names are shown as text, never as markup.
(function () {
  'use strict';
  var tree = document.getElementById('tree');
  var empty = document.getElementById('empty');
  var count = document.getElementById('count');
  var kIndent = 12;
  var kMaxIndentDepth = 24;

  var collapsed = Object.create(null); // layer id -> true
  var rowsById = Object.create(null);
  var hoveredRow = null;
  var linkedRow = null;
  var layerCount = 0;

  function send(method, args) {
    if (typeof window._bridge === 'function') window._bridge(method, args);
  }

  function text(value) {
    return typeof value === 'string' ? value : '';
  }

  function makeRow() {
    var row = document.createElement('div');
    row.setAttribute('role', 'treeitem');
    row._toggle = document.createElement('span');
    row._name = document.createElement('span');
    row.appendChild(row._toggle);
    row.appendChild(row._name);
    return row;
  }

  function makeGroup() {
    var group = document.createElement('div');
    group.className = 'children';
    group.setAttribute('role', 'group');
    return group;
  }

  // Only what changed is written: a program run again usually keeps most of its tree.
  function fillRow(row, layer, depth, hasChildren) {
    var id = typeof layer.id === 'number' ? layer.id : null;
    row._layerId = id;
    row._layerHash = text(layer.hash);
    var rowClass = 'row' + (layer.visible === false ? ' hidden' : '');
    if (row.className !== rowClass) row.className = rowClass;
    var indent = (4 + Math.min(depth, kMaxIndentDepth) * kIndent) + 'px';
    if (row._indent !== indent) row.style.paddingLeft = row._indent = indent;
    var toggleClass = 'toggle' + (hasChildren ? (id !== null && collapsed[id] ? ' closed' : ' open') : '');
    if (row._toggle.className !== toggleClass) row._toggle.className = toggleClass;
    var label = text(layer.name);
    var variable = label ? '' : text(layer.variable);
    var nameClass = 'name' + (label ? '' : variable ? ' variable' : ' untitled');
    if (row._name.className !== nameClass) row._name.className = nameClass;
    var shown = label || variable || ('Layer ' + (id !== null ? id : ''));
    if (row._label !== shown) row._name.textContent = row.title = row._label = shown;
  }

  // Built without recursion (a program may nest its layers deeply), into the rows and groups
  // already shown where there are some: each container's children are its rows, each followed
  // by the group of its children when it has any.
  function render(layers) {
    rowsById = Object.create(null);
    hoveredRow = null;
    linkedRow = null;
    layerCount = 0;
    var stack = [[layers, tree, 0]];
    while (stack.length) {
      var item = stack.pop();
      var container = item[1], depth = item[2];
      var next = container.firstChild;
      for (var i = 0; i < item[0].length; i++) {
        var layer = item[0][i];
        if (!layer || typeof layer !== 'object') continue;
        var children = Array.isArray(layer.children) ? layer.children : [];
        var row = next && next._toggle ? next : container.insertBefore(makeRow(), next);
        next = row.nextSibling;
        fillRow(row, layer, depth, children.length > 0);
        layerCount++;
        if (row._layerId !== null) rowsById[row._layerId] = row;
        var group = next && next.className === 'children' ? next : null;
        if (!children.length) {
          row._group = null;
          if (group) { next = group.nextSibling; container.removeChild(group); }
          continue;
        }
        if (!group) group = container.insertBefore(makeGroup(), next);
        next = group.nextSibling;
        var closed = row._layerId !== null && !!collapsed[row._layerId];
        if (group.hidden !== closed) group.hidden = closed;
        row._group = group;
        stack.push([children, group, depth + 1]);
      }
      while (next) {
        var after = next.nextSibling;
        container.removeChild(next);
        next = after;
      }
    }
    empty.hidden = layerCount > 0;
    count.textContent = layerCount ? layerCount + (layerCount === 1 ? ' layer' : ' layers') : '';
  }

  function rowOf(node) {
    while (node && node !== tree) {
      if (node.classList && node.classList.contains('row')) return node;
      node = node.parentNode;
    }
    return null;
  }

  function hover(row) {
    if (row === hoveredRow) return;
    if (hoveredRow) hoveredRow.classList.remove('hovered');
    hoveredRow = row;
    if (!row) {
      send('ui:unhighlight', {data: {}});
      send('layersRollOut');
      return;
    }
    row.classList.add('hovered');
    var data = {hash: row._layerHash};
    if (row._layerId !== null) data.id = row._layerId;
    send('ui:highlight', {data: data});
  }

  tree.addEventListener('mouseover', function (event) { hover(rowOf(event.target)); });
  document.documentElement.addEventListener('mouseleave', function () { hover(null); });
  tree.addEventListener('click', function (event) {
    var row = rowOf(event.target);
    if (!row) return;
    if (event.target.classList.contains('toggle') && row._group) {
      var close = !row._group.hidden;
      row._group.hidden = close;
      event.target.className = 'toggle ' + (close ? 'closed' : 'open');
      if (row._layerId !== null) {
        if (close) collapsed[row._layerId] = true;
        else delete collapsed[row._layerId];
        send('collapsedLayers', {data: {ids: Object.keys(collapsed).map(Number)}});
      }
      return;
    }
    send('layerClick', {data: {hash: row._layerHash}});
  });

  // The pointer over a layer in the preview marks its row.
  function link(id) {
    if (linkedRow) linkedRow.classList.remove('linked');
    linkedRow = typeof id === 'number' && rowsById[id] ? rowsById[id] : null;
    if (!linkedRow) return;
    linkedRow.classList.add('linked');
    if (linkedRow.offsetParent) linkedRow.scrollIntoView({block: 'nearest'});
  }

  window._receive = function (method, args) {
    var data = args && typeof args === 'object' && args.data && typeof args.data === 'object' ? args.data : {};
    if (method === 'ui:layers') {
      if (Array.isArray(data.layers)) render(data.layers);
    } else if (method === 'ui:hover') {
      link(data.id);
    } else if (method === 'collapsedLayers' && Array.isArray(data.ids)) {
      collapsed = Object.create(null);
      data.ids.forEach(function (id) { if (typeof id === 'number') collapsed[id] = true; });
      Object.keys(rowsById).forEach(function (id) {
        var row = rowsById[id];
        if (!row._group) return;
        row._group.hidden = !!collapsed[id];
        row._toggle.className = 'toggle ' + (collapsed[id] ? 'closed' : 'open');
      });
    }
  };

  window.zelvorLayerPanel = {
    rowCount: function () { return layerCount; },
    rowNames: function () {
      return Array.prototype.map.call(tree.querySelectorAll('.row .name'), function (n) { return n.textContent; });
    }
  };

  render([]);
  send('ui:layers', {data: {}});
})();
