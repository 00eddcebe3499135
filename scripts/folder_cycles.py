#!/usr/bin/env python3
"""Checks that no folder below src/ includes a folder that includes it back.

Prints the matrix of which folder includes which (with --matrix) and exits 1
when two folders include each other, directly or through others.
"""
import pathlib
import re
import sys

src = pathlib.Path(__file__).resolve().parent.parent / "src"
include = re.compile(r'^\s*#\s*include\s+"([^/"]+)/', re.MULTILINE)
folders = sorted(p.name for p in src.iterdir() if p.is_dir())
uses = {folder: set() for folder in folders}
for folder in folders:
    for path in (src / folder).rglob("*"):
        if path.suffix in (".h", ".cpp"):
            for target in include.findall(path.read_text(errors="replace")):
                if target in uses and target != folder:
                    uses[folder].add(target)


def reaches(start):
    seen, todo = set(), list(uses[start])
    while todo:
        folder = todo.pop()
        if folder not in seen:
            seen.add(folder)
            todo.extend(uses[folder])
    return seen


if "--matrix" in sys.argv:
    width = max(map(len, folders))
    print(" " * width, " ".join(f[:4].rjust(4) for f in folders))
    for row in folders:
        print(row.ljust(width), " ".join(("x" if col in uses[row] else ".").rjust(4)
                                         for col in folders))
cycles = sorted({tuple(sorted((a, b))) for a in folders for b in reaches(a) if b != a and a in reaches(b)})
for a, b in cycles:
    print(f"folder cycle: src/{a} and src/{b} include each other", file=sys.stderr)
sys.exit(1 if cycles else 0)
