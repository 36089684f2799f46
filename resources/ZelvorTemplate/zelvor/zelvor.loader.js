// Runs the project's program when its page is opened outside Zelvor Studio: in a browser or on
// a mirrored device. It reads "app.coffee" next to the page, compiles it with the compiler the
// project carries ("zelvor/coffee-script.js") and runs it as "app.js" with the library, the
// device and the settings of "zelvor/zelvor.generated.js".
// Inside the application the preview compiles and runs the program itself: its bridge is in
// the page before any of the page's scripts, and then this script does nothing.
(function () {
  if (typeof window._bridge === 'function' || window.__zelvorLoaderStarted) return;
  window.__zelvorLoaderStarted = true;

  var problemElement = null;

  // A problem is shown on the page itself: on a phone there is no console to look at.
  function showProblem(text) {
    if (window.console) console.error('[zelvor] ' + text);
    if (!document.body) {
      document.addEventListener('DOMContentLoaded', function () { showProblem(text); });
      return;
    }
    if (!problemElement) {
      problemElement = document.createElement('div');
      problemElement.id = 'ZelvorProblem';
      problemElement.style.cssText = 'position:fixed;left:0;right:0;bottom:0;z-index:2147483647;padding:10px 14px;' +
        'background:rgba(200,30,30,0.92);color:#fff;font:13px/1.4 -apple-system,Roboto,sans-serif;white-space:pre-wrap;';
      document.body.appendChild(problemElement);
    }
    problemElement.textContent = text;
  }

  function ensureDevice() {
    // A page without the generated script still shows the program, full screen.
    if (!Zelvor.Device) {
      Zelvor.Device = new Zelvor.DeviceView();
      Zelvor.Device.setupContext();
    }
  }

  function run(source) {
    if (!window.Zelvor || !window.ZelvorStudio || !ZelvorStudio.runtime) {
      showProblem('The Zelvor library "zelvor/zelvor.js" is missing: the program cannot run.');
      return;
    }
    if (typeof window.CoffeeScript === 'undefined' || typeof CoffeeScript.compile !== 'function') {
      showProblem('The compiler "zelvor/coffee-script.js" is missing: the program cannot run.');
      return;
    }
    var javaScript;
    try {
      javaScript = CoffeeScript.compile(String(source).replace(/\r\n?|[\u0085\u2028\u2029]/g, '\n'));
    } catch (error) {
      var where = error && error.location ? 'line ' + (error.location.first_line + 1) + ': ' : '';
      showProblem('app.coffee, ' + where + (error && error.message ? error.message : String(error)));
      return;
    }
    var runtime = ZelvorStudio.runtime;
    var report = runtime.reportError;
    runtime.reportError = function (error) {
      report.apply(runtime, arguments);
      showProblem(error && error.message !== undefined ? String(error.message) : String(error));
    };
    ensureDevice();
    runtime.reset();
    runtime.evaluate(javaScript + '\n//# sourceURL=app.js');
  }

  function load() {
    var request = new XMLHttpRequest();
    // Always the saved program: a cached one would survive the reload after a save.
    request.open('GET', 'app.coffee?nocache=' + Date.now());
    request.onload = function () {
      if (request.status === 200 || (request.status === 0 && request.responseText)) run(request.responseText);
      else showProblem('"app.coffee" could not be read (' + request.status + ').');
    };
    request.onerror = function () {
      showProblem('"app.coffee" could not be read. Open the page through the address Zelvor Studio serves it at.');
    };
    request.send();
  }

  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', load);
  else load();
})();
