#!/usr/bin/env python3
"""Fails when an include of src/ runs against the order of its folders.

Every source file names the headers of other folders by their path under src/
(#include "preview/RBZelvorViewController.h"). A folder may include its own headers, the
folders listed for it below, and nothing else. The lower libraries list their whole world;
the window-level folders list the window-level folders below them and may use every library.

Usage: check_layers.py SRC_DIR
Prints one line per forbidden include (file, line, include, and what the folder may include)
and exits 1 when there is one.
"""
import os
import re
import sys

# The libraries, bottom up: each includes only those below it.
LIBRARIES = {
    "platform": set(),
    "model": {"platform"},
    "analysis": {"model", "platform"},
    "compiler": {"analysis", "model", "platform"},
    "completion": {"compiler", "analysis", "model", "platform"},
}

# The window-level folders, each with the window-level folders it may include. The document
# window joins the preview and the editor; the preview and the editor never include each other,
# and nothing below the application reaches up to it.
WINDOW = {
    "messages": set(),
    "webview": {"messages"},
    "CodeTextView": {"messages"},
    "Mixpanel": {"messages"},
    # The completion popup draws over the code view and knows nothing of the editor.
    "autocomplete": {"CodeTextView", "messages"},
    "analytics": {"Mixpanel", "webview", "messages"},
    # The editor's completion bridge lives with the completion engine but belongs to the window.
    "completion/AutocompleteDelegate": {"editor", "CodeTextView", "webview", "analytics",
                                        "Mixpanel", "messages"},
    "preview": {"webview", "analytics", "Mixpanel", "messages"},
    "editor": {"completion/AutocompleteDelegate", "autocomplete", "CodeTextView", "webview", "analytics",
               "Mixpanel", "messages"},
    # The import sheet runs its exporters through the preview's process runner.
    "importers": {"preview", "webview", "messages"},
    "document": {"importers", "preview", "editor", "completion/AutocompleteDelegate", "autocomplete", "CodeTextView",
                 "webview", "analytics", "Mixpanel", "messages"},
}
WINDOW["document/window"] = WINDOW["document"] | {"document"}
WINDOW["welcome"] = WINDOW["document/window"] | {"document/window"}
# The application and main.cpp sit on top and may include everything.
TOP = {"app", ""}

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def folder_of(path):
    """The layer of a path under src/ ("preview/drop/X.h" -> "preview")."""
    parts = path.split("/")
    if len(parts) == 1:
        return ""
    if parts[0] == "document" and len(parts) > 2 and parts[1] == "window":
        return "document/window"
    if parts[0] == "completion" and parts[-1].startswith("AutocompleteDelegate."):
        return "completion/AutocompleteDelegate"
    return parts[0]


def allowed(folder):
    """What a folder may include, or None when it is not constrained."""
    if folder in LIBRARIES:
        return LIBRARIES[folder] | {folder}
    if folder in WINDOW:
        return WINDOW[folder] | set(LIBRARIES) | {folder}
    return None


def check(src):
    problems = []
    unknown = set()
    for root, dirs, files in os.walk(src):
        dirs.sort()
        for name in sorted(files):
            if not name.endswith((".h", ".cpp", ".hpp", ".cc")):
                continue
            path = os.path.relpath(os.path.join(root, name), src).replace(os.sep, "/")
            source = folder_of(path)
            permitted = allowed(source)
            if permitted is None:
                if source not in TOP:
                    unknown.add(source)
                continue
            with open(os.path.join(root, name), encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    match = INCLUDE.match(line)
                    if not match or "/" not in match.group(1):
                        continue
                    target = folder_of(match.group(1))
                    if target in permitted:
                        continue
                    # A window-level folder not yet placed in the table may be used by the
                    # window; a library never reaches beyond its list.
                    if source not in LIBRARIES and allowed(target) is None and target not in TOP:
                        continue
                    below = sorted(permitted - set(LIBRARIES) - {source})
                    if source in LIBRARIES:
                        below = sorted(permitted - {source})
                    problems.append(f'src/{path}:{number}: includes "{match.group(1)}", but '
                                    f'{source}/ may include only '
                                    f'{", ".join(below) or "nothing"}'
                                    f'{"" if source in LIBRARIES else " and the libraries"}')
    for folder in sorted(unknown):
        print(f"note: src/{folder}/ is not placed in the layer table of {sys.argv[0]}")
    return problems


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    problems = check(sys.argv[1])
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} include(s) against the layers")
        return 1
    print("layers: every include runs down")
    return 0


if __name__ == "__main__":
    sys.exit(main())
