#!/usr/bin/env python3
"""Holds src/ to the layers of docs/ARCHITECTURE.md.

The notes list the folders of src/ from the top layer to the bottom one (the block after the
line "```layers"). A folder may include headers of its own and of folders listed after it,
never of one listed before it; every folder of src/ must be listed, and none that is gone. Within
a folder, no two units (a header with its source file) may include each other, directly or round
a circle. Prints every fault and exits 1 when there is one.
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def read_layers(notes):
    text = open(notes, encoding="utf-8").read()
    block = re.search(r"^```layers\n(.*?)^```", text, re.S | re.M)
    if not block:
        sys.exit(f"{notes}: no ```layers block")
    order, layer_of = [], {}
    for number, line in enumerate(block.group(1).splitlines()):
        line = line.split("#", 1)[0]
        if ":" in line:
            line = line.split(":", 1)[1]
        for folder in line.split():
            order.append(folder)
            layer_of[folder] = number
    return order, layer_of


def sources(src):
    for folder in sorted(os.listdir(src)):
        path = os.path.join(src, folder)
        if not os.path.isdir(path):
            continue
        for dirpath, _, names in os.walk(path):
            for name in sorted(names):
                if name.endswith((".h", ".cpp")):
                    full = os.path.join(dirpath, name)
                    yield folder, os.path.relpath(full, src), open(full, encoding="utf-8").read()


def unit(path):
    return re.sub(r"\.(h|cpp)$", "", path)


def cycles(graph):
    """The strongly connected components of more than one node (Tarjan)."""
    index, low, stack, on, found, counter = {}, {}, [], set(), [], [0]

    def visit(node):
        index[node] = low[node] = counter[0]
        counter[0] += 1
        stack.append(node)
        on.add(node)
        for other in graph.get(node, ()):
            if other not in index:
                visit(other)
                low[node] = min(low[node], low[other])
            elif other in on:
                low[node] = min(low[node], index[other])
        if low[node] == index[node]:
            component = []
            while True:
                other = stack.pop()
                on.discard(other)
                component.append(other)
                if other == node:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    sys.setrecursionlimit(100000)
    for node in list(graph):
        if node not in index:
            visit(node)
    return found


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")
    src = os.path.join(root, "src")
    order, layer_of = read_layers(os.path.join(root, "docs", "ARCHITECTURE.md"))
    position = {folder: i for i, folder in enumerate(order)}
    faults = []

    folders = {f for f in os.listdir(src) if os.path.isdir(os.path.join(src, f))}
    for folder in sorted(folders - set(order)):
        faults.append(f"src/{folder}: a folder the layers do not list")
    for folder in order:
        if folder not in folders:
            faults.append(f"{folder}: listed in the layers but not in src/")

    units = {}
    files = list(sources(src))
    known = {path for _, path, _ in files}
    for folder, path, text in files:
        for included in INCLUDE.findall(text):
            target = included if included in known else os.path.normpath(
                os.path.join(os.path.dirname(path), included))
            if target not in known:
                continue  # a generated or outside header
            to = target.split(os.sep, 1)[0]
            if to == folder:
                if unit(target) != unit(path):
                    units.setdefault(unit(path), set()).add(unit(target))
            elif folder in position and to in position and position[to] < position[folder]:
                direction = "up" if layer_of[to] < layer_of[folder] else "against the order"
                faults.append(f"src/{path} includes {included}: {folder} -> {to} runs {direction}")
    for component in cycles(units):
        faults.append("units that include each other round a circle: " + ", ".join(component))

    for fault in faults:
        print(fault)
    if faults:
        return 1
    print(f"{len(files)} files in {len(order)} folders: every include runs down the layers, "
          "no unit circles")
    return 0


if __name__ == "__main__":
    sys.exit(main())
