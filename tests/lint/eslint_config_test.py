#!/usr/bin/env python3
"""What eslint.config.js holds each JavaScript file to: each file as it stands, with one fault
planted, must give that fault, at its place, and no other finding. A file set given the wrong
globals, a shared name that hides an unused one, or a service worker template that no longer
parses would let such a fault through scripts/lint."""

import argparse
import json
import os
import sys

from harness.core import check, main, run_program

# (file, text appended at its end, the one finding expected: rule, name in its message)
APPENDED = [
    # A misspelt call in the page.
    ("app/web/page/page.js", "startViewr();", ("no-undef", "startViewr")),
    # Another file's shared name declared again: the browser would refuse the whole script.
    ("app/web/page/page.js", "function watchTouch() {}", ("no-redeclare", "watchTouch")),
    # Only the names the other scripts use may go unused in a page script.
    ("app/web/page/touch.js", "function strayHelper() {}", ("no-unused-vars", "strayHelper")),
    # The module loaded by import() does not see the classic scripts' globals.
    ("app/web/page/offline.js", "export const first = SEGMENT_FILES[0];",
     ("no-undef", "SEGMENT_FILES")),
    # A service worker has no document.
    ("app/web/page/sw.js", "document.title = RELEASE.cache;", ("no-undef", "document")),
    # Tiled's engine is no browser.
    ("tools/tiled/extension/dravik-segment.js", "window.alert(NOT_FOUND);",
     ("no-undef", "window")),
]


def findings(eslint, root, path, text):
    result = run_program([eslint, "--format", "json", "--stdin", "--stdin-filename", path],
                         cwd=root, input=text)
    check(result.returncode in (0, 1), f"{path}: eslint ended with {result.returncode}: "
          f"{result.stderr}")
    [report] = json.loads(result.stdout)
    return [(m.get("ruleId"), m["line"], m["column"], m["message"]) for m in report["messages"]]


def run(args):
    root = os.path.abspath(args.root)
    eslint = os.path.join(root, "node_modules", ".bin", "eslint")
    check(os.access(eslint, os.X_OK), "no ESLint: scripts/install-deps native installs it")
    for path, planted, (rule, name) in APPENDED:
        with open(os.path.join(root, path), encoding="utf-8") as file:
            text = file.read()
        line = text.count("\n") + 1
        found = findings(eslint, root, path, text + planted + "\n")
        check(len(found) == 1 and found[0][0] == rule and found[0][1] == line and
              f"'{name}'" in found[0][3],
              f"{path} + {planted!r}: {found}, not {rule} on line {line}")
    print(f"eslint.config.js: {len(APPENDED)} planted faults found")


def command():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True, help="the checkout, with node_modules")
    args = parser.parse_args()
    return main(lambda: run(args))


if __name__ == "__main__":
    sys.exit(command())
