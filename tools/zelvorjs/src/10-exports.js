Zelvor.Layer = Layer;
Zelvor.Animation = Animation;
Zelvor.Events = Events;
Zelvor.Utils = Utils;
Zelvor.Color = Color;
Zelvor.Screen = Screen;
Zelvor.Canvas = Canvas;
Zelvor.LayerStates = LayerStates;
Zelvor.LayerDraggable = LayerDraggable;
Zelvor.Importer = Importer;
Zelvor.Defaults.DeviceView = Zelvor.Defaults.DeviceView || {};
Zelvor.Defaults.DeviceComponent = Zelvor.Defaults.DeviceComponent || {};
Zelvor.version = ZELVOR_VERSION;

// The names a program uses without a prefix.
window.Layer = Layer;
window.Animation = Animation;
window.Events = Events;
window.Utils = Utils;
window.Color = Color;
window.Screen = Screen;
window.Canvas = Canvas;
window.Importer = Importer;
// `print` writes its arguments to the console, where the application shows a prototype's output:
// a prototype has no use for the browser's print dialog.
window.print = function () {
  console.log.apply(console, Array.prototype.map.call(arguments, function (value) {
    if (typeof value === 'string') return value;
    try { return JSON.stringify(value); } catch (e) { return String(value); }
  }));
};
Object.defineProperty(window, 'Device', {configurable: true, get: function () { return Zelvor.Device; }});
