// The compile of the inference script takes the text as written: for every mix of line ends
// the JavaScript, the source map and the error are CoffeeScript's own under Node, and the
// positions it answers are on the editor's lines (which also end at CR, CRLF, U+0085, U+2028
// and U+2029).
// Usage: node inferencer_line_ends.js <source folder> <ZelvorTranspiler folder>
'use strict';
const assert = require('assert');
const fs = require('fs');
const path = require('path');
const vm = require('vm');

const [sourceDir, scriptsDir] = process.argv.slice(2);
const original = require(path.join(sourceDir, 'tools/coffee-script/node_modules/coffee-script'));
const context = vm.createContext({});
for (const name of ['coffee-script.js', 'inferencer.js'])
  vm.runInContext(fs.readFileSync(path.join(scriptsDir, name), 'utf8'), context, { filename: name });
const Inferencer = context.Inferencer;

// The editor's line and column of an offset: the reference the answers are checked against.
function editorPosition(text, offset) {
  let line = 0, start = 0;
  const breaks = /\r\n?|\n|[\u0085\u2028\u2029]/g;
  for (let m = breaks.exec(text); m && m.index < offset; m = breaks.exec(text)) {
    if (m.index + m[0].length > offset) break;
    line++;
    start = m.index + m[0].length;
  }
  return [line, offset - start];
}
// The offset in the text of the compiler's line and column (it drops a leading BOM and every CR).
function compilerOffset(text, line, column) {
  let at = text.charCodeAt(0) === 0xFEFF ? 1 : 0;
  for (let l = 0; l < line; l++) at = text.indexOf('\n', at) + 1;
  for (let kept = 0; at < text.length; at++) {
    if (text[at] === '\r') continue;
    if (kept === column) break;
    kept++;
  }
  return at;
}

const ends = ['\n', '\r\n', '\r', '\u0085', '\u2028', '\u2029'];
const bodies = [
  (e) => `a = 'x${e}y'${e}b = "p${e}q"${e}`,
  (e) => `r = /a${e}b/${e}s = ///${e}  x # c${e}  y${e}///${e}`,
  (e) => `# comment${e}###${e}block${e}###${e}t = """${e}  doc${e}  """${e}`,
  (e) => `f = ->${e}  g 1${e}  h${e}    x: 1${e}box = new Layer${e}  x: 2${e}`,
  (e) => `x = 1${e}y = )${e}`,
  (e) => `z = "#{a${e}b}"${e}w = 'unclosed${e}`
];
let compared = 0, failures = 0;
for (const body of bodies) {
  for (const first of ends) {
    for (const second of ends) {
      const text = body(first).split(first).map((part, i) => (i % 2 ? second : first) + part).join('').slice(first.length);
      compared++;
      let expected;
      try {
        const compiled = original.compile(text, { sourceMap: true });
        expected = { js: compiled.js, map: compiled.v3SourceMap };
      } catch (error) {
        expected = { error: error.message, at: [error.location.first_line, error.location.first_column] };
      }
      // Without inference, which adds the table that traces layers to their code.
      const reply = Inferencer.cs2js(text, { sourceMap: true }, { returnScope: false, returnAST: true, returnGlobals: false });
      try {
        if (expected.error) {
          assert.ok(reply.error, 'the compile succeeded where the compiler fails');
          assert.strictEqual(reply.error.message, expected.error);
          const own = reply.error.compilerLocation || reply.error.location;
          assert.deepStrictEqual([own.first_line, own.first_column], expected.at);
          const at = editorPosition(text, compilerOffset(text, expected.at[0], expected.at[1]));
          assert.deepStrictEqual([reply.error.location.first_line, reply.error.location.first_column], at);
        } else {
          assert.ok(!reply.error, reply.error && reply.error.message);
          assert.strictEqual(reply.js, expected.js);
          assert.strictEqual(reply.v3SourceMap, expected.map);
          // Every statement starts where the editor shows its first character.
          const statements = original.nodes(text).expressions;
          reply.ast.expressions.forEach((json, i) => {
            const own = statements[i].locationData;
            const at = editorPosition(text, compilerOffset(text, own.first_line, own.first_column));
            assert.strictEqual(json.location.split('-')[0], at.join(':'));
          });
        }
      } catch (error) {
        failures++;
        console.error(`FAIL ${JSON.stringify(text)}: ${error.message}`);
      }
    }
  }
}
console.log(`${compared} texts compared, ${failures} differ`);
process.exit(failures ? 1 : 0);
