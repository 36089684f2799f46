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
Object.defineProperty(window, 'Device', {configurable: true, get: function () { return Zelvor.Device; }});
