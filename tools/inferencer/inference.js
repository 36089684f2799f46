// Scope and type inference over the compiler's parsed tree. Replaces Inferencer.inferScope of
// core.js and answers the scope tree
//   {"vars": {name: description}, "location": "l:c-l:c", "children": [scope, ...]}
// with, at the root only, "typeDict": {"#n": description}. It also annotates the tree's JSON:
//   "typeHash"              "#n", the key of the node's inferred type in the root's typeDict;
//   "data"."typePath"       on a Value: one entry per step of its access chain (the base, then
//                           each property): a variable name or "#n" to look up, "?" if unknown;
//   "data"."expectedType"   on a Value that wraps an object literal: the description of the
//                           type the literal is expected to have (a call's parameter, the
//                           target of an assignment, the key of an enclosing literal).
//
// Descriptions are those of the globals (see globals.json): "*" any, "?" unknown, a name to
// resolve ("@Name" names a type of the library, other names a global value) or an object with
// "id" "object", "func", "array" or "enum". Conventions this script relies on:
//   - a constructor is {"id": "func", "isConstructor": true, "returns": "@Type", "paramTypes": [...]};
//     each `new` gets a type of its own that extends what the constructor returns, so that all
//     the nodes of one created value share one type hash;
//   - literals have the types "@number", "@string", "@boolean", "@regexp";
//   - a function whose "returns" is an object with the annotation "importedLayersPath" gets, at
//     each call, a copy whose annotation is the source text of the call's first argument when that
//     is a string literal (the imported folder it loads).
//
// Runs in the bare engine (ECMAScript only), so it uses nothing but the language itself.
(function (Inferencer) {
  'use strict';

  var MAX_DEPTH = 48; // resolution chains through descriptions (parents, aliases, names)
  var has = Object.prototype.hasOwnProperty;
  var COMPILER_NODE = Inferencer.COMPILER_NODE;

  // ----- Types -------------------------------------------------------------------------------
  // Inferred types are small records. A 'desc' holds a description of the globals unchanged; the
  // other kinds are built from the program and written to the typeDict when used.
  var ANY = { k: 'any' };
  var UNKNOWN = { k: 'unknown' };

  function fromDesc(d) {
    if (d === '*') return ANY;
    if (d === '?' || d === undefined || d === null) return UNKNOWN;
    if (typeof d === 'string') return { k: 'desc', d: d };
    if (typeof d === 'object' && !Array.isArray(d) && typeof d.id === 'string') return { k: 'desc', d: d };
    return UNKNOWN;
  }

  function makeObject(members, xtends, name) {
    return { k: 'obj', members: members || {}, xtends: xtends, name: name, annotations: undefined };
  }
  function makeFunc(params, paramNames, returns) {
    return { k: 'func', params: params, paramNames: paramNames, returns: returns || UNKNOWN, ctor: false };
  }
  function makeArray(elem) {
    return { k: 'arr', elem: elem || UNKNOWN };
  }
  function known(t) {
    return t && t !== UNKNOWN;
  }

  // ----- Reading descriptions ----------------------------------------------------------------

  function Types(globals) {
    this.globals = globals && typeof globals === 'object' ? globals : {};
  }

  // The description object behind a type, following names through the globals; null for
  // any, unknown and names that lead nowhere.
  Types.prototype.structure = function (t, depth) {
    depth = depth || 0;
    if (!t || depth > MAX_DEPTH) return null;
    if (t.k === 'desc') {
      if (typeof t.d === 'string') {
        if (!has.call(this.globals, t.d)) return null;
        return this.structure(fromDesc(this.globals[t.d]), depth + 1);
      }
      if (t.d.aliasOf !== undefined && t.d.id === 'object' && !t.d.members) return this.structure(fromDesc(t.d.aliasOf), depth + 1) || t;
      return t;
    }
    if (t.k === 'obj' || t.k === 'func' || t.k === 'arr') return t;
    return null;
  };

  function excluded(d, name) {
    var a = d.annotations;
    return a && typeof a === 'object' && Array.isArray(a.excludeInherited) && a.excludeInherited.indexOf(name) !== -1;
  }

  // The type of member `name` of `t`, or UNKNOWN.
  Types.prototype.member = function (t, name, depth) {
    depth = depth || 0;
    var s = this.structure(t, depth);
    if (!s || depth > MAX_DEPTH) return UNKNOWN;
    if (s.k === 'obj') {
      if (has.call(s.members, name)) return s.members[name];
      if (s.annotations && excluded(s, name)) return UNKNOWN;
      return s.xtends ? this.member(s.xtends, name, depth + 1) : UNKNOWN;
    }
    if (s.k === 'desc') {
      var d = s.d;
      if (d.asDictOfType !== undefined) return fromDesc(d.asDictOfType);
      if (d.members && typeof d.members === 'object') {
        if (has.call(d.members, name)) return fromDesc(d.members[name]);
        if (has.call(d.members, '__reserved__' + name)) return fromDesc(d.members['__reserved__' + name]);
      }
      if (excluded(d, name)) return UNKNOWN;
      if (d.xtends !== undefined) return this.member(fromDesc(d.xtends), name, depth + 1);
      return UNKNOWN;
    }
    if (s.k === 'arr') return name === 'length' ? fromDesc('@number') : this.member(fromDesc('@array'), name, depth + 1);
    return UNKNOWN;
  };

  // What calling a value of type `t` gives.
  Types.prototype.callResult = function (t) {
    var s = this.structure(t);
    if (!s) return UNKNOWN;
    if (s.k === 'func') return s.returns;
    if (s.k === 'desc' && s.d.id === 'func') return fromDesc(s.d.returns);
    return UNKNOWN;
  };

  // The type of parameter `i` of a function type, or UNKNOWN.
  Types.prototype.paramType = function (t, i) {
    var s = this.structure(t);
    if (!s) return UNKNOWN;
    if (s.k === 'func') return s.params[i] || UNKNOWN;
    if (s.k === 'desc' && s.d.id === 'func' && Array.isArray(s.d.paramTypes)) return fromDesc(s.d.paramTypes[i]);
    return UNKNOWN;
  };

  // The element type of an array type (or the value type of a dictionary).
  Types.prototype.element = function (t) {
    var s = this.structure(t);
    if (!s) return UNKNOWN;
    if (s.k === 'arr') return s.elem;
    if (s.k === 'desc') {
      if (s.d.id === 'array') return fromDesc(s.d.type);
      if (s.d.asDictOfType !== undefined) return fromDesc(s.d.asDictOfType);
    }
    return UNKNOWN;
  };

  // The name a created value shows (its completion kind): the name of the type it extends.
  Types.prototype.nameOf = function (t) {
    var s = this.structure(t);
    if (s && s.k === 'desc' && typeof s.d.name === 'string') return s.d.name;
    if (s && s.k === 'obj') return s.name;
    return undefined;
  };

  // ----- Writing types -----------------------------------------------------------------------
  // Each type met gets one "#n" key; structured types are written once, their parts as names or
  // keys, so that recursive structures end.

  function TypeWriter() {
    this.dict = {};
    this.count = 0;
    this.keys = new Map();
    this.nameKeys = {};
    this.pending = []; // key, type, key, type, ...
  }

  // The description of a type: a string when it has one, else its "#n" key.
  TypeWriter.prototype.ref = function (t) {
    if (!t || t === UNKNOWN) return '?';
    if (t === ANY) return '*';
    if (t.k === 'desc' && typeof t.d === 'string') return t.d;
    return this.key(t);
  };

  // The "#n" key of a type (a new one on first use). Descriptions of the globals are keyed by
  // themselves, so one description read twice keeps one key.
  TypeWriter.prototype.key = function (t) {
    if (t.k === 'desc' && typeof t.d === 'string') {
      if (!has.call(this.nameKeys, t.d)) this.nameKeys[t.d] = this.store(t.d);
      return this.nameKeys[t.d];
    }
    if (t === ANY || t === UNKNOWN) {
      var name = t === ANY ? '*' : '?';
      if (!has.call(this.nameKeys, name)) this.nameKeys[name] = this.store(name);
      return this.nameKeys[name];
    }
    var identity = t.k === 'desc' ? t.d : t;
    var existing = this.keys.get(identity);
    if (existing !== undefined) return existing;
    var key = '#' + this.count++;
    this.keys.set(identity, key);
    this.pending.push(key, t);
    return key;
  };

  // The type dictionary. Types are written at the end, when the walk has added every member
  // (writing one may key further types, which are then written too).
  TypeWriter.prototype.finish = function () {
    for (var i = 0; i < this.pending.length; i += 2) this.dict[this.pending[i]] = this.describe(this.pending[i + 1]);
    this.pending = [];
    return this.dict;
  };

  TypeWriter.prototype.store = function (description) {
    var key = '#' + this.count++;
    this.dict[key] = description;
    return key;
  };

  TypeWriter.prototype.describe = function (t) {
    var out, name;
    if (t.k === 'desc') return t.d;
    if (t.k === 'arr') return { id: 'array', type: this.ref(t.elem) };
    if (t.k === 'func') {
      out = { id: 'func', paramTypes: [], paramNames: t.paramNames.slice(), returns: this.ref(t.returns) };
      for (var i = 0; i < t.params.length; i++) out.paramTypes.push(this.ref(t.params[i]));
      if (t.ctor) out.isConstructor = true;
      return out;
    }
    out = { id: 'object', members: {} };
    if (t.xtends) out.xtends = this.ref(t.xtends);
    if (t.name !== undefined) out.name = t.name;
    if (t.annotations !== undefined) out.annotations = t.annotations;
    for (name in t.members) if (has.call(t.members, name)) out.members[name] = this.ref(t.members[name]);
    return out;
  };

  // ----- Scopes ------------------------------------------------------------------------------

  function Scope(parent, location) {
    this.parent = parent;
    this.location = location;
    this.vars = {}; // name -> type
    this.order = []; // names in declaration order
    this.children = [];
    this.self = UNKNOWN; // the type of `this`
    if (parent) {
      parent.children.push(this);
      this.self = parent.self;
    }
  }

  Scope.prototype.find = function (name) {
    for (var s = this; s; s = s.parent) if (has.call(s.vars, name)) return s;
    return null;
  };

  // Assignment: a name declared further out is that variable; else it is declared here.
  // The first known type stays, so that every use of a variable shares its type hash.
  Scope.prototype.assign = function (name, type) {
    var s = this.find(name) || this;
    if (!has.call(s.vars, name)) {
      s.vars[name] = UNKNOWN;
      s.order.push(name);
    }
    if (!known(s.vars[name]) && known(type)) s.vars[name] = type;
    return s.vars[name];
  };

  // A parameter or loop variable: always declared here.
  Scope.prototype.declare = function (name, type) {
    if (!has.call(this.vars, name)) this.order.push(name);
    if (!has.call(this.vars, name) || (!known(this.vars[name]) && known(type))) this.vars[name] = type || UNKNOWN;
  };

  // ----- The walk ----------------------------------------------------------------------------

  var IDENTIFIER = /^[_$a-zA-Z\xA0-\uFFFF][_$a-zA-Z0-9\xA0-\uFFFF]*$/;

  function Inference(context) {
    this.types = new Types(context.globals);
    this.writer = new TypeWriter();
    this.created = new Map(); // json -> the type that node creates (stable across passes)
    this.scopes = new Map(); // json of a function or class -> its scope
    this.lines = String(context.code || '').split(/\r\n|\r|\n|\u0085|\u2028|\u2029/);
    this.annotate = false;
    this.scope = null;
  }

  Inference.prototype.run = function (root) {
    var location = root.location || '0:0-0:0';
    // Two passes: the first declares and types the variables, the second, knowing them all,
    // writes the facts into the tree (a function may use a variable assigned after it).
    this.scope = this.root = new Scope(null, location);
    this.expression(root, null);
    this.annotate = true;
    this.scope = this.root;
    this.expression(root, null);
    var out = this.scopeJSON(this.root);
    out.typeDict = this.writer.finish();
    return out;
  };

  Inference.prototype.scopeJSON = function (scope) {
    var vars = {};
    for (var i = 0; i < scope.order.length; i++) vars[scope.order[i]] = this.writer.ref(scope.vars[scope.order[i]]);
    var children = [];
    for (var j = 0; j < scope.children.length; j++) children.push(this.scopeJSON(scope.children[j]));
    return { vars: vars, location: scope.location, children: children };
  };

  // A nested scope for a function or class body: made in the first pass, entered again in the
  // second. It reaches to the end of its last line, where the cursor stands after the last word.
  Inference.prototype.enter = function (json) {
    var scope = this.scopes.get(json);
    if (!scope) {
      scope = new Scope(this.scope, this.wholeLines(json.location));
      this.scopes.set(json, scope);
    }
    var previous = this.scope;
    this.scope = scope;
    return previous;
  };

  Inference.prototype.wholeLines = function (location) {
    var m = /^(\d+):(\d+)-(\d+):(\d+)$/.exec(location || '');
    if (!m) return '0:0-0:0';
    var last = +m[3];
    var length = last < this.lines.length ? this.lines[last].length : +m[4];
    return m[1] + ':' + m[2] + '-' + m[3] + ':' + Math.max(+m[4], length);
  };

  // The compiler's node of a literal or loop, which the run placed in the JSON node's slot.
  Inference.prototype.compilerNode = function (json) {
    return json[COMPILER_NODE];
  };

  Inference.prototype.kindOf = function (json) {
    var node = this.compilerNode(json);
    return node && node.constructor ? node.constructor.name : '';
  };

  Inference.prototype.mark = function (json, type) {
    if (this.annotate && json && known(type)) json.typeHash = this.writer.key(type);
    return type;
  };

  Inference.prototype.setData = function (json, key, value) {
    if (!this.annotate) return;
    if (!json.data || typeof json.data !== 'object' || Array.isArray(json.data)) json.data = {};
    json.data[key] = value;
  };

  Inference.prototype.createdType = function (json, make) {
    var t = this.created.get(json);
    if (!t) {
      t = make();
      this.created.set(json, t);
    }
    return t;
  };

  // Walks all children of a node we don't type, each as an expression.
  Inference.prototype.children = function (json) {
    var names = json.children || [];
    for (var i = 0; i < names.length; i++) this.any(json[names[i]]);
  };

  Inference.prototype.any = function (value, expected) {
    if (Array.isArray(value)) {
      for (var i = 0; i < value.length; i++) this.any(value[i]);
      return UNKNOWN;
    }
    if (value && typeof value === 'object') return this.expression(value, expected);
    return UNKNOWN;
  };

  // The type of an expression node; `expected` is the type the context expects, if known.
  Inference.prototype.expression = function (json, expected) {
    var t;
    switch (json.type) {
      case 'Block': t = this.block(json); break;
      case 'Literal': t = this.literal(json); break;
      case 'Value': t = this.value(json, expected); break;
      case 'Assign': t = this.assignment(json); break;
      case 'Call': t = this.call(json); break;
      case 'Op': t = this.op(json); break;
      case 'Obj': t = this.object(json, expected); break;
      case 'Arr': t = this.array(json); break;
      case 'Code': t = this.code(json, expected); break;
      case 'Parens': t = this.block(json.body); break;
      case 'Class': t = this.klass(json); break;
      case 'For': t = this.loop(json); break;
      case 'Try': t = this.attempt(json); break;
      case 'If': t = this.condition(json); break;
      case 'StringWithInterpolations': this.children(json); t = fromDesc('@string'); break;
      case 'Existence': case 'In': this.children(json); t = fromDesc('@boolean'); break;
      case 'Return': this.children(json); t = UNKNOWN; break;
      default: this.children(json); t = UNKNOWN;
    }
    return this.mark(json, t);
  };

  Inference.prototype.block = function (json) {
    if (!json || typeof json !== 'object') return UNKNOWN;
    if (json.type !== 'Block') return this.expression(json);
    var list = json.expressions || [];
    var t = UNKNOWN;
    for (var i = 0; i < list.length; i++) t = this.any(list[i]);
    return this.mark(json, t);
  };

  Inference.prototype.literal = function (json) {
    var kind = this.kindOf(json);
    var text = typeof json.data === 'string' ? json.data : '';
    switch (kind) {
      case 'NumberLiteral': case 'InfinityLiteral': case 'NaNLiteral': return fromDesc('@number');
      case 'StringLiteral': return fromDesc('@string');
      case 'BooleanLiteral': return fromDesc('@boolean');
      case 'RegexLiteral': return fromDesc('@regexp');
      case 'ThisLiteral': return this.scope.self;
      case 'IdentifierLiteral': return this.variable(text);
      case '': break;
      default: return UNKNOWN;
    }
    // Without the compiler's node, the text tells the kind.
    if (/^[0-9.]/.test(text)) return fromDesc('@number');
    if (isQuoted(text)) return fromDesc('@string');
    if (/^(true|false|yes|no|on|off)$/.test(text)) return fromDesc('@boolean');
    if (text === 'this' || text === '@') return this.scope.self;
    return IDENTIFIER.test(text) ? this.variable(text) : UNKNOWN;
  };

  // A name in the program: a variable of the enclosing scopes, else a global.
  Inference.prototype.variable = function (name) {
    var s = this.scope.find(name);
    if (s) return s.vars[name];
    if (has.call(this.types.globals, name) && name.charAt(0) !== '@') return fromDesc(this.types.globals[name]);
    return UNKNOWN;
  };

  // The name a property access reads, or null for an index or a slice.
  function accessName(property) {
    if (!property || property.type !== 'Access' || !property.name) return null;
    return typeof property.name.data === 'string' ? property.name.data : null;
  }

  // The base of a value, with the entry of its type path: the variable's own name when the base
  // is a variable (the scope then resolves it completely), else its type's key.
  Inference.prototype.base = function (json, expected) {
    var base = json.base;
    if (!base || typeof base !== 'object') return { type: UNKNOWN, step: '?' };
    var properties = json.properties || [];
    var t = this.expression(base, properties.length ? undefined : expected);
    var step;
    var kind = base.type === 'Literal' ? this.kindOf(base) : null;
    // The kind first: most bases are numbers and strings, which need no pattern matched.
    if ((kind === 'IdentifierLiteral' || kind === '') && typeof base.data === 'string' && IDENTIFIER.test(base.data) &&
        (this.scope.find(base.data) || has.call(this.types.globals, base.data))) {
      step = base.data;
    } else {
      step = known(t) ? this.writer.key(t) : '?';
    }
    return { type: t, step: step };
  };

  Inference.prototype.value = function (json, expected) {
    var b = this.base(json, expected);
    var t = b.type;
    var path = [this.annotate ? b.step : '?'];
    var properties = json.properties || [];
    for (var i = 0; i < properties.length; i++) {
      var p = properties[i];
      var name = accessName(p);
      if (name !== null) {
        t = this.types.member(t, name);
        this.mark(p, t);
      } else {
        if (p && p.type === 'Index') {
          this.children(p);
          t = this.types.element(t);
        } else {
          this.any(p);
          t = UNKNOWN;
        }
      }
      path.push(known(t) && this.annotate ? this.writer.key(t) : '?');
    }
    if (this.annotate) {
      this.setData(json, 'typePath', path);
      if (json.base && json.base.type === 'Obj' && properties.length === 0 && known(expected))
        this.setData(json, 'expectedType', this.writer.ref(expected));
    }
    return t;
  };

  // The type that an assignment target already has (for the expected type of the value).
  Inference.prototype.targetType = function (variable) {
    if (!variable || variable.type !== 'Value') return UNKNOWN;
    var properties = variable.properties || [];
    var base = variable.base;
    var t;
    if (base && base.type === 'Literal') t = this.literal(base);
    else return UNKNOWN;
    for (var i = 0; i < properties.length; i++) {
      var name = accessName(properties[i]);
      if (name === null) return UNKNOWN;
      t = this.types.member(t, name);
    }
    return t;
  };

  Inference.prototype.assignment = function (json) {
    var context = json.data && typeof json.data === 'object' ? json.data.context : undefined;
    var variable = json.variable;
    var expected = this.targetType(variable);
    var t = this.any(json.value, expected);
    if (context && context !== '=') {
      // A compound assignment (+=, ||=, ...) declares but doesn't change the type.
      this.target(variable, UNKNOWN);
      this.any(variable);
      return t;
    }
    this.target(variable, t);
    this.any(variable);
    return t;
  };

  // Records what an assignment writes: a variable, a member of a typed object, or the names of
  // a destructuring pattern.
  Inference.prototype.target = function (variable, t) {
    if (!variable || typeof variable !== 'object') return;
    if (variable.type === 'Literal') {
      if (typeof variable.data === 'string' && IDENTIFIER.test(variable.data)) this.scope.assign(variable.data, t);
      return;
    }
    if (variable.type !== 'Value') return;
    var properties = variable.properties || [];
    var base = variable.base;
    if (!base) return;
    if (properties.length === 0) {
      if (base.type === 'Literal') this.target(base, t);
      else if (base.type === 'Arr' || base.type === 'Obj') this.pattern(base);
      return;
    }
    // a.b.c = t: a member of the object a.b, when that object is one of ours.
    var owner = this.targetType({ type: 'Value', base: base, properties: properties.slice(0, -1) });
    var name = accessName(properties[properties.length - 1]);
    var s = this.types.structure(owner);
    if (name !== null && s && s.k === 'obj' && !has.call(s.members, name)) s.members[name] = t;
  };

  // Declares every name of a destructuring pattern, typeless.
  Inference.prototype.pattern = function (json) {
    if (!json || typeof json !== 'object') return;
    if (Array.isArray(json)) {
      for (var i = 0; i < json.length; i++) this.pattern(json[i]);
      return;
    }
    if (json.type === 'Literal' && this.kindOf(json) !== 'PropertyName' && typeof json.data === 'string' &&
        IDENTIFIER.test(json.data)) {
      this.scope.assign(json.data, UNKNOWN);
      return;
    }
    if (json.type === 'Assign') {
      this.pattern(json.value);
      return;
    }
    var names = json.children || [];
    for (var j = 0; j < names.length; j++) this.pattern(json[names[j]]);
  };

  Inference.prototype.call = function (json) {
    var callee = this.any(json.variable);
    var args = json.args || [];
    var isNew = json.data === 'new';
    for (var i = 0; i < args.length; i++) this.any(args[i], this.types.paramType(callee, i));
    if (isNew) return this.instance(json, callee);
    var result = this.types.callResult(callee);
    return this.importedLayers(json, result, args[0]);
  };

  // `new X`: a type of its own, extending what X constructs.
  Inference.prototype.instance = function (json, ctor) {
    var types = this.types;
    return this.createdType(json, function () {
      var s = types.structure(ctor);
      var made;
      if (s && s.k === 'func') made = s.returns;
      else if (s && s.k === 'desc' && s.d.id === 'func') made = fromDesc(s.d.returns);
      if (!known(made)) return UNKNOWN;
      return makeObject({}, made, types.nameOf(made));
    });
  };

  // A loader of imported layers: its result names the folder given as first argument.
  Inference.prototype.importedLayers = function (json, result, firstArg) {
    var s = this.types.structure(result);
    if (!s || s.k !== 'desc' || !s.d.annotations || typeof s.d.annotations !== 'object' ||
        !has.call(s.d.annotations, 'importedLayersPath'))
      return result;
    var literal = firstArg && firstArg.type === 'Value' && firstArg.base && !(firstArg.properties || []).length
      ? firstArg.base : null;
    if (!literal || literal.type !== 'Literal' || typeof literal.data !== 'string' || !isQuoted(literal.data))
      return result;
    return this.createdType(json, function () {
      var copy = {};
      for (var key in s.d) if (has.call(s.d, key)) copy[key] = s.d[key];
      var annotations = {};
      for (var a in s.d.annotations) if (has.call(s.d.annotations, a)) annotations[a] = s.d.annotations[a];
      annotations.importedLayersPath = '"' + literal.data.slice(1, -1) + '"';
      copy.annotations = annotations;
      return { k: 'desc', d: copy };
    });
  };

  Inference.prototype.op = function (json) {
    var operator = json.data;
    if (operator === 'new') {
      var inner = json.first;
      if (inner && inner.type === 'Call') {
        this.any(inner);
        return UNKNOWN;
      }
      return this.instance(json, this.any(inner));
    }
    var first = this.any(json.first);
    var second = this.any(json.second);
    switch (operator) {
      case '+':
        if (json.second === undefined) return fromDesc('@number');
        if (isNamed(first, '@string') || isNamed(second, '@string')) return fromDesc('@string');
        if (isNamed(first, '@number') && isNamed(second, '@number')) return fromDesc('@number');
        return UNKNOWN;
      case '-': case '*': case '/': case '%': case '**': case '//': case '%%':
      case '++': case '--': case '&': case '|': case '^': case '~': case '<<': case '>>': case '>>>':
        return fromDesc('@number');
      case '!': case '===': case '!==': case '==': case '!=': case '<': case '>': case '<=': case '>=':
      case 'instanceof': case 'in': case 'of':
        return fromDesc('@boolean');
      case 'typeof': return fromDesc('@string');
      case '&&': case '||': case '?': return known(second) ? second : first;
      default: return UNKNOWN;
    }
  };

  function isNamed(t, name) {
    return t && t.k === 'desc' && t.d === name;
  }

  // An object literal: its own keys as members; a key's value is expected to have the type that
  // the literal's expected type gives that key.
  Inference.prototype.object = function (json, expected) {
    var t = this.createdType(json, function () { return makeObject({}); });
    var properties = json.properties || [];
    for (var i = 0; i < properties.length; i++) {
      var p = properties[i];
      if (!p || typeof p !== 'object') continue;
      if (p.type === 'Assign' && p.variable) {
        var key = objectKey(p.variable);
        var inner = key !== null && known(expected) ? this.types.member(expected, key) : UNKNOWN;
        var v = this.any(p.value, inner);
        this.any(p.variable);
        this.keyType(p.variable, known(inner) ? inner : v);
        if (key !== null && (!has.call(t.members, key) || !known(t.members[key]))) t.members[key] = v;
        this.mark(p, v);
      } else {
        var shorthand = p.type === 'Value' ? objectKey(p) : null;
        var sv = this.any(p);
        if (shorthand !== null && !has.call(t.members, shorthand)) t.members[shorthand] = sv;
      }
    }
    return t;
  };

  // A key of an object literal shows the type of its member: the one the literal is expected
  // to have, else its value's.
  Inference.prototype.keyType = function (variable, t) {
    if (!this.annotate || !known(t) || !variable || variable.type !== 'Value' || (variable.properties || []).length) return;
    this.setData(variable, 'typePath', [this.writer.key(t)]);
    this.mark(variable, t);
  };

  // Whether the literal's text starts with a quote: a string.
  function isQuoted(text) {
    var first = text.charCodeAt(0);
    return first === 34 || first === 39;
  }

  function objectKey(variable) {
    var base = variable.type === 'Value' && !(variable.properties || []).length ? variable.base : variable;
    if (!base || base.type !== 'Literal' || typeof base.data !== 'string') return null;
    var text = base.data;
    if (isQuoted(text)) return text.slice(1, -1);
    return text;
  }

  Inference.prototype.array = function (json) {
    var objects = json.objects || [];
    var elem = UNKNOWN;
    for (var i = 0; i < objects.length; i++) {
      var t = this.any(objects[i]);
      if (!known(elem)) elem = t;
    }
    var made = this.createdType(json, function () { return makeArray(UNKNOWN); });
    if (!known(made.elem)) made.elem = elem;
    return made;
  };

  // A function: its own scope holding its parameters; its result is what its body gives.
  Inference.prototype.code = function (json, expected) {
    var previous = this.enter(json);
    var f = this.createdType(json, function () { return makeFunc([], [], UNKNOWN); });
    var params = json.params || [];
    var names = [];
    var types = [];
    for (var i = 0; i < params.length; i++) {
      var p = params[i];
      var given = this.types.paramType(expected, i);
      var t = p && p.value ? this.any(p.value) : UNKNOWN;
      if (!known(t)) t = given;
      names.push(this.parameter(p, t));
      types.push(t);
    }
    f.params = types;
    f.paramNames = names;
    var result = this.block(json.body);
    if (!known(f.returns) && known(result)) f.returns = result;
    this.scope = previous;
    return f;
  };

  // Declares a parameter; answers its name ("" for a pattern).
  Inference.prototype.parameter = function (param, t) {
    if (!param || typeof param !== 'object') return '';
    var name = param.name;
    if (name && name.type === 'Literal' && typeof name.data === 'string' && IDENTIFIER.test(name.data)) {
      this.scope.declare(name.data, t);
      this.mark(name, t);
      return name.data;
    }
    if (name && name.type === 'Value') {
      // @x as a parameter sets a member of `this`.
      var prop = accessName((name.properties || [])[0]);
      var s = this.types.structure(this.scope.self);
      if (prop !== null && s && s.k === 'obj' && !has.call(s.members, prop)) s.members[prop] = t;
      if (prop !== null) return prop;
      this.pattern(name.base);
      return '';
    }
    this.pattern(name);
    return '';
  };

  // A class: its name is a constructor whose instances have the methods and `@` members of its
  // body; a parent makes them inherit.
  Inference.prototype.klass = function (json) {
    var types = this.types;
    var parentType = json.parent ? this.any(json.parent) : UNKNOWN;
    var instance = this.createdType(json, function () {
      var s = types.structure(parentType);
      var base;
      if (s && s.k === 'func') base = s.returns;
      else if (s && s.k === 'desc' && s.d.id === 'func') base = fromDesc(s.d.returns);
      return makeObject({}, known(base) ? base : undefined, known(base) ? types.nameOf(base) : undefined);
    });
    var ctor = this.created.get(instance) || makeFunc([], [], instance);
    ctor.ctor = true;
    this.created.set(instance, ctor);
    var name = json.variable ? objectKey(json.variable) : null;
    if (name !== null && json.variable && !(json.variable.properties || []).length) this.scope.assign(name, ctor);
    if (json.variable) this.any(json.variable);
    var previous = this.enter(json);
    this.scope.self = instance;
    var body = json.body;
    var list = body && body.expressions ? body.expressions : [];
    for (var i = 0; i < list.length; i++) {
      var e = list[i];
      if (e && e.type === 'Value' && e.base && e.base.type === 'Obj' && !(e.properties || []).length) {
        this.methods(e.base, instance, ctor);
        this.mark(e, instance);
      } else {
        this.any(e);
      }
    }
    this.scope = previous;
    return ctor;
  };

  Inference.prototype.methods = function (obj, instance, ctor) {
    var properties = obj.properties || [];
    for (var i = 0; i < properties.length; i++) {
      var p = properties[i];
      if (!p || p.type !== 'Assign') {
        this.any(p);
        continue;
      }
      var key = objectKey(p.variable);
      var t = this.any(p.value);
      this.any(p.variable);
      if (key === 'constructor') {
        var s = this.types.structure(t);
        if (s && s.k === 'func') {
          ctor.params = s.params;
          ctor.paramNames = s.paramNames;
        }
      } else if (key !== null && !has.call(instance.members, key)) {
        instance.members[key] = t;
      }
    }
  };

  Inference.prototype.loop = function (json) {
    var node = this.compilerNode(json);
    var source = this.any(json.source);
    var isOf = node && node.object;
    var elem = isOf ? UNKNOWN : this.types.element(source);
    // The loop variables are fields of the compiler's node, not children of the tree.
    this.loopVariable(node && node.name, elem);
    this.loopVariable(node && node.index, isOf ? fromDesc('@string') : fromDesc('@number'));
    this.any(json.guard);
    this.any(json.step);
    this.block(json.body);
    return makeArray(UNKNOWN);
  };

  Inference.prototype.loopVariable = function (node, t) {
    var name = node && node.value !== undefined ? node.value : node && node.base ? node.base.value : undefined;
    if (typeof name === 'string' && IDENTIFIER.test(name)) this.scope.assign(name, t);
  };

  Inference.prototype.attempt = function (json) {
    if (json.variable && json.variable.type === 'Literal' && typeof json.variable.data === 'string')
      this.scope.assign(json.variable.data, UNKNOWN);
    this.children(json);
    return UNKNOWN;
  };

  Inference.prototype.condition = function (json) {
    this.any(json.condition);
    var t = this.block(json.body);
    this.any(json.elseBody);
    return t;
  };

  // ----- Layers and the code that made them ----------------------------------------------------
  // The page knows a layer by the position in the JavaScript of the `new` that made it (the
  // line and column its stack shows, both from 1). Each `new` of the tree that has a type hash
  // is looked up in the compiler's source map: the first JavaScript position mapped to the
  // node's start is its own "new" keyword, since nothing that encloses the node starts there
  // and compiles to code ahead of it. The table goes ahead of the program on its first line,
  // which shifts no other line; that line holds only the opening of the function that wraps
  // the program.
  // `creations`: the records of the tree's `new` nodes that inference gave a type ({type, data,
  // typeHash, location}, the location being where the compiler placed the node).
  // Answers {hashes, names}: the type hash and, where the code assigns it, the name of each
  // creation by its JavaScript position.
  function creationHashes(sourceMap, creations) {
    // By CoffeeScript line, then column: the map is walked column by column, and most of its
    // lines hold no `new` at all.
    var wanted = Object.create(null);
    var pending = 0;
    for (var k = creations.length - 1; k >= 0; k--) {
      var node = creations[k];
      if (!node || node.data !== 'new' || (node.type !== 'Call' && node.type !== 'Op') || typeof node.typeHash !== 'string')
        continue;
      // The map knows the call where the compiler placed it, which for `new X(...)` is X.
      var m = /^(\d+):(\d+)/.exec(node.location || '');
      if (!m) continue;
      var onLine = wanted[m[1]] || (wanted[m[1]] = Object.create(null));
      if (onLine[m[2]] === undefined) {
        onLine[m[2]] = node;
        pending++;
      }
    }
    var table = {};
    var names = {};
    var lines = sourceMap && sourceMap.lines ? sourceMap.lines : [];
    for (var line = 0; line < lines.length && pending > 0; line++) {
      var columns = lines[line] && lines[line].columns;
      if (!columns) continue;
      for (var column = 0; column < columns.length; column++) {
        var mapped = columns[column];
        if (!mapped) continue;
        var columnsWanted = wanted[mapped.sourceLine];
        if (!columnsWanted) continue;
        var found = columnsWanted[mapped.sourceColumn];
        if (found) {
          var key = (line + 1) + ':' + (column + 1);
          table[key] = found.typeHash;
          if (typeof found.name === 'string') names[key] = found.name;
          columnsWanted[mapped.sourceColumn] = null;
          pending--;
        }
      }
    }
    return { hashes: table, names: names };
  }

  Inferencer.withCreationHashes = function (js, sourceMap, creations) {
    var tables = creationHashes(sourceMap, creations);
    for (var any in tables.hashes) {
      if (has.call(tables.hashes, any)) {
        var named = false;
        for (var n in tables.names) if (has.call(tables.names, n)) { named = true; break; }
        return 'if (typeof ZelvorStudio !== "undefined" && ZelvorStudio.runtime) { ZelvorStudio.runtime.typeHashes = ' +
          JSON.stringify(tables.hashes) + ';' +
          (named ? ' ZelvorStudio.runtime.creationNames = ' + JSON.stringify(tables.names) + ';' : '') + ' }' + js;
      }
    }
    return js;
  };

  Inferencer.inferScope = function (tree, context) {
    if (!context || !context.ast || typeof context.ast !== 'object')
      return { vars: {}, location: '0:0-0:0', typeDict: {}, children: [] };
    // Each JSON node in `pairs` holds its compiler node while the run reads it, in the slot the
    // tree writer made for it (a property lookup, where a map of 100,000 nodes made on every
    // compile was a tenth of the inference); set back to undefined, the slot is left out of the
    // JSON text.
    var pairs = context.pairs || [];
    var i;
    for (i = 0; i + 1 < pairs.length; i += 2) pairs[i + 1][COMPILER_NODE] = pairs[i];
    try {
      return new Inference(context).run(context.ast);
    } finally {
      for (i = 0; i + 1 < pairs.length; i += 2) pairs[i + 1][COMPILER_NODE] = undefined;
    }
  };
})(Inferencer);
