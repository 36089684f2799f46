// Scope and type inference over the compiler's parsed tree. Plugged into the Inferencer of
// core.js: replaces Inferencer.inferScope(tree, context), which answers the scope tree
//   {"vars": {name: type description}, "location": "l:c-l:c", "typeDict": {key: description},
//    "children": [scope, ...]}
// and may annotate the tree's JSON (context.pairs holds node, json, node, json, ...) with
// "typeHash" and data entries.
//
// This first version declares one root scope holding the top-level assignments, with no types.
(function (Inferencer) {
  'use strict';

  Inferencer.inferScope = function (tree, context) {
    var vars = {};
    var expressions = (tree && tree.expressions) || [];
    for (var i = 0; i < expressions.length; i++) {
      var node = expressions[i];
      if (node && node.constructor && node.constructor.name === 'Assign' && !node.context &&
          node.variable && node.variable.base && typeof node.variable.base.value === 'string' &&
          node.variable.properties && node.variable.properties.length === 0) {
        vars[node.variable.base.value] = '?';
      }
    }
    return { vars: vars, location: context.ast.location || '0:0-0:0', typeDict: {}, children: [] };
  };
})(Inferencer);
