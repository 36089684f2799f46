// One reading of the prototyping library's documentation, from the type descriptions of
// tools/inferencer/globals.json (the same descriptions the inferencer answers with getGlobals).
// Every generated piece of documentation (the completion descriptions, the documentation page)
// is made from the model this module answers, so that they cannot drift apart.
//
//   const docs = require('./library-docs');
//   const model = docs.read('/path/to/globals.json');
//
// The model: { types: [Type], globals: [Global] }
//   Type    { key: "@Layer", name: "layer", kind: "object" | "function" | "array",
//             isConstructor, description, extends: "@EventEmitter" | null,
//             members: [Member] }            // in the description's own order
//   Member  { name, description, type }      // type: the member's description as written
//   Global  { name: "Layer", type: "@Layer" | Type, description }
// `name` is the type name the completion engine gives the type: its "name", else "function"
// for a function, "array" for an array and "object" for the rest. Members without a text in
// the type's "annotations.docs" have an empty description.
'use strict';

const fs = require('fs');

function typeName(description) {
  if (typeof description.name === 'string') return description.name;
  if (description.id === 'func') return 'function';
  if (description.id === 'array') return 'array';
  return 'object';
}

function docsOf(description) {
  const annotations = description.annotations;
  const docs = annotations && typeof annotations === 'object' ? annotations.docs : null;
  return docs && typeof docs === 'object' && !Array.isArray(docs) ? docs : {};
}

function text(value) {
  return typeof value === 'string' ? value : '';
}

function isDescription(value) {
  return value !== null && typeof value === 'object' && !Array.isArray(value);
}

function readType(key, description) {
  const docs = docsOf(description);
  const members = isDescription(description.members) ? description.members : {};
  return {
    key,
    name: typeName(description),
    kind: description.id === 'func' ? 'function' : description.id === 'array' ? 'array' : 'object',
    isConstructor: description.isConstructor === true,
    description: text(docs['']),
    extends: typeof description.xtends === 'string' ? description.xtends : null,
    members: Object.keys(members).map((name) => ({ name, description: text(docs[name]), type: members[name] })),
  };
}

function fromGlobals(globals) {
  if (!isDescription(globals)) throw new Error('the type descriptions must be one JSON object');
  const types = [];
  const globalNames = [];
  // The library's namespace object documents the globals it holds (Layer, Color, Screen ...).
  const namespaceDocs = isDescription(globals.Zelvor) ? docsOf(globals.Zelvor) : {};
  for (const key of Object.keys(globals)) {
    const value = globals[key];
    if (isDescription(value)) {
      const type = readType(key, value);
      if (!type.description && !key.startsWith('@')) type.description = text(namespaceDocs[key]);
      types.push(type);
    }
    if (!key.startsWith('@'))
      globalNames.push({ name: key, type: isDescription(value) ? key : value, description: text(namespaceDocs[key]) });
  }
  return { types, globals: globalNames };
}

function read(globalsPath) {
  return fromGlobals(JSON.parse(fs.readFileSync(globalsPath, 'utf8')));
}

// The completion descriptions ("KVAutocompleteInfo"): an object per type name holding an object
// per member with its "description", so that a completion's key "layer.x" (type name, dot,
// member) reaches its text. A constructor's entry, under its global name, holds the
// constructor's own "description". Types that share a name (several are plain "object") share
// one entry; the first description of a member wins.
function autocompleteInfo(model) {
  const info = {};
  const entry = (name) => {
    if (!Object.prototype.hasOwnProperty.call(info, name)) info[name] = {};
    return info[name];
  };
  for (const type of model.types) {
    if (type.isConstructor && type.description && !type.key.startsWith('@'))
      entry(type.key).description = type.description;
    const owner = type.members.length ? entry(type.name) : null;
    for (const member of type.members) {
      if (!member.description) continue;
      const slot = Object.prototype.hasOwnProperty.call(owner, member.name) ? owner[member.name] : null;
      if (slot && slot.description) continue;
      owner[member.name] = { description: member.description };
    }
  }
  for (const name of Object.keys(info)) if (!Object.keys(info[name]).length) delete info[name];
  return info;
}

module.exports = { read, fromGlobals, autocompleteInfo, typeName };
