// The peer of the embedded compile: the same coffee-script package compiling the same file in
// Node. Warms up, then compiles once per line read from standard input and answers each with
// the time it took in milliseconds, then the processor time the process spent on it (every
// thread: the compiler and the collector), so that the two sides can take turns under the same load.
// Usage: node node_compile.js <coffee-script package folder> <file.coffee> [warm-up compiles, 5]
'use strict';
const [packageDir, file, warmUps] = process.argv.slice(2);
const CoffeeScript = require(require('path').resolve(packageDir));
const code = require('fs').readFileSync(file, 'utf8');
for (let i = 0; i < (warmUps === undefined ? 5 : Number(warmUps)); i++) CoffeeScript.compile(code, { sourceMap: true });
console.log('ready');
require('readline').createInterface({ input: process.stdin }).on('line', () => {
  const start = process.hrtime.bigint();
  const cpu = process.cpuUsage();
  CoffeeScript.compile(code, { sourceMap: true });
  const wall = Number(process.hrtime.bigint() - start) / 1e6;
  const used = process.cpuUsage(cpu);
  console.log(wall.toFixed(3) + ' ' + ((used.user + used.system) / 1e3).toFixed(3));
});
