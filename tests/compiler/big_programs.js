// Generated CoffeeScript programs that exercise much of the language many times over: the
// material for comparing two builds of the compiler, and for measuring it on big programs.
//   program(kind, count, seed)  kind: "layers", "objects" or "mixed"
//   broken(text, seed)          the text with one fault put in at a place chosen by the seed
'use strict';

// A small generator of repeatable numbers, so that a failing case can be made again.
function random(seed) {
  let state = (seed >>> 0) || 1;
  return () => {
    state ^= state << 13; state >>>= 0;
    state ^= state >>> 17;
    state ^= state << 5; state >>>= 0;
    return state / 4294967296;
  };
}

const pieces = [
  (n) => `p${n} = new Layer x: ${n % 300}, y: ${n % 500}, width: 5, height: 5, backgroundColor: "#e33"`,
  (n) => `o${n} = {name: "n${n}", value: ${n}, nested: {a: 1, b: [1, 2, 3]}}`,
  (n) => `class Card${n} extends Layer\n  @count: 0\n  constructor: (@options = {}) ->\n    super @options\n    @label = "card #{${n} + 1}"\n  show: (animate = true, rest...) =>\n    return unless animate\n    @animate\n      opacity: 1\n      options: time: 0.${n % 9 + 1}\n\n  hide: -> @opacity = 0`,
  (n) => `handler${n} = (event, layer) ->\n  inner = (x) -> x * ${n}\n  for item, i in [1, 2, ${n % 7 + 2}] when item % 2 is 0\n    inner item\n  layer?.parent?.name ? "none"`,
  (n) => `###\nBlock comment ${n}\n###\ntext${n} = """\n  Heredoc #{${n}} with 'quotes'\n    and indentation\n  """`,
  (n) => `# A line comment ${n}\nregex${n} = /^a[${n % 10}-9]+\\/b$/gi\nheregex${n} = ///\n  ^ (\\d+) # digits\n  \\s* ${n}\n///`,
  (n) => `layer${n}.on Events.Click, (event) ->\n  print "clicked", ${n}\n  layer${n}.animate\n    properties:\n      x: ${n}\n      rotation: 90\n    curve: "spring"`,
  (n) => `result${n} = switch value${n} ? ${n}\n  when 1, 2 then "low"\n  when 3\n    "mid"\n  else\n    try\n      risky()\n    catch error\n      error.message\n    finally\n      cleanup()`,
  (n) => `if a${n} then b${n}() else c${n}()\nd${n} = (x for x in list${n} when x > ${n % 5})\ne${n} = {x, y, z: zz${n}} = point${n}\n[first${n}, middle${n}..., last${n}] = array${n}`,
  (n) => `f${n} a: 1, b: ${n}\ng${n}\n  width: 100\n  height: 200\n  options:\n    loop: yes\nh${n} = -> i${n} -> j${n} k${n}, -> l${n}`,
  (n) => `items${n} = [\n  1, 2\n  3\n]\nthing${n}\n  .map (x) -> x + 1\n  .filter (x) -> x > ${n % 3}\ncount${n} = 0\ncount${n}++ while count${n} < ${n % 4 + 1}\nuntil done${n} then step${n}()\nloop\n  break if ready${n}`,
  (n) => `str${n} = "multi\n  line #{a${n} + "nested #{b${n}}"} string"\nobj${n} =\n  key: "value"\n  "quoted key": ${n}\n  prop: this\n  fn: (a, b = 2) => a + b + @x`,
  (n) => `do (n = ${n}) ->\n  setTimeout (-> n), 10\nunless x${n} then y${n} = on\nz${n} = not a${n} and b${n} or c${n} isnt d${n}\nw${n} = a${n} ? b${n}\nq${n} = {}\nq${n}.r ?= 1\nq${n}.s ||= 2`
];

function program(kind, count, seed = 1) {
  const next = random(seed);
  const lines = [];
  for (let n = 0; n < count; n++) {
    if (kind === 'layers') lines.push(pieces[0](n));
    else if (kind === 'objects') lines.push(pieces[1](n));
    else lines.push(pieces[Math.floor(next() * pieces.length)](n));
  }
  return lines.join('\n') + '\n';
}

const faults = [
  (line) => line + ' "unclosed',
  (line) => line + ' )',
  (line) => '   ' + line,
  (line) => line.replace(/=/, '= class ='),
  (line) => line + ' ->\n  a\n b',
  (line) => line + ' /unclosed',
  (line) => line + ' """\n',
  (line) => line + ' else',
  (line) => line + ' #{',
  (line) => line + ' ]'
];

function broken(text, seed) {
  const next = random(seed);
  const lines = text.split('\n');
  const at = Math.floor(next() * lines.length);
  lines[at] = faults[Math.floor(next() * faults.length)](lines[at]);
  return lines.join('\n');
}

module.exports = { program, broken };
