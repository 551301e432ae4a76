#!/usr/bin/env python3
"""Rewrites a plane second-order mesh written by gmsh as Salome writes one.

    to_salome.py GMSH.unv SALOME.unv

Changes, record by record, nothing else:
- node record 1: the three fields after the label become "0 0 0", and the
  coordinates take E exponents instead of D;
- element descriptors: FE 92 (thin shell parabolic triangle) becomes 42
  (plane stress parabolic triangle) and 95 becomes 45; every element's
  descriptor fields become "2 1 7" (property 2, material 1, colour 7);
  the node records are kept as they are;
- the group dataset 2477 becomes 2467 (same record layout), and a group
  "Empty_1" with no entity is added at its end, followed by an empty record
  as Salome writes one after a group with no entity.
"""
import sys

FE = {92: 42, 95: 45}
BEAMS = {11, 21, 22, 23, 24, 31, 32}


def ints(line):
    return [int(line[k:k + 10]) for k in range(0, len(line.rstrip()), 10)]


def fields(values):
    return "".join("%10d" % v for v in values)


def main(source, target):
    with open(source) as f:
        lines = f.read().split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    out = []
    dataset = None
    at_number = False
    k = 0
    while k < len(lines):
        line = lines[k]
        k += 1
        if line[:7].ljust(7) == "    -1 ":
            if dataset == "2477":
                out.append(fields([0, 0, 0, 0, 0, 0, 0, 0]))
                out.append("Empty_1")
                out.append("")
            out.append(line)
            at_number = dataset is None
            if not at_number:
                dataset = None
            continue
        if at_number:
            dataset = line.strip()
            at_number = False
            out.append("  2467" if dataset == "2477" else line)
            continue
        if dataset == "2411":
            label = ints(line)[0]
            out.append(fields([label, 0, 0, 0]))
            out.append(lines[k].replace("D", "E"))
            k += 1
        elif dataset == "2412":
            label, fe, _, _, _, count = ints(line)
            fe = FE.get(fe, fe)
            out.append(fields([label, fe, 2, 1, 7, count]))
            records = (1 if fe in BEAMS else 0) + (count + 7) // 8
            out.extend(lines[k:k + records])
            k += records
        else:
            out.append(line)
    with open(target, "w") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
