// The documentation page's side of the bridge to Zelvor Studio.
// Messages the page understands (window._receive(method, args)):
//   "search"    {search: term}  marks every match of the term and shows the first; answered with
//                               "search" {search: term} once done
//   "clear"                     removes the marks
//   "next", "previous"          shows the next or previous match, round the end
//   "anchor"    {anchor: name}  shows the entry of that anchor
// Terms and anchors are only compared with the page's text and element ids: never markup.
(function () {
  'use strict';
  var content = document.getElementById('content');
  var status = document.getElementById('status');
  var hits = [];
  var current = -1;

  function send(method, args) {
    if (typeof window._bridge === 'function') window._bridge(method, args);
  }

  function showStatus(text) {
    status.textContent = text;
    status.hidden = !text;
  }

  function clearSearch() {
    if (!hits.length) { showStatus(''); return; }
    var parents = [];
    hits.forEach(function (mark) {
      var parent = mark.parentNode;
      if (!parent) return;
      parent.replaceChild(document.createTextNode(mark.textContent), mark);
      if (parents.indexOf(parent) < 0) parents.push(parent);
    });
    parents.forEach(function (p) { p.normalize(); });
    hits = [];
    current = -1;
    showStatus('');
  }

  function show(index) {
    if (current >= 0 && hits[current]) hits[current].classList.remove('current');
    current = index;
    if (current < 0 || !hits[current]) return;
    hits[current].classList.add('current');
    hits[current].scrollIntoView({block: 'center'});
    showStatus((current + 1) + ' of ' + hits.length);
  }

  function search(term) {
    clearSearch();
    var needle = term.toLowerCase();
    if (!needle) return;
    var walker = document.createTreeWalker(content, NodeFilter.SHOW_TEXT);
    var nodes = [];
    while (walker.nextNode()) nodes.push(walker.currentNode);
    nodes.forEach(function (node) {
      var text = node.nodeValue;
      var lower = text.toLowerCase();
      if (lower.length !== text.length) return; // a case change that alters the length: not matched
      var at = lower.indexOf(needle);
      if (at < 0) return;
      var fragment = document.createDocumentFragment();
      var last = 0;
      while (at >= 0) {
        if (at > last) fragment.appendChild(document.createTextNode(text.slice(last, at)));
        var mark = document.createElement('mark');
        mark.textContent = text.slice(at, at + needle.length);
        fragment.appendChild(mark);
        hits.push(mark);
        last = at + needle.length;
        at = lower.indexOf(needle, last);
      }
      if (last < text.length) fragment.appendChild(document.createTextNode(text.slice(last)));
      node.parentNode.replaceChild(fragment, node);
    });
    if (hits.length) show(0);
    else showStatus('No matches');
  }

  function step(by) {
    if (!hits.length) return;
    show((current + by + hits.length) % hits.length);
  }

  function showAnchor(name) {
    var target = document.getElementById(name);
    if (!target) {
      var lower = name.toLowerCase();
      var all = content.querySelectorAll('[id]');
      for (var i = 0; i < all.length && !target; i++) if (all[i].id.toLowerCase() === lower) target = all[i];
    }
    if (!target) return;
    target.scrollIntoView({block: 'start'});
    target.classList.remove('target');
    void target.offsetWidth; // restarts the flash
    target.classList.add('target');
  }

  window._receive = function (method, args) {
    var data = args && typeof args === 'object' ? args : {};
    if (method === 'search' && typeof data.search === 'string') {
      search(data.search);
      send('search', {search: data.search});
    } else if (method === 'clear') {
      clearSearch();
    } else if (method === 'next') {
      step(1);
    } else if (method === 'previous') {
      step(-1);
    } else if (method === 'anchor' && typeof data.anchor === 'string') {
      showAnchor(data.anchor);
    }
  };

  window.zelvorDocs = {
    hitCount: function () { return hits.length; },
    currentHit: function () { return current; },
    currentText: function () { return current >= 0 ? hits[current].textContent : ''; },
    targetId: function () { var t = document.querySelector('.target'); return t ? t.id : ''; }
  };
})();
