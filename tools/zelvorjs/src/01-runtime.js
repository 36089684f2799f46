// The runtime keeps account of everything a program creates (layers, timers, animations, DOM
// listeners) so that ZelvorStudio.runtime.reset() can remove all of it before the next run:
// the page is never reloaded to run a new program.
var Zelvor = window.Zelvor = window.Zelvor || {};
Zelvor.Defaults = Zelvor.Defaults || {};

var runtime = {
  layers: [],
  timers: {},
  animations: [],
  domListeners: [],
  nextLayerId: 1,
  typeHashes: {},
  creationNames: {},
  resetHandlers: [],
  reportedErrors: 0
};

function bridge(method, args) {
  if (typeof window._bridge === 'function') {
    try { window._bridge(method, args); } catch (e) { /* the bridge itself failed: nothing to report to */ }
  }
}
runtime.bridge = bridge;

// Where an error comes from: the first stack frame in the user's program ("app.js") makes it a
// program error, whose position the application maps back to CoffeeScript; anything else is
// reported with the position the engine gives.
function errorPosition(error, fallbackLine, fallbackColumn, fallbackFile) {
  var stack = error && error.stack ? String(error.stack) : '';
  var re = /(?:\(|@|at )([^()\s]*?):(\d+):(\d+)\)?\s*$/;
  var lines = stack.split('\n');
  for (var i = 0; i < lines.length; i++) {
    var m = re.exec(lines[i]);
    if (m && /(^|\/)app\.js$/.test(m[1])) {
      return {lineNumber: +m[2], colNumber: +m[3], type: 'coffeescript'};
    }
  }
  if (fallbackFile && /(^|\/)app\.js$/.test(fallbackFile) && fallbackLine) {
    return {lineNumber: fallbackLine, colNumber: fallbackColumn || 0, type: 'coffeescript'};
  }
  for (var j = 0; j < lines.length; j++) {
    var n = re.exec(lines[j]);
    if (n) return {lineNumber: +n[2], colNumber: +n[3], type: 'javascript'};
  }
  return {lineNumber: fallbackLine || 0, colNumber: fallbackColumn || 0, type: 'javascript'};
}

runtime.reportError = function (error, line, column, file) {
  var message = error && error.message !== undefined ? String(error.message) : String(error);
  if (error && error.name && error.name !== 'Error' && message.indexOf(error.name) !== 0) {
    message = error.name + ': ' + message;
  }
  var position = errorPosition(error, line, column, file);
  runtime.reportedErrors++;
  bridge('runtime.error', {
    message: message,
    lineNumber: position.lineNumber,
    colNumber: position.colNumber,
    type: position.type,
    clientCodeId: window.__zelvorClientCodeId
  });
};

// Runs a callback of the program; an exception is reported and does not stop the caller (an
// event dispatch, the animation loop, a timer), so the page stays responsive.
runtime.guard = function (fn, self, args) {
  try {
    return fn.apply(self, args || []);
  } catch (e) {
    runtime.reportError(e);
    return undefined;
  }
};

window.addEventListener('error', function (event) {
  // Errors inside guarded callbacks never get here; this catches the top level of a program.
  if (event && event.__zelvorReported) return;
  runtime.reportError(event.error || event.message, event.lineno, event.colno, event.filename);
});

// The page's own timer functions, for the library and the application. The page's global
// functions of the same names are replaced below by ones that hand the program's timers to the
// runtime, so that the next run stops them too.
var nativeTimers = {
  setTimeout: window.setTimeout.bind(window),
  setInterval: window.setInterval.bind(window),
  clearTimeout: window.clearTimeout.bind(window),
  clearInterval: window.clearInterval.bind(window),
  requestAnimationFrame: window.requestAnimationFrame.bind(window),
  cancelAnimationFrame: window.cancelAnimationFrame.bind(window)
};
runtime.nativeTimers = nativeTimers;
runtime.frames = {};

runtime.setTimer = function (kind, fn, ms) {
  var id;
  if (kind === 'interval') {
    id = nativeTimers.setInterval(function () { runtime.guard(fn); }, ms);
  } else {
    id = nativeTimers.setTimeout(function () { delete runtime.timers[id]; runtime.guard(fn); }, ms);
  }
  runtime.timers[id] = kind;
  return id;
};

runtime.clearTimer = function (id) {
  if (runtime.timers[id] === 'interval') nativeTimers.clearInterval(id);
  else nativeTimers.clearTimeout(id);
  delete runtime.timers[id];
};

runtime.listen = function (target, type, fn, options) {
  target.addEventListener(type, fn, options);
  runtime.domListeners.push([target, type, fn, options]);
};

runtime.unlisten = function (target, type, fn) {
  target.removeEventListener(type, fn);
  runtime.domListeners = runtime.domListeners.filter(function (l) {
    return !(l[0] === target && l[1] === type && l[2] === fn);
  });
};

// The syntax-tree node that created a layer is known by its call site in the program: the
// position of the "new" expression in app.js. The compiled program publishes the analysis's
// hashes for those positions in runtime.typeHashes ("line:column" -> hash) before it runs;
// without an entry the hash is "#js:line:column" of the innermost site.
// The program's frames on the stack, innermost first. A layer made through a subclass has
// several: the subclass's call of its parent's constructor, then the `new` of the subclass.
runtime.callSites = function () {
  var limit = Error.stackTraceLimit;
  Error.stackTraceLimit = 16;  // the program's frames are near; a short trace is cheaper
  var stack = String(new Error().stack || '').split('\n');
  Error.stackTraceLimit = limit;
  var sites = [];
  for (var i = 0; i < stack.length; i++) {
    var m = /(?:\(|at )([^()\s]*?):(\d+):(\d+)\)?\s*$/.exec(stack[i]);
    if (m && /(^|\/)app\.js$/.test(m[1])) sites.push({line: +m[2], column: +m[3]});
  }
  return sites;
};

runtime.callSite = function () {
  return runtime.callSites()[0] || null;
};

runtime.typeHashForCallSite = function (site) {
  return site ? runtime.typeHashForCallSites([site]) : null;
};

// The hash of the first site the program published one for: the `new` that made the layer,
// however many constructors lie between.
runtime.typeHashForCallSites = function (sites) {
  if (!sites || !sites.length) return null;
  for (var i = 0; i < sites.length; i++) {
    var key = sites[i].line + ':' + sites[i].column;
    if (Object.prototype.hasOwnProperty.call(runtime.typeHashes, key)) return runtime.typeHashes[key];
  }
  return '#js:' + sites[0].line + ':' + sites[0].column;
};

// The variable or property the program assigns the layer to, at the same site as its hash
// ("" when the program published none): "card" for `card = new Card`.
runtime.creationNameForCallSites = function (sites) {
  if (!sites) return '';
  for (var i = 0; i < sites.length; i++) {
    var key = sites[i].line + ':' + sites[i].column;
    if (Object.prototype.hasOwnProperty.call(runtime.typeHashes, key)) {
      var name = Object.prototype.hasOwnProperty.call(runtime.creationNames, key) ? runtime.creationNames[key] : '';
      return typeof name === 'string' ? name : '';
    }
  }
  return '';
};

// Runs program text as a script element of the page. Code evaluated from outside the page
// counts as foreign to it, so its uncaught errors reach the page only as a bare "Script error."
// without message or position; the same text run as the page's own script reports them fully
// (as "app.js" when it ends with a sourceURL comment). Answers false when the text threw.
runtime.evaluate = function (code) {
  var script = document.createElement('script');
  var before = runtime.reportedErrors;
  script.textContent = String(code);
  (document.head || document.documentElement).appendChild(script);
  script.parentNode.removeChild(script);
  return runtime.reportedErrors === before;
};

runtime.onReset = function (fn) { runtime.resetHandlers.push(fn); };

// A program's plain setTimeout, setInterval and requestAnimationFrame (its own code, or code it
// calls) belong to that run: without this an interval of an earlier run would go on moving the
// layers of the next one. Calls from anywhere else (the application, the library) are the
// page's own and stay as they are.
function calledByProgram() { return runtime.callSites().length > 0; }
function programTimer(kind) {
  return function (fn, ms) {
    if (typeof fn !== 'function' || !calledByProgram()) {
      return nativeTimers[kind === 'interval' ? 'setInterval' : 'setTimeout'].apply(null, arguments);
    }
    var args = Array.prototype.slice.call(arguments, 2);
    return runtime.setTimer(kind, function () { return fn.apply(window, args); }, ms);
  };
}
function clearProgramTimer(id) {
  if (runtime.timers.hasOwnProperty(id)) runtime.clearTimer(id);
  else { nativeTimers.clearTimeout(id); nativeTimers.clearInterval(id); }
}
window.setTimeout = programTimer('timeout');
window.setInterval = programTimer('interval');
window.clearTimeout = clearProgramTimer;
window.clearInterval = clearProgramTimer;
window.requestAnimationFrame = function (fn) {
  if (typeof fn !== 'function' || !calledByProgram()) return nativeTimers.requestAnimationFrame(fn);
  var id = nativeTimers.requestAnimationFrame(function (time) {
    delete runtime.frames[id];
    runtime.guard(fn, window, [time]);
  });
  runtime.frames[id] = true;
  return id;
};
window.cancelAnimationFrame = function (id) {
  delete runtime.frames[id];
  nativeTimers.cancelAnimationFrame(id);
};

runtime.reset = function () {
  var i;
  runtime.animations.slice().forEach(function (a) { a._halt(); });
  runtime.animations = [];
  Object.keys(runtime.timers).forEach(function (id) { runtime.clearTimer(+id); });
  Object.keys(runtime.frames).forEach(function (id) { nativeTimers.cancelAnimationFrame(+id); });
  runtime.frames = {};
  runtime.domListeners.forEach(function (l) { l[0].removeEventListener(l[1], l[2], l[3]); });
  runtime.domListeners = [];
  var layers = runtime.layers;
  runtime.layers = [];
  for (i = 0; i < layers.length; i++) layers[i]._teardown();
  for (i = 0; i < runtime.resetHandlers.length; i++) runtime.resetHandlers[i]();
  runtime.nextLayerId = 1;
  runtime.typeHashes = {};
  runtime.creationNames = {};
};

var ZelvorStudio = window.ZelvorStudio = window.ZelvorStudio || {};
ZelvorStudio.runtime = runtime;
Zelvor.runtime = runtime;
