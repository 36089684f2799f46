#!/usr/bin/env node
// Builds the prototyping library: lodash (the page's "_"), the device table and our sources,
// in file-name order, inside one function scope; writes zelvor.js and its source map.
// Usage: node build.js OUTPUT_FOLDER
'use strict';
const fs = require('fs');
const path = require('path');

const here = __dirname;
const out = process.argv[2];
if (!out) {
  process.stderr.write('usage: node build.js OUTPUT_FOLDER\n');
  process.exit(2);
}
const version = require('./package.json').version || '1.0.0';
const lodash = fs.readFileSync(require.resolve('lodash/lodash.min.js'), 'utf8').replace(/\n*$/, '');
const devices = JSON.parse(fs.readFileSync(path.join(here, '..', 'device-images', 'devices.json'), 'utf8'));
delete devices.comment;
const srcDir = path.join(here, 'src');
const sources = fs.readdirSync(srcDir).filter((f) => f.endsWith('.js')).sort();

const BASE64 = 'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/';
function vlq(value) {
  let v = value < 0 ? ((-value) << 1) | 1 : value << 1;
  let s = '';
  do {
    let digit = v & 31;
    v >>>= 5;
    if (v > 0) digit |= 32;
    s += BASE64[digit];
  } while (v > 0);
  return s;
}

const lines = [];      // output lines
const mappings = [];   // per output line: null or [sourceIndex, sourceLine]
function emit(text, source) {
  text.split('\n').forEach((line, i) => {
    lines.push(line);
    mappings.push(source === undefined ? null : [source, i]);
  });
}

emit('/* zelvor.js ' + version + ': the prototyping library of Zelvor Studio. Includes lodash 4 (MIT), the page\'s "_". */');
emit(lodash);
emit('(function (window, document) {');
emit('var DEVICE_DATA = ' + JSON.stringify(devices) + ';');
emit('var ZELVOR_VERSION = ' + JSON.stringify(version) + ';');
const contents = [];
sources.forEach((file, index) => {
  const text = fs.readFileSync(path.join(srcDir, file), 'utf8').replace(/\n*$/, '');
  contents.push(text);
  emit(text, index);
});
emit('})(window, document);');
emit('//# sourceMappingURL=zelvor.js.map');

let prev = [0, 0, 0];  // source index, source line, source column
const encoded = mappings.map((m) => {
  if (!m) return '';
  const seg = vlq(0) + vlq(m[0] - prev[0]) + vlq(m[1] - prev[1]) + vlq(0 - prev[2]);
  prev = [m[0], m[1], 0];
  return seg;
}).join(';');

const map = {
  version: 3,
  file: 'zelvor.js',
  sources: sources.map((f) => 'zelvor-src/' + f),
  sourcesContent: contents,
  names: [],
  mappings: encoded,
};
fs.mkdirSync(out, {recursive: true});
fs.writeFileSync(path.join(out, 'zelvor.js'), lines.join('\n') + '\n');
fs.writeFileSync(path.join(out, 'zelvor.js.map'), JSON.stringify(map));
