// Inferencer: what the compiler front calls in the embedded engine.
//
//   Inferencer.cs2js(code, options, optionsEx)  compiles CoffeeScript; never throws.
//   Inferencer.getGlobals()                     the type descriptions of the prototyping library.
//   Inferencer.analyze (or analyzeFirst, takeAnalysis or takeAnalysisParts), generate, takeGenerated
//                                               cs2js in two halves for two engines (see there).
//
// cs2js answers, on success:
//   "js"          the JavaScript
//   "ast"         the syntax tree: {"type", "location" "l:c-l:c", "data", "typeHash",
//                 "children": [child key names], <child key>: node | [node | [...]]}
//   "info"        {"whiles": [{"location"}]}: the while loops of the program
//   "sourceMap"   {"lines": [{"columns": [{"sourceLine", "sourceColumn"} | null]} | null]}
//   "v3SourceMap" the version 3 source map as text
//   "scope"       the scope tree (see Inferencer.inferScope)
// and on failure {"error": {"message", "location": {"first_line", "first_column", ...}}} with
// 0-based positions.
//
// Needs the bundled compiler (CoffeeScript, CoffeeScriptModules) to be loaded first. The scope
// and type inference plugs in by replacing Inferencer.inferScope (see inference.js).
var Inferencer = (function () {
  'use strict';

  var modules = typeof CoffeeScriptModules !== 'undefined' ? CoffeeScriptModules : null;
  var nodes = modules ? modules.nodes : null;
  var parser = modules ? modules.parser.parser : null;
  var globals = {};

  // The compiler parses once per compile; the tree is read here, between parsing and code
  // generation, because generating code rewrites parts of it (classes, existence operators).
  var onParsed = null;
  if (parser) {
    var originalParse = parser.parse;
    parser.parse = function () {
      var tree = originalParse.apply(this, arguments);
      if (onParsed) onParsed(tree);
      return tree;
    };
  }

  // The text of a range, "l:c-l:c", as the tree's "location" holds it.
  function rangeText(firstLine, firstColumn, lastLine, lastColumn) {
    return firstLine + ':' + firstColumn + '-' + lastLine + ':' + lastColumn;
  }

  function locationText(data) {
    if (!data) return undefined;
    return rangeText(data.first_line, data.first_column, data.last_line, data.last_column);
  }

  function isNode(value) {
    return value !== null && typeof value === 'object' && nodes !== null && value instanceof nodes.Base;
  }

  // Every literal kind is one "Literal" to the readers of the tree; the literal's own text is
  // its data.
  function typeName(node) {
    if (node instanceof nodes.Literal) return 'Literal';
    return node.constructor && node.constructor.name ? node.constructor.name : 'Base';
  }

  var LITERAL = 1, OP = 2, CALL = 3, CODE = 4, ASSIGN = 5, COMMENT = 6;

  // What the writer needs to know of a node class, found once per class: a tree has thousands
  // of nodes of a few dozen classes, and the class tests are most of the writer's work.
  var classes = new Map();
  function classOf(node) {
    var found = classes.get(node.constructor);
    if (found) return found;
    found = {
      type: typeName(node),
      kind: node instanceof nodes.Literal ? LITERAL : node instanceof nodes.Op ? OP : node instanceof nodes.Call ? CALL :
        node instanceof nodes.Code ? CODE : node instanceof nodes.Assign ? ASSIGN : node instanceof nodes.Comment ? COMMENT : 0,
      isWhile: node.constructor === nodes.While,
      // Inference reads the compiler's own node of literals (their kind) and loops (their variables).
      paired: node instanceof nodes.Literal || node instanceof nodes.For,
      // Inference reads the location text of functions and classes (their scopes' ranges).
      locatedAsText: node instanceof nodes.Code || node instanceof nodes.Class,
      names: null, // the class's own list of child names, and a copy of it to share
      children: null,
      make: null, // makes the class's JSON nodes, all of one shape (see jsonMaker)
      writeChildren: null // writes the children of the class's nodes (see childWriter)
    };
    if (node.constructor) classes.set(node.constructor, found);
    return found;
  }

  // A maker of JSON nodes with every key a node of the class can have, in the order they are
  // written, so that all nodes of a class share one shape: the writer, inference and
  // JSON.stringify then meet a few dozen shapes instead of one per combination of keys.
  // Keys that stay undefined are left out of the JSON text.
  // The nodes of a paired class also have the slot in which inference finds their compiler node
  // (COMPILER_NODE); it is undefined again before the tree is written out.
  var IDENTIFIER_NAME = /^[A-Za-z_$][\w$]*$/;
  var COMPILER_NODE = '$compilerNode';
  function jsonMaker(type, names, paired) {
    var body = 'this.type = type; this.data = undefined;';
    for (var i = 0; i < names.length; i++) {
      if (!IDENTIFIER_NAME.test(names[i]) || names[i] === 'type' || names[i] === 'data' || names[i] === COMPILER_NODE) return null;
      body += ' this.' + names[i] + ' = undefined;';
    }
    body += ' this.children = undefined; this.location = undefined; this.typeHash = undefined;';
    if (paired) body += ' this.' + COMPILER_NODE + ' = undefined;';
    return new Function('type', body); // eslint-disable-line no-new-func
  }

  function newJson(info, names) {
    if (info.names !== names) {
      info.names = names;
      info.children = names.slice();
      info.make = jsonMaker(info.type, names, info.paired);
      info.writeChildren = childWriter(names);
      info.shape = info.make ? shapeOf(info.type, names) : -1;
    }
    return info.make ? new info.make(info.type) : { type: info.type };
  }

  // The shapes of JSON nodes the makers make, each [type, child names...], by number: the tree's
  // records name a node's shape by its number (see TreeWriter). A shape keeps its number for the
  // life of the engine.
  var shapes = [];
  var shapeNumbers = new Map();
  function shapeOf(type, names) {
    // The text follows the order of the maker's slots, and a child name that is one of the
    // node's own keys, or comes twice, would change it.
    for (var i = 0; i < names.length; i++) {
      if (names[i] === 'children' || names[i] === 'location' || names[i] === 'typeHash' || names.indexOf(names[i]) !== i) return -1;
    }
    var key = JSON.stringify([type].concat(names));
    var found = shapeNumbers.get(key);
    if (found === undefined) {
      found = shapes.length;
      shapes.push([type].concat(names));
      shapeNumbers.set(key, found);
    }
    return found;
  }

  // A list of 32-bit integers that grows as it is written.
  function IntList() {
    this.buffer = new Int32Array(1 << 16);
    this.length = 0;
  }

  IntList.prototype.push = function (value) {
    if (this.length === this.buffer.length) this.grow();
    this.buffer[this.length++] = value;
  };

  // Five at once: a node's last record is five numbers, and a call for each was a fifth of the
  // writer's time.
  IntList.prototype.push5 = function (a, b, c, d, e) {
    var at = this.length;
    if (at + 5 > this.buffer.length) this.grow();
    var buffer = this.buffer;
    buffer[at] = a;
    buffer[at + 1] = b;
    buffer[at + 2] = c;
    buffer[at + 3] = d;
    buffer[at + 4] = e;
    this.length = at + 5;
  };

  IntList.prototype.grow = function () {
    var larger = new Int32Array(this.buffer.length * 2);
    larger.set(this.buffer);
    this.buffer = larger;
  };

  // A writer of the children of one class's nodes: it writes the children of `node` into `json`
  // and widens the range [a0:a1-a2:a3] (when `has`) by theirs, leaving it in the writer's range
  // fields, and answers the list of the names of the children present (`names` itself when all
  // are). Made once per list of names, with each child read and written by its name as a
  // constant: keyed reads and writes on nodes of dozens of classes cost a tenth of the writer's
  // time.
  function childWriter(names) {
    var body = 'var value, listed = null;';
    for (var i = 0; i < names.length; i++) {
      var key = '[' + JSON.stringify(names[i]) + ']';
      body += ' value = node' + key + ';' +
        ' if (!Array.isArray(value) && !isNode(value)) { if (!listed) listed = names.slice(0, ' + i + '); } else {' +
        ' w.records.push(' + (CHILD_RECORD - i) + ');' +
        ' json' + key + ' = w.child(value, has, a0, a1, a2, a3);' +
        ' has = w.hasRange; a0 = w.firstLine; a1 = w.firstColumn; a2 = w.lastLine; a3 = w.lastColumn;' +
        ' if (listed) listed.push(names[' + i + ']); }';
    }
    body += ' w.hasRange = has; w.firstLine = a0; w.firstColumn = a1; w.lastLine = a2; w.lastColumn = a3;' +
      ' return listed || names;';
    // eslint-disable-next-line no-new-func
    return new Function('isNode', 'return function (w, node, json, names, has, a0, a1, a2, a3) { ' + body + ' };')(isNode);
  }

  // The records of the tree, from which the front writes its JSON text without JSON.stringify of
  // every node, the largest part of a big program's compile (see takeAnalysisParts). In the
  // order of the text: a node is its shape number, then for each child present CHILD_RECORD - i
  // (i the child's place among the shape's names) followed by the child, then END_RECORD and
  // its location as four numbers (or NO_LOCATION_RECORD and four zeros). A list is LIST_RECORD,
  // its items, LIST_END_RECORD; an item that is neither node nor list is NULL_RECORD.
  var NULL_RECORD = -1, LIST_RECORD = -2, LIST_END_RECORD = -3, END_RECORD = -4, NO_LOCATION_RECORD = -5,
      CHILD_RECORD = -16;

  function dataOf(node, kind) {
    switch (kind) {
      case LITERAL: return node.value;
      case OP: return node.operator;
      case CALL: return node.isNew ? 'new' : undefined;
      case CODE: return node.bound ? { bound: true } : undefined;
      case ASSIGN: return node.context ? { context: node.context } : undefined;
      case COMMENT: return node.comment;
      default: return undefined;
    }
  }

  // Walks the parsed tree once, producing its JSON form and collecting what the info reply
  // needs. `pairs` links the nodes that inference reads to their JSON (node, json, node, json...).
  // The range of the node or list written last is left in `hasRange` and `first*`/`last*`
  // (numbers, not arrays: a tree has thousands of nodes).
  //
  // Each node's location is in the records; as text ("location") only when `allText`, or where
  // inference reads it (functions, classes, `new`), and the rest later when a reader wants the
  // JSON whole (writeLocationTexts): the text of every node was a fifth of what the analysis of a
  // big program allocates, all of it kept until the tree is written out.
  function TreeWriter(code, positions, allText) {
    this.positions = positions || null;
    this.allText = !!allText;
    this.whiles = [];
    this.pairs = [];
    this.creations = []; // the `new` calls and operators, children before their parent
    this.assignedNames = new Map(); // a `new` assigned to a variable or property -> that name
    this.hasRange = false;
    this.firstLine = 0;
    this.firstColumn = 0;
    this.lastLine = 0;
    this.lastColumn = 0;
    this.code = code;
    this.lines = null;
    this.records = new IntList();
    this.nodes = []; // the JSON nodes in the order of their records
    this.recorded = true; // whether every node has a shape, so that the records say the whole tree
  }

  // The column of the keyword of `new X(...)`: the compiler starts such a call at X, so the
  // keyword would belong to no node. -1 when the line holds no `new` just before the start.
  TreeWriter.prototype.newKeyword = function (line, column) {
    if (!this.lines) this.lines = compilerText(String(this.code || '')).split('\n');
    var m = /(?:^|[^\w$])(new\s+)$/.exec((this.lines[line] || '').slice(0, column));
    return m ? column - m[1].length : -1;
  };

  // Writes the node or list and widens the range [a0:a1-a2:a3] (when `has`) by its range; answers
  // the JSON. The widened range is left in the writer's range fields.
  TreeWriter.prototype.child = function (value, has, a0, a1, a2, a3) {
    this.hasRange = false;
    var json = null;
    if (Array.isArray(value)) json = this.list(value);
    else if (isNode(value)) json = this.node(value);
    else this.records.push(NULL_RECORD);
    if (this.hasRange && has) {
      if (a0 < this.firstLine || (a0 === this.firstLine && a1 <= this.firstColumn)) {
        this.firstLine = a0;
        this.firstColumn = a1;
      }
      if (a2 > this.lastLine || (a2 === this.lastLine && a3 >= this.lastColumn)) {
        this.lastLine = a2;
        this.lastColumn = a3;
      }
    } else if (has) {
      this.hasRange = true;
      this.firstLine = a0;
      this.firstColumn = a1;
      this.lastLine = a2;
      this.lastColumn = a3;
    }
    return json;
  };

  // A node's range covers its children: the compiler gives some nodes only the range of their
  // first part (a value "a.b.c" spans just "a"), and a search by position must be able to
  // reach every child through its parent.
  TreeWriter.prototype.node = function (node) {
    var info = classOf(node);
    var names = node.children;
    var json = newJson(info, names);
    if (info.shape < 0) this.recorded = false;
    this.records.push(info.shape);
    this.nodes.push(json);
    var own = node.locationData;
    var has = !!own;
    var a0 = has ? own.first_line : 0, a1 = has ? own.first_column : 0;
    var a2 = has ? own.last_line : 0, a3 = has ? own.last_column : 0;
    var data = dataOf(node, info.kind);
    if (data !== undefined) json.data = data;
    // Most nodes have every child their class names: those share one list of the names, and
    // a list of their own is made only from the first child that is missing.
    if (info.kind === ASSIGN) this.noteAssignedName(node);
    var listed = names;
    if (names.length > 0) {
      listed = info.writeChildren(this, node, json, names, has, a0, a1, a2, a3);
      has = this.hasRange;
      a0 = this.firstLine;
      a1 = this.firstColumn;
      a2 = this.lastLine;
      a3 = this.lastColumn;
    }
    if (listed.length > 0) json.children = listed === names ? info.children : listed;
    if (has && own && info.kind === CALL && node.isNew && a0 === own.first_line && a1 === own.first_column) {
      var keyword = this.newKeyword(own.first_line, own.first_column);
      if (keyword >= 0) {
        // Where the compiler placed the call, for readers of its source map; not written out.
        Object.defineProperty(json, 'compiledStart', { value: own.first_line + ':' + own.first_column });
        a1 = keyword;
      }
    }
    var asText = this.allText || info.locatedAsText || data === 'new';
    if (has) {
      if (this.positions) {
        var first = this.positions.editor(a0, a1), last = this.positions.editor(a2, a3);
        if (asText) json.location = rangeText(first[0], first[1], last[0], last[1]);
        this.end(first[0], first[1], last[0], last[1]);
        // The layer tracing looks the start up in the compiler's source map.
        if (!json.compiledStart && data === 'new')
          Object.defineProperty(json, 'compiledStart', { value: a0 + ':' + a1 });
      } else {
        if (asText) json.location = rangeText(a0, a1, a2, a3);
        this.end(a0, a1, a2, a3);
      }
    } else {
      this.records.push5(NO_LOCATION_RECORD, 0, 0, 0, 0);
    }
    // A loop is reported where the compiler places it: its first line.
    if (info.isWhile) {
      var loopAt = own && this.positions ? this.positions.location(own.first_line, own.first_column, own.last_line, own.last_column)
                                         : locationText(own);
      this.whiles.push({ location: loopAt || '0:0-0:0' });
    }
    if (info.paired) this.pairs.push(node, json);
    if (data === 'new' && (info.kind === CALL || info.kind === OP)) {
      var assigned = this.assignedNames.get(node);
      if (assigned) Object.defineProperty(json, 'assignedName', { value: assigned });
      this.creations.push(json);
    }
    this.hasRange = has;
    this.firstLine = a0;
    this.firstColumn = a1;
    this.lastLine = a2;
    this.lastColumn = a3;
    return json;
  };

  // The name the code gives what it assigns: the variable (`card = ...`), the property
  // (`@title = ...`, `page.title = ...`, `title: ...` in an object); none for an index or a
  // destructuring. The layer panel shows it for a layer made there without a name of its own.
  TreeWriter.prototype.noteAssignedName = function (node) {
    var value = node.value;
    while (value && ((value instanceof nodes.Value && (!value.properties || !value.properties.length)) ||
                     value instanceof nodes.Parens)) {
      value = value instanceof nodes.Parens ? (value.body && value.body.expressions && value.body.expressions.length === 1
        ? value.body.expressions[0] : null) : value.base;
    }
    if (!value || !value.isNew && !(value instanceof nodes.Op && value.operator === 'new')) return;
    var variable = node.variable;
    if (!(variable instanceof nodes.Value)) return;
    var name = null;
    var properties = variable.properties || [];
    if (properties.length) {
      var last = properties[properties.length - 1];
      if (last instanceof nodes.Access && last.name && typeof last.name.value === 'string') name = last.name.value;
    } else if (variable.base && !(variable.base instanceof nodes.Obj) && !(variable.base instanceof nodes.Arr) &&
               typeof variable.base.value === 'string') {
      name = variable.base.value;
    }
    if (name && IDENTIFIER_NAME.test(name)) this.assignedNames.set(value, name);
  };

  TreeWriter.prototype.end = function (firstLine, firstColumn, lastLine, lastColumn) {
    // The records hold integers; a location of anything else is left to JSON.stringify.
    if ((firstLine | 0) !== firstLine || (firstColumn | 0) !== firstColumn || (lastLine | 0) !== lastLine ||
        (lastColumn | 0) !== lastColumn) this.recorded = false;
    this.records.push5(END_RECORD, firstLine, firstColumn, lastLine, lastColumn);
  };

  // Gives the node written last, whose records end the list, another location.
  TreeWriter.prototype.relocateLast = function (firstLine, firstColumn, lastLine, lastColumn) {
    var at = this.records.length - 5;
    if (at < 0 || !(this.records.buffer[at] === END_RECORD || this.records.buffer[at] === NO_LOCATION_RECORD)) {
      this.recorded = false;
      return;
    }
    this.records.length = at;
    this.end(firstLine, firstColumn, lastLine, lastColumn);
  };

  // Gives every node written the location text its records hold, for readers of the whole JSON.
  // Only when `recorded`: the records then say the tree node by node.
  TreeWriter.prototype.writeLocationTexts = function () {
    var records = this.records.buffer, length = this.records.length, nodes = this.nodes;
    var open = [], next = 0;
    for (var i = 0; i < length; i++) {
      var record = records[i];
      if (record >= 0) {
        open.push(nodes[next++]);
      } else if (record === END_RECORD) {
        open.pop().location = rangeText(records[i + 1], records[i + 2], records[i + 3], records[i + 4]);
        i += 4;
      } else if (record === NO_LOCATION_RECORD) {
        open.pop();
        i += 4;
      }
    }
    this.allText = true;
  };

  TreeWriter.prototype.list = function (list) {
    this.records.push(LIST_RECORD);
    var out = new Array(list.length);
    var has = false, a0 = 0, a1 = 0, a2 = 0, a3 = 0;
    for (var i = 0; i < list.length; i++) {
      out[i] = this.child(list[i], has, a0, a1, a2, a3);
      has = this.hasRange;
      a0 = this.firstLine;
      a1 = this.firstColumn;
      a2 = this.lastLine;
      a3 = this.lastColumn;
    }
    this.records.push(LIST_END_RECORD);
    this.hasRange = has;
    this.firstLine = a0;
    this.firstColumn = a1;
    this.lastLine = a2;
    this.lastColumn = a3;
    return out;
  };

  // The compiler's error as the front expects it: its message and 0-based start, always with a
  // location so that readers can place the marker.
  function errorRecord(error) {
    var message = error && error.message !== undefined ? String(error.message) : String(error);
    var location = error && error.location && typeof error.location === 'object' ? error.location : null;
    var record = {
      message: message,
      location: {
        first_line: location && typeof location.first_line === 'number' ? location.first_line : 0,
        first_column: location && typeof location.first_column === 'number' ? location.first_column : 0
      }
    };
    if (location) {
      record.location.last_line = typeof location.last_line === 'number' ? location.last_line : record.location.first_line;
      record.location.last_column = typeof location.last_column === 'number' ? location.last_column : record.location.first_column;
    }
    if (error && error.name) record.name = String(error.name);
    return record;
  }

  // The error record with its position moved to the editor's lines; the compiler's own stays
  // beside it as "compilerLocation".
  function editorErrorRecord(error, positions) {
    var record = errorRecord(error);
    if (!positions) return record;
    var at = record.location;
    record.compilerLocation = { first_line: at.first_line, first_column: at.first_column };
    var first = positions.editor(at.first_line, at.first_column);
    at.first_line = first[0];
    at.first_column = first[1];
    if (at.last_line !== undefined) {
      record.compilerLocation.last_line = at.last_line;
      record.compilerLocation.last_column = at.last_column;
      var last = positions.editor(at.last_line, at.last_column);
      at.last_line = last[0];
      at.last_column = last[1];
    }
    return record;
  }

  // [line, column] of the end of the whole text.
  function wholeTextEnd(code, positions) {
    if (positions) {
      var last = positions.editorLines.length - 1;
      return [last, Math.max(code.length - positions.editorLines[last] - 1, 0)];
    }
    var lastBreak = code.lastIndexOf('\n');
    var lastLine = 0;
    for (var i = code.indexOf('\n'); i !== -1; i = code.indexOf('\n', i + 1)) lastLine++;
    return [lastLine, Math.max(code.length - lastBreak - 2, 0)];
  }

  // The line and column map with only what readers walk: per JavaScript line (null when it has
  // no mappings) the columns, each null or the CoffeeScript line and column it came from. Half
  // the size of the compiler's own object, which matters for every reply.
  // A reader looks a column up by walking down to the nearest column that has an entry, so an
  // entry that repeats the one before it on its line answers nothing new and is left out.
  function lineMap(map) {
    var lines = map && map.lines ? map.lines : [];
    var out = new Array(lines.length);
    for (var i = 0; i < lines.length; i++) {
      var line = lines[i];
      if (!line || !line.columns) { out[i] = null; continue; }
      var columns = line.columns;
      var mapped = new Array(columns.length);
      var previous = null;
      for (var j = 0; j < columns.length; j++) {
        var column = columns[j];
        if (column && !(previous && previous.sourceLine === column.sourceLine && previous.sourceColumn === column.sourceColumn)) {
          mapped[j] = { sourceLine: column.sourceLine, sourceColumn: column.sourceColumn };
          previous = column;
        } else {
          mapped[j] = null;
        }
      }
      out[i] = { columns: mapped };
    }
    return { lines: out };
  }

  function copyOptions(options) {
    var out = {};
    if (options && typeof options === 'object') {
      for (var key in options) if (Object.prototype.hasOwnProperty.call(options, key)) out[key] = options[key];
    }
    return out;
  }

  var api = {};
  api.COMPILER_NODE = COMPILER_NODE;

  api.getGlobals = function () {
    return globals;
  };

  // Replaced by the assembled build with the prototyping library's descriptions.
  api.setGlobals = function (value) {
    globals = value && typeof value === 'object' ? value : {};
  };

  // The hook of scope and type inference. `tree` is the compiler's parsed tree, `context` holds
  // the code, the tree's JSON ("ast"), `pairs` (node, json, ...: the literals and loops) and the globals.
  // Answers the scope tree {"vars", "location", "typeDict", "children"}. This minimal form
  // declares nothing; inference.js replaces it.
  api.inferScope = function (tree, context) {
    return { vars: {}, location: context.ast.location || '0:0-0:0', typeDict: {}, children: [] };
  };

  // The hook that lets the program tell the page which syntax-tree node made each layer: takes
  // the JavaScript, the compiler's source map and the records of the tree's `new` nodes (see
  // creationRecords); answers the JavaScript to run. This minimal form changes nothing;
  // inference.js replaces it.
  api.withCreationHashes = function (js, sourceMap, creations) {
    return js;
  };

  function textOf(code) {
    return typeof code === 'string' ? code : code === undefined || code === null ? '' : String(code);
  }

  // The compiler reads the text as written, so that the JavaScript, its map and its errors are
  // the compiler's own; but it breaks lines only at LF, after dropping a leading byte-order mark
  // and every CR, while the editor also breaks them at CR, CRLF, U+0085, U+2028 and U+2029.
  // A PositionMap turns the compiler's lines and columns into the editor's. Texts without those
  // characters (nearly all) need none: `positionMapOf` answers null for them.
  var EDITOR_BREAK = /\r\n?|\n|[\u0085\u2028\u2029]/g;
  function positionMapOf(code) {
    return /[\r\u0085\u2028\u2029]/.test(code) || code.charCodeAt(0) === 0xFEFF ? new PositionMap(code) : null;
  }

  function PositionMap(code) {
    this.code = code;
    this.skip = code.charCodeAt(0) === 0xFEFF ? 1 : 0;
    // Where each of the compiler's lines starts in the text.
    this.compilerLines = [this.skip];
    for (var i = code.indexOf('\n'); i !== -1; i = code.indexOf('\n', i + 1)) this.compilerLines.push(i + 1);
    // Where each of the editor's lines starts.
    this.editorLines = [0];
    EDITOR_BREAK.lastIndex = 0;
    for (var m = EDITOR_BREAK.exec(code); m; m = EDITOR_BREAK.exec(code)) this.editorLines.push(m.index + m[0].length);
  }

  // The offset in the text of the compiler's line and column: the column counts the characters
  // the compiler kept, so the CRs before it are stepped over.
  PositionMap.prototype.offset = function (line, column) {
    var start = this.compilerLines[Math.min(Math.max(line, 0), this.compilerLines.length - 1)];
    var end = line + 1 < this.compilerLines.length ? this.compilerLines[line + 1] : this.code.length;
    var at = start;
    for (var kept = 0; at < end; at++) {
      if (this.code.charCodeAt(at) === 13) continue;
      if (kept === column) break;
      kept++;
    }
    return at;
  };

  // The editor's [line, column] of the compiler's line and column.
  PositionMap.prototype.editor = function (line, column) {
    var offset = this.offset(line, column);
    var lines = this.editorLines, low = 0, high = lines.length - 1;
    while (low < high) {
      var middle = (low + high + 1) >> 1;
      if (lines[middle] <= offset) low = middle; else high = middle - 1;
    }
    return [low, offset - lines[low]];
  };

  PositionMap.prototype.location = function (a0, a1, a2, a3) {
    var first = this.editor(a0, a1), last = this.editor(a2, a3);
    return rangeText(first[0], first[1], last[0], last[1]);
  };

  // The text as the compiler sees it, for reading its lines by the compiler's numbers.
  function compilerText(code) {
    return (code.charCodeAt(0) === 0xFEFF ? code.slice(1) : code).replace(/\r/g, '');
  }

  function compileOptions(options) {
    var out = copyOptions(options);
    out.sourceMap = true; // the front needs both maps whatever it asks for
    return out;
  }

  function notLoaded() {
    if (typeof CoffeeScript !== 'undefined' && nodes && parser) return null;
    return { error: { message: 'The CoffeeScript compiler is not loaded', location: { first_line: 0, first_column: 0 } } };
  }

  // The side of a compile that needs only the parsed tree: its JSON, its loops, its scope and
  // the `new` nodes whose layers can be traced to their code. `tree` is null when the text
  // parsed to nothing. `allText`: see TreeWriter.
  function analyzeTree(tree, code, extra, positions, allText) {
    var writer = new TreeWriter(code, positions, allText);
    var ast = tree ? writer.node(tree) : null;
    if (!ast) ast = { type: 'Block' };
    // The parser gives the root only the range of its first line; the program's scope and
    // tree cover the whole text.
    var end = wholeTextEnd(code, positions);
    ast.location = rangeText(0, 0, end[0], end[1]);
    if (tree) writer.relocateLast(0, 0, end[0], end[1]);
    // Records that cannot say the tree cannot give its nodes their location text later either.
    if (tree && !writer.recorded && !allText) return analyzeTree(tree, code, extra, positions, true);
    var analysis = { ast: ast, info: { whiles: writer.whiles }, scope: null, creations: null,
                     writer: tree && writer.recorded ? writer : null };
    if (extra.returnScope !== false) {
      try {
        analysis.scope = api.inferScope(tree, { code: code, ast: ast, pairs: writer.pairs, globals: globals });
      } catch (error) {
        // Inference is a help, not a condition of compiling: the program still runs.
        analysis.scope = { vars: {}, location: ast.location || '0:0-0:0', typeDict: {}, children: [],
                           inferenceError: String(error && error.message !== undefined ? error.message : error) };
      }
      analysis.creations = creationRecords(writer.creations);
    }
    return analysis;
  }

  // What the layer tracing needs of the `new` nodes that inference gave a type: plain records,
  // so that they can travel to the engine that generated the code. The start is where the
  // compiler placed the node, which is where its source map knows it.
  function creationRecords(creations) {
    var out = [];
    for (var i = 0; i < creations.length; i++) {
      var node = creations[i];
      if (typeof node.typeHash !== 'string') continue;
      var record = { type: node.type, data: node.data, typeHash: node.typeHash, location: node.compiledStart || node.location };
      if (node.assignedName) record.name = node.assignedName;
      out.push(record);
    }
    return out;
  }

  // The side of a compile that needs the generated code: the JavaScript (with the table that
  // traces layers to their code, when there are creations), and the maps.
  function generatedReply(compiled, creations, withLineMap) {
    var js = compiled.js;
    if (creations) {
      try {
        js = api.withCreationHashes(js, compiled.sourceMap, creations);
      } catch (error) {
        // Without the table the layers still work; they only can't be traced to their code.
      }
    }
    var reply = { js: js, v3SourceMap: compiled.v3SourceMap };
    if (withLineMap) reply.sourceMap = lineMap(compiled.sourceMap);
    return reply;
  }

  function analysisReply(analysis, extra) {
    var reply = { ast: extra.returnAST !== false ? analysis.ast : {}, info: analysis.info };
    if (analysis.scope) reply.scope = analysis.scope;
    if (extra.returnGlobals) reply.globals = globals;
    return reply;
  }

  function joinedReply(generated, analysis, extra) {
    var reply = analysisReply(analysis, extra);
    reply.js = generated.js;
    reply.sourceMap = generated.sourceMap;
    reply.v3SourceMap = generated.v3SourceMap;
    return reply;
  }

  api.cs2js = function (code, options, optionsEx) {
    var missing = notLoaded();
    if (missing) return missing;
    code = textOf(code);
    var positions = positionMapOf(code);
    var extra = copyOptions(optionsEx);
    var analysis = null;
    onParsed = function (tree) {
      analysis = analyzeTree(tree, code, extra, positions, true);
    };
    var compiled;
    try {
      compiled = CoffeeScript.compile(code, compileOptions(options));
    } catch (error) {
      return { error: editorErrorRecord(error, positions) };
    } finally {
      onParsed = null;
    }
    if (!analysis) analysis = analyzeTree(null, code, extra, positions, true);
    return joinedReply(generatedReply(compiled, analysis.creations, true), analysis, extra);
  };

  // cs2js in two halves that two engines can work on at the same time: analyze answers "ast",
  // "info", "scope" (as cs2js) and "creations"; generate compiles and keeps the result;
  // takeGenerated(creations) then answers the two texts [js, v3SourceMap] as they are (an object
  // would have them escaped to JSON and read back on every compile). Together they make the
  // reply cs2js makes of the same text, but for the line map "sourceMap", which says nothing
  // that the version 3 map does not: its reader makes it from that map when a position is first
  // looked up, which is rare, and not on every compile.
  api.analyze = function (code, options, optionsEx) {
    var reply = api.analyzeFirst(code, options, optionsEx);
    if (reply.error) return reply;
    var whole = api.takeAnalysis();
    if (reply.creations) whole.creations = reply.creations;
    return whole;
  };

  // analyze in two steps, so that the engine that generated the code can make its layer table
  // while this one writes the tree out: analyzeFirst answers {"creations"} (null when the
  // program was not inferred) or the compiler's error, and keeps the rest, which takeAnalysis
  // answers once (as analyze does, without "creations").
  var analyzed = null;

  api.analyzeFirst = function (code, options, optionsEx) {
    analyzed = null;
    var missing = notLoaded();
    if (missing) return missing;
    code = textOf(code);
    var positions = positionMapOf(code);
    var extra = copyOptions(optionsEx);
    var tree;
    try {
      tree = CoffeeScript.nodes(code, compileOptions(options));
    } catch (error) {
      return { error: editorErrorRecord(error, positions) };
    }
    var analysis = analyzeTree(tree, code, extra, positions);
    analyzed = analysisReply(analysis, extra);
    analyzedWriter = analysis.writer;
    return { creations: analysis.creations };
  };

  function takeAnalyzed() {
    var reply = analyzed;
    analyzed = null;
    analyzedWriter = null;
    return reply || { error: { message: 'Nothing was analyzed', location: { first_line: 0, first_column: 0 } } };
  }

  api.takeAnalysis = function () {
    var writer = analyzedWriter;
    var reply = takeAnalyzed();
    if (writer && !writer.allText && reply.ast === writer.nodes[0]) writer.writeLocationTexts();
    return reply;
  };

  // takeAnalysis for a front that writes the tree's JSON text itself from the tree writer's
  // records: JSON.stringify of a big program's tree is the largest part of its compile. Answers
  // [the reply's other members as JSON (an object), the shapes as JSON, a function (from, to)
  // answering the values of the nodes from `from` up to `to` as JSON (a list: for each node in
  // the order of the records, its "data" and then its "typeHash", those it has), the records
  // (an Int32Array), for each node which of the two it has (a Uint8Array: 1 data, 2 type key;
  // a node's item is set when its values are asked for), a function answering the reply, for a
  // front that cannot use the parts and writes the reply whole]. The front asks for the values
  // in pieces, so that it writes the tree's text from the first while the later ones are made.
  // The text of {"ast": <tree>, <other members>} written from these is the text JSON.stringify
  // makes of the reply. Answers the reply alone when no records say its tree (an empty program,
  // a node class without shape, a reply without tree).
  var analyzedWriter = null;

  api.takeAnalysisParts = function () {
    var writer = analyzedWriter;
    var reply = takeAnalyzed();
    if (!writer || reply.error || reply.ast !== writer.nodes[0]) return reply;
    var nodes = writer.nodes, has = new Uint8Array(nodes.length);
    var others = {};
    for (var key in reply) if (key !== 'ast' && Object.prototype.hasOwnProperty.call(reply, key)) others[key] = reply[key];
    return [JSON.stringify(others), JSON.stringify(shapes),
            function (from, to) { return JSON.stringify(nodeValues(nodes, has, from, to)); },
            writer.records.buffer.subarray(0, writer.records.length), has,
            function () {
              writer.writeLocationTexts();
              return reply;
            }];
  };

  // The "data" and "typeHash" values of the nodes from `from` up to `to`, in order, each
  // node's data first; `has` says for each node which of the two it has.
  function nodeValues(nodes, has, from, to) {
    var values = [];
    for (var i = from; i < to && i < nodes.length; i++) {
      var json = nodes[i], flags = 0;
      var data = json.data, typeHash = json.typeHash;
      if (data !== undefined && typeof data !== 'function' && typeof data !== 'symbol') {
        values.push(data);
        flags = 1;
      }
      if (typeHash !== undefined && typeof typeHash !== 'function' && typeof typeHash !== 'symbol') {
        values.push(typeHash);
        flags |= 2;
      }
      has[i] = flags;
    }
    return values;
  }

  var generated = null;

  api.generate = function (code, options) {
    generated = null;
    var missing = notLoaded();
    if (missing) return missing;
    code = textOf(code);
    try {
      generated = CoffeeScript.compile(code, compileOptions(options));
    } catch (error) {
      return { error: editorErrorRecord(error, positionMapOf(code)) };
    }
    return true;
  };

  api.takeGenerated = function (creations) {
    var compiled = generated;
    generated = null;
    if (!compiled) return { error: { message: 'Nothing was compiled', location: { first_line: 0, first_column: 0 } } };
    var reply = generatedReply(compiled, Array.isArray(creations) ? creations : null, false);
    return [reply.js, reply.v3SourceMap];
  };

  return api;
})();
