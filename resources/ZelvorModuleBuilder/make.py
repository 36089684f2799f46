"""The module builder of Zelvor Studio.

Bundles the CoffeeScript and JavaScript files of a project's "modules" folder into one script
that the preview page loads, so that the user's program can `require` each module by its file
name ("myModule", "lib/helpers", "./sibling" inside a module).

  python3 make.py <modules folder> <output file>

Every ".coffee" file is compiled with the CoffeeScript compiler of the application's resources
(ZelvorTranspiler/coffee-script.js), run by Node.js, which also checks each ".js" file for syntax
errors: one broken module would otherwise stop the whole bundle from loading in the page.

Output, one JSON object per line on standard output:
  {"type": "error", "message": "<module path>\\n<compiler message>"}  the first failing module;
                                                                     the bundle is left as it was
  {"type": "success", "modules": <count>, "output": <output file>}
The exit status is 0 after a success and 1 after an error.
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
COMPILER = os.path.join(HERE, "..", "ZelvorTranspiler", "coffee-script.js")
CHECKER = os.path.join(HERE, "compile.js")
EXTENSIONS = (".coffee", ".js")


class BuildError(Exception):
    """A failure the user must see: the message goes out as the error object."""


def report(obj):
    sys.stdout.write(json.dumps(obj) + "\n")
    sys.stdout.flush()


def module_files(folder):
    """The module files below the folder, sorted, as (absolute path, relative path).

    Symbolic links to folders are not followed, so that a link loop cannot make the walk endless.
    """
    found = []
    for root, dirs, files in os.walk(folder, followlinks=False):
        dirs.sort()
        for name in sorted(files):
            if os.path.splitext(name)[1].lower() not in EXTENSIONS:
                continue
            path = os.path.join(root, name)
            relative = os.path.relpath(path, folder).replace(os.sep, "/")
            found.append((path, relative))
    return found


def read_module(path):
    """The module's text; a clear error for files that are not UTF-8 text."""
    try:
        with open(path, "rb") as handle:
            data = handle.read()
    except OSError as error:
        raise BuildError("%s\ncannot be read: %s" % (path, error.strerror or error))
    if b"\0" in data:
        raise BuildError("%s\nis not a text file: a module must be CoffeeScript or JavaScript text" % path)
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as error:
        raise BuildError("%s\nis not UTF-8 text (byte %d cannot be read)" % (path, error.start))
    if text.startswith("\ufeff"):
        text = text[1:]
    return text


def find_node():
    node = shutil.which("node") or shutil.which("nodejs")
    if not node:
        raise BuildError("The module builder needs Node.js, which was not found on its search path (%s)."
                         % os.environ.get("PATH", ""))
    return node


def compile_modules(modules):
    """Compiles the CoffeeScript modules and checks the JavaScript ones in one Node process.

    Answers the JavaScript of each module, in order."""
    if not os.path.isfile(COMPILER):
        raise BuildError("The CoffeeScript compiler of the application is missing (%s)." % os.path.normpath(COMPILER))
    request = {
        "compiler": os.path.normpath(COMPILER),
        "modules": [{"path": path, "source": source, "coffee": path.lower().endswith(".coffee")}
                    for path, _, source in modules],
    }
    try:
        process = subprocess.run([find_node(), CHECKER], input=json.dumps(request).encode("utf-8"),
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    except OSError as error:
        raise BuildError("Node.js could not be started: %s" % (error.strerror or error))
    if process.returncode != 0:
        detail = process.stderr.decode("utf-8", "replace").strip().splitlines()
        raise BuildError("The CoffeeScript compiler stopped (status %d)%s" %
                         (process.returncode, (": " + detail[-1]) if detail else "."))
    try:
        results = json.loads(process.stdout.decode("utf-8"))
    except ValueError:
        raise BuildError("The CoffeeScript compiler answered something that is not JSON.")
    if len(results) != len(modules):
        raise BuildError("The CoffeeScript compiler answered for %d modules instead of %d." % (len(results), len(modules)))
    compiled = []
    for (path, _, _), result in zip(modules, results):
        error = result.get("error")
        if error:
            lines = ["line %d, column %d: %s" % (error.get("line", 0), error.get("column", 0), error.get("message", ""))]
            if error.get("excerpt"):
                lines.append(error["excerpt"])
            raise BuildError("%s\n%s" % (path, "\n".join(lines)))
        compiled.append(result.get("js", ""))
    return compiled


LOADER = r"""(function (global) {
  var definitions = {};
  var cache = {};
  var previous = typeof global.require === 'function' && !global.require.zelvorModules ? global.require : null;

  function join(dir, name) {
    var parts = (dir ? dir.split('/') : []).concat(name.split('/'));
    var out = [];
    for (var i = 0; i < parts.length; i++) {
      if (parts[i] === '' || parts[i] === '.') continue;
      if (parts[i] === '..') out.pop(); else out.push(parts[i]);
    }
    return out.join('/');
  }

  function find(id) {
    var candidates = [id, id + '.coffee', id + '.js', id + '/index.coffee', id + '/index.js'];
    for (var i = 0; i < candidates.length; i++)
      if (Object.prototype.hasOwnProperty.call(definitions, candidates[i])) return candidates[i];
    return null;
  }

  function resolve(name, dir) {
    var relative = name.slice(0, 2) === './' || name.slice(0, 3) === '../';
    var key = find(join(relative ? dir : '', name));
    if (!key && !relative && name.slice(0, 8) === 'modules/') key = find(join('', name.slice(8)));
    return key;
  }

  function requireFrom(dir) {
    var require = function (name) {
      var key = resolve(String(name), dir);
      if (!key) {
        if (previous) return previous.apply(this, arguments);
        throw new Error("Cannot find module '" + name + "' in the project's modules folder");
      }
      if (Object.prototype.hasOwnProperty.call(cache, key)) return cache[key].exports;
      var module = { id: key, exports: {} };
      cache[key] = module;
      var slash = key.lastIndexOf('/');
      var moduleDir = slash < 0 ? '' : key.slice(0, slash);
      try {
        definitions[key].call(module.exports, module.exports, requireFrom(moduleDir), module, 'modules/' + key, 'modules/' + moduleDir);
      } catch (error) {
        delete cache[key];
        throw error;
      }
      return module.exports;
    };
    require.zelvorModules = true;
    return require;
  }
"""


def bundle_text(modules, compiled):
    parts = ["// Built by Zelvor Studio from the project's modules folder. Do not edit: it is made anew.",
             LOADER]
    for (_, relative, _), js in zip(modules, compiled):
        parts.append("  definitions[%s] = function (exports, require, module, __filename, __dirname) {\n%s\n  };"
                     % (json.dumps(relative), js))
    parts.append("  global.require = requireFrom('');")
    parts.append("  global.require.modules = Object.keys(definitions);")
    parts.append("})(typeof window !== 'undefined' ? window : this);")
    return "\n".join(parts) + "\n"


def write_atomically(path, text):
    folder = os.path.dirname(os.path.abspath(path))
    try:
        os.makedirs(folder, exist_ok=True)
        handle, temporary = tempfile.mkstemp(prefix="." + os.path.basename(path) + ".", dir=folder)
    except OSError as error:
        raise BuildError("The module bundle cannot be written to %s: %s" % (path, error.strerror or error))
    try:
        with os.fdopen(handle, "w", encoding="utf-8") as out:
            out.write(text)
        os.replace(temporary, path)
    except OSError as error:
        try:
            os.unlink(temporary)
        except OSError:
            pass
        raise BuildError("The module bundle cannot be written to %s: %s" % (path, error.strerror or error))


def build(folder, output):
    if not os.path.isdir(folder):
        raise BuildError("The modules folder does not exist: %s" % folder)
    modules = [(path, relative, read_module(path)) for path, relative in module_files(folder)]
    compiled = compile_modules(modules) if modules else []
    write_atomically(output, bundle_text(modules, compiled))
    return len(modules)


def main(argv):
    if len(argv) != 3:
        report({"type": "error", "message": "usage: make.py <modules folder> <output file>"})
        return 2
    try:
        count = build(argv[1], argv[2])
    except BuildError as error:
        report({"type": "error", "message": str(error)})
        return 1
    report({"type": "success", "modules": count, "output": argv[2]})
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
