#!/usr/bin/env python3
"""Fails on an include circle between units (a unit: X.h with X.cpp beside it) of the folders given,
and on a folder that includes a header of a folder above it in the layers.

Usage: check-include-circles.py ROOT [--allow A:B ...] [--layers base:toolkit,common:...]
Layers: groups separated by ':' from the bottom up, folders of a group separated by ','; a folder may
include headers of its own and of the groups below its own only."""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"(?:[^"]*/)?([^"/]+)\.h"', re.M)


def main(argv):
    root = argv[1]
    allowed, layers = set(), []
    args = argv[2:]
    while args:
        flag, value = args[0], args[1]
        args = args[2:]
        if flag == '--allow':
            a, b = value.split(':')
            allowed.add(frozenset((a, b)))
        elif flag == '--layers':
            layers = [group.split(',') for group in value.split(':')]
    folders = [f for group in layers for f in group] or sorted(
        d for d in os.listdir(root) if os.path.isdir(os.path.join(root, d)))

    units, headers, texts = {}, {}, {}
    for folder in folders:
        path = os.path.join(root, folder)
        if not os.path.isdir(path):
            continue
        # A folder's subfolders are part of it: the layer is the top folder.
        for where, _, names in sorted(os.walk(path)):
            for name in sorted(names):
                base, ext = os.path.splitext(name)
                if ext in ('.h', '.cpp'):
                    with open(os.path.join(where, name), encoding='utf-8') as f:
                        texts[(folder, os.path.relpath(os.path.join(where, name), path))] = f.read()
                    if ext == '.h':
                        headers[base] = folder
                if ext == '.h' and os.path.exists(os.path.join(where, base + '.cpp')):
                    units[base] = folder

    failures = []
    level = {f: i for i, group in enumerate(layers) for f in group}
    edges = {u: set() for u in units}
    for (folder, name), text in texts.items():
        unit = os.path.splitext(name)[0]
        for included in INCLUDE.findall(text):
            target = headers.get(included)
            if target is None:
                continue
            if layers and level[target] > level[folder]:
                failures.append(f'{folder}/{name} includes {target}/{included}.h from a layer above it')
            if layers and level[target] == level[folder] and target != folder:
                failures.append(f'{folder}/{name} includes {target}/{included}.h from a folder beside it')
            if unit in units and included in units and included != unit:
                edges[unit].add(included)

    # Strongly connected components (Tarjan); every component of more than one unit is a circle.
    index, low, stack, on_stack, components, counter = {}, {}, [], set(), [], [0]

    def visit(u):
        index[u] = low[u] = counter[0]
        counter[0] += 1
        stack.append(u)
        on_stack.add(u)
        for v in sorted(edges[u]):
            if v not in index:
                visit(v)
                low[u] = min(low[u], low[v])
            elif v in on_stack:
                low[u] = min(low[u], index[v])
        if low[u] == index[u]:
            component = []
            while True:
                v = stack.pop()
                on_stack.discard(v)
                component.append(v)
                if v == u:
                    break
            components.append(sorted(component))

    sys.setrecursionlimit(10000)
    for u in sorted(edges):
        if u not in index:
            visit(u)
    for component in components:
        if len(component) > 1 and frozenset(component) not in allowed:
            failures.append('include circle between units: ' + ' <-> '.join(component))

    for failure in failures:
        print(failure)
    if failures:
        return 1
    print(f'{len(units)} units in {len(folders)} folders: no include circle, every include points down')
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
