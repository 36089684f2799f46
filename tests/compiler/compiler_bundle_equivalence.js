// The bundled compiler, patched to compile in linear time, against the unpatched package, both
// under Node: the same JavaScript, source map and error (message and position) for generated
// big programs, broken ones, and every program the project holds. And the bundling refuses a
// package that the patch no longer applies to.
// Usage: node compiler_bundle_equivalence.js <source folder> <bundled coffee-script.js>
'use strict';
const assert = require('assert');
const childProcess = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const vm = require('vm');
const { program, broken } = require('./big_programs.js');

const [sourceDir, bundleFile] = process.argv.slice(2);
const packageDir = path.join(sourceDir, 'tools/coffee-script/node_modules/coffee-script');
const original = require(packageDir);
const context = vm.createContext({});
vm.runInContext(fs.readFileSync(bundleFile, 'utf8'), context, { filename: bundleFile });
const bundled = context.CoffeeScript;

function outcome(compiler, code) {
  try {
    const compiled = compiler.compile(code, { sourceMap: true });
    return { js: compiled.js, map: compiled.v3SourceMap };
  } catch (error) {
    const at = error.location;
    return { error: String(error.message), location: at ? [at.first_line, at.first_column, at.last_line, at.last_column] : null };
  }
}

let failures = 0, compared = 0, errors = 0;
function compare(name, code) {
  const expected = outcome(original, code);
  const actual = outcome(bundled, code);
  compared++;
  if (expected.error) errors++;
  try {
    assert.deepStrictEqual(actual, expected);
  } catch (error) {
    failures++;
    console.error(`FAIL ${name}: the bundled compiler differs from the package`);
    for (const key of ['js', 'map', 'error', 'location'])
      if (JSON.stringify(actual[key]) !== JSON.stringify(expected[key])) console.error(`  ${key} differs`);
  }
}

// Generated programs: each kind once big (as big as the unpatched compiler, quadratic, takes in a
// few seconds), mixed ones in several sizes and seeds, broken ones.
compare('500 layer definitions', program('layers', 500));
compare('500 object assignments', program('objects', 500));
compare('400 mixed statements', program('mixed', 400, 11));
for (let seed = 1; seed <= 30; seed++) compare(`mixed program ${seed}`, program('mixed', 20 + seed * 2, seed));
for (let seed = 1; seed <= 40; seed++) compare(`broken program ${seed}`, broken(program('mixed', 30, seed), seed));
// Lists, lines and nesting at sizes the patched spots are about.
compare('a long array on one line', `x = [${Array.from({ length: 2000 }, (_, i) => i).join(', ')}]\n`);
compare('a long call on one line', `f ${Array.from({ length: 1000 }, (_, i) => `a${i}: ${i}`).join(', ')}\n`);
compare('deep nesting', Array.from({ length: 200 }, (_, i) => ' '.repeat(i) + `f${i} ->`).join('\n') + '\n' + ' '.repeat(200) + '1\n');
compare('trailing spaces and interpolations', `a = "#{b} #{c "#{d}"}"   \n\n   \t  `);
compare('a herecomment with trailing spaces', '###\n  note   \n      \n###\nx = 1\n');
// Code the source map leaves out only when it is all semicolons and spaces, Unicode ones too.
compare('embedded code of semicolons and spaces', 'a = 1\n`;\u00a0\u3000;`\nb = `\u2028 `\n`\t;\v\ufeff`\n`;\u00e9`\nc = `\u200b;`\n');

// The project's own programs: examples, template, snippets, fixtures.
function coffeeFiles(dir) {
  const out = [];
  for (const entry of fs.readdirSync(dir, { withFileTypes: true })) {
    const full = path.join(dir, entry.name);
    if (entry.isDirectory() && entry.name !== 'node_modules') out.push(...coffeeFiles(full));
    else if (entry.isFile() && entry.name.endsWith('.coffee')) out.push(full);
  }
  return out;
}
const own = [...coffeeFiles(path.join(sourceDir, 'resources')), ...coffeeFiles(path.join(sourceDir, 'tests/fixtures'))];
assert.ok(own.length >= 10, `expected the project's programs, found ${own.length}`);
for (const file of own) compare(path.relative(sourceDir, file), fs.readFileSync(file, 'utf8'));

// A package whose text a hunk relies on has changed: the bundling stops and says why.
const changed = fs.mkdtempSync(path.join(os.tmpdir(), 'coffee-changed-'));
try {
  fs.cpSync(packageDir, changed, { recursive: true });
  const nodes = path.join(changed, 'lib/coffee-script/nodes.js');
  fs.writeFileSync(nodes, fs.readFileSync(nodes, 'utf8').replace('answer = answer.concat(fragments);', 'answer = [].concat(answer, fragments);'));
  const out = path.join(changed, 'bundle.js');
  const run = childProcess.spawnSync(process.execPath, [path.join(sourceDir, 'tools/coffee-script/bundle.js'), changed, out], { encoding: 'utf8' });
  assert.notStrictEqual(run.status, 0, 'bundling a changed package succeeded');
  assert.match(run.stderr, /does not apply/);
  assert.ok(!fs.existsSync(out), 'a bundle was written for a changed package');
} finally {
  fs.rmSync(changed, { recursive: true, force: true });
}

console.log(`${compared} programs compared (${errors} with errors), ${failures} differ`);
process.exit(failures ? 1 : 0);
