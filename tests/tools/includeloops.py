#!/usr/bin/env python3
# Fails when the units of src/ (a .cpp with its .h) include each other in a
# loop, directly or through others; names each loop found.
import os
import re
import sys

root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..", "src")
root = os.path.normpath(root)
include = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def unit(path):
    return os.path.relpath(os.path.splitext(os.path.normpath(path))[0], root)


edges = {}
for folder, _, files in os.walk(root):
    for name in files:
        if not name.endswith((".cpp", ".h")):
            continue
        path = os.path.join(folder, name)
        with open(path, encoding="utf-8", errors="replace") as source:
            text = source.read()
        for target in include.findall(text):
            for candidate in (os.path.join(folder, target), os.path.join(root, target)):
                if os.path.exists(candidate):
                    if unit(candidate) != unit(path):
                        edges.setdefault(unit(path), set()).add(unit(candidate))
                    break

# Strongly connected components (Tarjan), without recursion.
index, low, on_stack, stack, loops = {}, {}, set(), [], []
counter = 0
for start in sorted(edges):
    if start in index:
        continue
    work = [(start, iter(sorted(edges.get(start, ()))))]
    index[start] = low[start] = counter
    counter += 1
    stack.append(start)
    on_stack.add(start)
    while work:
        node, children = work[-1]
        child = next(children, None)
        if child is not None:
            if child not in index:
                index[child] = low[child] = counter
                counter += 1
                stack.append(child)
                on_stack.add(child)
                work.append((child, iter(sorted(edges.get(child, ())))))
            elif child in on_stack:
                low[node] = min(low[node], index[child])
            continue
        work.pop()
        if work:
            low[work[-1][0]] = min(low[work[-1][0]], low[node])
        if low[node] == index[node]:
            component = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                component.append(member)
                if member == node:
                    break
            if len(component) > 1:
                loops.append(sorted(component))

for loop in loops:
    print("include loop: " + " -> ".join(loop))
print("%d units, %d include loops" % (len(set(edges) | {t for ts in edges.values() for t in ts}), len(loops)))
sys.exit(1 if loops else 0)
