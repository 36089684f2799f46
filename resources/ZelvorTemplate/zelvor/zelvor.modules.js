// The project's modules, bundled here by Zelvor Studio from the "modules" folder once it holds any.
