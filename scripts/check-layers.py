#!/usr/bin/env python3
"""Checks that the folders of src/ include one another only in the direction src/layers.txt
gives: derives the folder-level include graph from the sources, reports every include against
the direction (file, line, what it includes) and every cycle between folders, and exits 1 when
there is any. main/ is a composition root and may include everything."""

import os
import re
import sys
from collections import defaultdict

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
ROOTS = {"main"}


def read_layers(path):
    order, allowed = [], {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            name, _, deps = line.partition(":")
            name = name.strip()
            order.append(name)
            allowed[name] = set(deps.split())
    return order, allowed


def folder_of(relpath, folders):
    """The layer a path below src/ belongs to: the longest listed folder that holds it."""
    best = None
    for folder in folders:
        if relpath == folder or relpath.startswith(folder + "/"):
            if best is None or len(folder) > len(best):
                best = folder
    return best


def include_edges(src, folders):
    """(from folder, to folder, file, line number, included path) for every include of another
    folder's header."""
    edges = []
    for dirpath, _, names in os.walk(src):
        for name in sorted(names):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(dirpath, name)
            rel = os.path.relpath(path, src)
            here = folder_of(rel, folders | ROOTS)
            if here is None:
                edges.append((None, None, rel, 0, "file in no listed folder"))
                continue
            with open(path, encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    target = folder_of(m.group(1), folders | ROOTS)
                    if target is not None and target != here:
                        edges.append((here, target, rel, number, m.group(1)))
    return edges


def find_cycle(graph):
    """One cycle of the folder graph as a list of folders, or None."""
    state = {}

    def visit(node, path):
        state[node] = "open"
        path.append(node)
        for nxt in sorted(graph[node]):
            if state.get(nxt) == "open":
                return path[path.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt, path)
                if found:
                    return found
        path.pop()
        state[node] = "done"
        return None

    for node in sorted(graph):
        if node not in state:
            found = visit(node, [])
            if found:
                return found
    return None


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
    order, allowed = read_layers(os.path.join(src, "layers.txt"))
    folders = set(order)
    problems = []
    graph = defaultdict(set)
    for here, target, rel, number, included in include_edges(src, folders):
        if here is None:
            problems.append(f"src/{rel}: {included}")
            continue
        graph[here].add(target)
        if here in ROOTS:
            continue
        if target in ROOTS or target not in allowed[here]:
            problems.append(f"src/{rel}:{number}: {here} may not include {included}")
    cycle = find_cycle(graph)
    if cycle:
        problems.append("folders include one another in a circle: " + " -> ".join(cycle))
    for problem in problems:
        print(problem, file=sys.stderr)
    if problems:
        return 1
    print(f"{len(folders)} folders, includes follow the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main())
