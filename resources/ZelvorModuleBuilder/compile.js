// Compiles the modules that make.py hands over on standard input and answers on standard output.
//   in:  {"compiler": <coffee-script.js>, "modules": [{"path", "source", "coffee"}]}
//   out: [{"js": text} or {"error": {"line", "column", "message", "excerpt"}}], in the same order
// Lines and columns count from 1. JavaScript modules come back unchanged once they parse as the
// body of the function that the bundle wraps them in.
'use strict';
const fs = require('fs');
const vm = require('vm');

const WRAP_HEAD = '(function (exports, require, module, __filename, __dirname) {';
const WRAP_TAIL = '\n})';

function loadCompiler(file) {
  const sandbox = {};
  vm.runInNewContext(fs.readFileSync(file, 'utf8'), sandbox, { filename: file });
  if (!sandbox.CoffeeScript || typeof sandbox.CoffeeScript.compile !== 'function')
    throw new Error('no CoffeeScript compiler in ' + file);
  return sandbox.CoffeeScript;
}

function excerpt(source, line, column) {
  const text = source.split(/\r\n|\r|\n/)[line - 1];
  if (text === undefined) return '';
  return text + '\n' + ' '.repeat(Math.max(column - 1, 0)) + '^';
}

function compileCoffee(CoffeeScript, module) {
  try {
    return { js: CoffeeScript.compile(module.source, { bare: true, filename: module.path }) };
  } catch (error) {
    const location = error.location || {};
    const line = (location.first_line || 0) + 1;
    const column = (location.first_column || 0) + 1;
    return { error: { line, column, message: String(error.message), excerpt: excerpt(module.source, line, column) } };
  }
}

function checkJavaScript(module) {
  try {
    new vm.Script(WRAP_HEAD + module.source + WRAP_TAIL, { filename: module.path });
    return { js: module.source };
  } catch (error) {
    // V8 puts "file:line", the source line and a caret above the message.
    const stack = String(error.stack || '').split('\n');
    const where = /:(\d+)$/.exec(stack[0] || '');
    const line = where ? Number(where[1]) : 0;
    let column = 0;
    if (where && stack.length > 2 && /^\s*\^+\s*$/.test(stack[2])) {
      column = stack[2].indexOf('^') + 1;
      if (line === 1) column = Math.max(column - WRAP_HEAD.length, 1);
    }
    return { error: { line, column, message: String(error.message), excerpt: line ? excerpt(module.source, line, column || 1) : '' } };
  }
}

function main() {
  const request = JSON.parse(fs.readFileSync(0, 'utf8'));
  const modules = request.modules || [];
  const CoffeeScript = modules.some((m) => m.coffee) ? loadCompiler(request.compiler) : null;
  const results = modules.map((m) => (m.coffee ? compileCoffee(CoffeeScript, m) : checkJavaScript(m)));
  process.stdout.write(JSON.stringify(results));
}

main();
