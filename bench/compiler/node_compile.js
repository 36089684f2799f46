// The peer of the embedded compile: the same coffee-script package compiling the same file in
// Node, warm. Prints the median of the timed runs in milliseconds.
// Usage: node node_compile.js <coffee-script package folder> <file.coffee> <runs>
'use strict';
const [packageDir, file, runsText] = process.argv.slice(2);
const CoffeeScript = require(require('path').resolve(packageDir));
const code = require('fs').readFileSync(file, 'utf8');
const runs = Number(runsText) || 20;
for (let i = 0; i < 5; i++) CoffeeScript.compile(code, { sourceMap: true });
const times = [];
for (let i = 0; i < runs; i++) {
  const start = process.hrtime.bigint();
  CoffeeScript.compile(code, { sourceMap: true });
  times.push(Number(process.hrtime.bigint() - start) / 1e6);
}
times.sort((a, b) => a - b);
console.log(times[Math.floor(times.length / 2)].toFixed(3));
