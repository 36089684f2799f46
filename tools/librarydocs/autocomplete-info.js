// Writes the completion descriptions resource from the library's type descriptions:
//   node autocomplete-info.js <globals.json> <KVAutocompleteInfo.json>
'use strict';

const fs = require('fs');
const path = require('path');
const docs = require('./library-docs');

const [input, output] = process.argv.slice(2);
if (!input || !output) {
  console.error('usage: node autocomplete-info.js <globals.json> <KVAutocompleteInfo.json>');
  process.exit(2);
}
let model;
try {
  model = docs.read(input);
} catch (error) {
  console.error(`${input}: ${error.message}`);
  process.exit(1);
}
const undocumented = [];
for (const type of model.types)
  for (const member of type.members) if (!member.description) undocumented.push(`${type.key}.${member.name}`);
if (undocumented.length) console.error(`members without a description: ${undocumented.join(', ')}`);

fs.mkdirSync(path.dirname(output), { recursive: true });
const temporary = `${output}.tmp`;
fs.writeFileSync(temporary, JSON.stringify(docs.autocompleteInfo(model), null, 1) + '\n');
fs.renameSync(temporary, output);
