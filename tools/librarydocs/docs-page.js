// Writes the documentation page of the prototyping library from the type descriptions:
//   node docs-page.js <globals.json> <native.html>
// Every class, property, method and event of the library gets an entry; an entry's id is the
// anchor the completion popup opens for it (the rules of KVAnchorLinkHelper, repeated below and
// checked against it by the application's tests), or for members the popup does not link, the
// section's name and the member's.
'use strict';

const fs = require('fs');
const path = require('path');
const docs = require('./library-docs');

// --- anchors, as KVAnchorLinkHelper composes them ---------------------------------------------
const zelvorTypes = ['layer', 'backgroundLayer', 'videoLayer', 'scroll', 'page', 'slider', 'animation', 'Canvas',
  'Screen', 'Events', 'Utils', 'Device', 'color', 'Color'];
const zelvorConstructors = ['Color', 'Layer', 'BackgroundLayer', 'VideoLayer', 'ScrollComponent', 'PageComponent',
  'SliderComponent', 'Animation'];

function typeShort(components) {
  const first = components.length ? components[0] : '';
  for (let i = 1; i < first.length; i++) if (first[i] >= 'A' && first[i] <= 'Z') return first.slice(0, i);
  return first;
}

function anchorForKey(key) {
  if (zelvorConstructors.includes(key)) {
    const name = key === 'BackgroundLayer' || key === 'VideoLayer' ? key.toLowerCase() : key;
    return `${typeShort([name]).toLowerCase()}.${name.toLowerCase()}`;
  }
  if (['color.r', 'color.g', 'color.b', 'color.a'].includes(key)) return 'color.color';
  const components = key.split('.');
  const short = typeShort(components);
  if (!zelvorTypes.includes(short)) return '';
  components[0] = short.toLowerCase();
  return components.join('.');
}

// --- the page ------------------------------------------------------------------------------------
const builtIns = new Set(['@number', '@string', '@boolean', '@regexp', '@array']);

function escape(text) {
  return String(text).replace(/[&<>"']/g, (c) => ({ '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;', "'": '&#39;' })[c]);
}

function build(model) {
  const byKey = new Map(model.types.map((t) => [t.key, t]));
  const used = new Set();
  const unique = (id) => {
    let candidate = id;
    for (let n = 2; used.has(candidate); n++) candidate = `${id}-${n}`;
    used.add(candidate);
    return candidate;
  };
  // A section per class of the library: the instance type ("@Layer") with its constructor
  // ("Layer") and the constructor's own members.
  const sections = [];
  for (const type of model.types) {
    if (builtIns.has(type.key) || type.key === '_') continue;
    if (!type.key.startsWith('@') && byKey.has(`@${type.key}`)) continue; // joins its instance type
    const title = type.key.replace(/^@/, '');
    const constructor = type.key.startsWith('@') ? byKey.get(title) : (type.isConstructor ? type : null);
    sections.push({ title, id: unique(title.toLowerCase()), type: type.key.startsWith('@') ? type : null, constructor });
  }
  // The library's globals first, in their order; the types they use after them.
  const globalOrder = model.globals.map((g) => g.name);
  const rank = (s) => (globalOrder.includes(s.title) ? globalOrder.indexOf(s.title) : globalOrder.length);
  sections.sort((a, b) => rank(a) - rank(b));
  for (const s of sections) s.primary = globalOrder.includes(s.title);
  const sectionOf = new Map(sections.map((s) => [s.title, s]));

  const typeText = (t) => {
    if (typeof t === 'string') {
      if (t === '*') return 'any';
      const name = t.replace(/^@/, '');
      const target = sectionOf.get(name);
      return target ? `<a href="#${escape(target.id)}">${escape(name)}</a>` : escape(name);
    }
    if (t && t.id === 'array') return `[${typeText(t.type)}]`;
    if (t && t.id === 'func') return 'function';
    return 'object';
  };
  const signature = (owner, name, t) => {
    if (t && typeof t === 'object' && t.id === 'func') {
      const params = Array.isArray(t.paramNames) ? t.paramNames : [];
      const returns = t.returns !== undefined && t.returns !== '*' ? ` <span class="type">→ ${typeText(t.returns)}</span>` : '';
      return { kind: 'method', html: `<code class="signature">${escape(owner)}.${escape(name)}(${params.map(escape).join(', ')})</code>${returns}` };
    }
    return { kind: 'property', html: `<code class="signature">${escape(owner)}.${escape(name)}</code> <span class="type">${typeText(t)}</span>` };
  };
  const entry = (id, html, description) =>
    `<div class="entry" id="${escape(id)}">${html}${description ? `<p>${escape(description)}</p>` : ''}</div>`;

  const nav = [];
  const typesGroup = '<div class="group">Types</div>';
  const body = [];
  let entries = 0;
  for (const section of sections) {
    if (!section.primary && !nav.includes(typesGroup)) nav.push(typesGroup);
    nav.push(`<a href="#${escape(section.id)}">${escape(section.title)}</a>`);
    const parts = [];
    const instance = section.type;
    const owner = instance && instance.name !== 'object' ? instance.name : section.title;
    const extendsKey = instance && instance.extends ? instance.extends.replace(/^@/, '') : '';
    parts.push(`<h2>${escape(section.title)}${extendsKey ? `<span class="extends">extends ${typeText(instance.extends)}</span>` : ''}</h2>`);
    const description = (section.constructor && section.constructor.description) || (instance && instance.description);
    if (description) parts.push(`<p>${escape(description)}</p>`);
    if (section.constructor && section.constructor.isConstructor) {
      const anchor = anchorForKey(section.title) || `${section.title.toLowerCase()}.${section.title.toLowerCase()}`;
      parts.push(entry(unique(anchor), `<code class="signature">new ${escape(section.title)}(options)</code>`,
        `Makes a new ${section.title}.`));
      entries++;
    }
    const groups = { property: [], method: [], event: [] };
    const add = (ownerName, keyOwner, member, forceKind) => {
      const sig = signature(ownerName, member.name, member.type);
      const kind = forceKind || sig.kind;
      // A key the popup sends to another entry (a colour's r, g, b, a open the colour itself)
      // leaves this one its own id.
      const linked = anchorForKey(`${keyOwner}.${member.name}`);
      const anchor = linked && linked.endsWith(`.${member.name}`) ? linked : `${section.id}.${member.name}`;
      groups[kind].push(entry(unique(anchor), sig.html, member.description));
      entries++;
    };
    if (section.constructor && section.constructor !== instance)
      for (const member of section.constructor.members) add(section.title, section.title, member);
    if (instance) {
      const isEvents = section.title === 'Events';
      for (const member of instance.members)
        add(isEvents ? 'Events' : owner, instance.name, member, isEvents && member.type === '@string' ? 'event' : null);
    }
    for (const [kind, title] of [['property', 'Properties'], ['method', 'Methods'], ['event', 'Events']])
      if (groups[kind].length) parts.push(`<h3>${title}</h3>`, ...groups[kind]);
    body.push(`<section id="${escape(section.id)}">${parts.join('\n')}</section>`);
  }
  return { html: page(nav, body), entries };
}

function page(nav, body) {
  return `<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; script-src 'self' 'unsafe-inline' 'unsafe-eval'; style-src 'self'">
<title>Zelvor Studio Documentation</title>
<link rel="stylesheet" href="docs.css">
</head>
<body>
<nav><div class="group">Library</div>
${nav.join('\n')}
</nav>
<main id="content">
<h1>The prototyping library</h1>
<p class="intro">Every class, property, method and event that a prototype's program can use. The language itself is
described in the <a href="https://coffeescript.org/v1/">CoffeeScript reference</a>.</p>
${body.join('\n')}
</main>
<div id="status" hidden></div>
<script src="docs.js"></script>
</body>
</html>
`;
}

if (require.main === module) {
  const [input, output] = process.argv.slice(2);
  if (!input || !output) {
    console.error('usage: node docs-page.js <globals.json> <native.html>');
    process.exit(2);
  }
  let result;
  try {
    result = build(docs.read(input));
  } catch (error) {
    console.error(`${input}: ${error.message}`);
    process.exit(1);
  }
  fs.mkdirSync(path.dirname(output), { recursive: true });
  const temporary = `${output}.tmp`;
  fs.writeFileSync(temporary, result.html);
  fs.renameSync(temporary, output);
}

module.exports = { build, anchorForKey, typeShort };
