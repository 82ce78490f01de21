#!/usr/bin/env python3
"""Compares where two game models put their vertices, exactly: each vertex's x, y and z plus its
hierarchy node's position, as decimal fractions (no float rounding), mesh by mesh and line by
line. Two models of one terrain in different layouts (meshes placed by their nodes, or written
where they lie with every node at zero) must put every vertex on the same place.

    scripts/compare-placed.py OLD.3do NEW.3do      exit 0 when every vertex lands the same
"""
import sys
from fractions import Fraction


def placed(path):
    """Each mesh's vertices as (x, y, z) fractions, its node's offset added."""
    meshes, nodes = [], []
    section, count, mesh = None, 0, None
    with open(path, "rb") as f:
        lines = f.read().decode("ascii").split("\r\n")
    for line in lines:
        words = line.split()
        if not words or line.startswith("#"):
            continue
        if words[0] == "MESH":
            mesh = []
            meshes.append(mesh)
        elif words[0] == "VERTICES":
            section, count = "vertices", int(words[1])
        elif words[0] == "HIERARCHY":
            section, count = "nodes", int(words[2])
        elif words[0].endswith(":") and count > 0 and section:
            if section == "vertices":
                mesh.append(tuple(Fraction(w) for w in words[1:4]))
            else:
                nodes.append((int(words[3]), tuple(Fraction(w) for w in words[8:11])))
            count -= 1
            if count == 0:
                section = None
        else:
            section = None
    for index, offset in nodes:
        if index >= 0:
            meshes[index] = [tuple(v + o for v, o in zip(vertex, offset)) for vertex in meshes[index]]
    return meshes


old, new = placed(sys.argv[1]), placed(sys.argv[2])
if old != new:
    for m, (a, b) in enumerate(zip(old, new)):
        if a != b:
            print(f"mesh {m}: the vertices land elsewhere")
            break
    else:
        print(f"{len(old)} meshes against {len(new)}")
    sys.exit(1)
