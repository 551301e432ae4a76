#!/usr/bin/python3
"""Reads tessal2vtk's grids back with VTK's own XML reader.

  vtk_readback.py BUILD_DIR SCRATCH_DIR MESH.unv:DIM [MESH.unv:DIM ...]
  vtk_readback.py BUILD_DIR SCRATCH_DIR --samples SAMPLES_DIR [--unvprep PROGRAM]

Each mesh is converted by BUILD_DIR/unv2tessal (grid dimension DIM, default
file names, renumbering accepted), then written as a .vtu by
BUILD_DIR/tessal2vtk, then read by vtkXMLUnstructuredGridReader and checked
against the three text files, which this script reads on its own: point and
cell counts, cell types and shape codes, element and vertex numbers, every
region array, each cell's point coordinates, and in a 3D grid the sign of
every cell's volume. A mesh without a group dataset gets no grid command file
from the converter; the script writes its header (grid, counts, file
records) so that the grid can still be viewed, without regions.

With --unvprep, every sample goes through unvprep first (its output mesh and
its answers for the converter, the grid dimension of its choice); without
it, only the samples the converter takes as they are (SAMPLES) are viewed.

Exit status: 0 passed, 1 failed, 77 skipped (no VTK for Python, or no
samples folder).
"""
import os
import subprocess
import sys

SKIP = 77
VTK_TYPES = {1: 5, 2: 9, 3: 10, 5: 13, 6: 12}  # shape code -> VTK cell type
WEDGE = [0, 2, 1, 3, 5, 4]  # VTK point k is vertex WEDGE[k] of the line

# Samples the converter takes as they are, with their grid dimension and the
# sign their 3D cells have in VTK. crlf_tet_2452's exporter lists the
# tetrahedra the other way round from the I-DEAS and gmsh files: all its
# cells come out with a negative volume.
SAMPLES = [
    ("ideas7_ssls130b_shell_2435", 2, +1),
    ("ideas7_szlz110a_brick_2435", 3, +1),
    ("ideas5_sdlv122a_wedge_2430", 3, +1),
    ("gmsh_offsets_wedge_brick", 3, +1),
    ("femap_block_node5", 3, +1),
    ("crlf_tet_2452", 3, -1),
    ("salome_threezones_2467", 3, +1),
    ("ideas7_szlz110a_brick_2435", 2, +1),
    ("simcenter_beam_shell_gaps", 2, +1),
]


# Through unvprep: every sample, its cells with a positive volume in VTK
# except those of crlf_tet_2452 (see SAMPLES).
NEGATIVE = {"crlf_tet_2452"}


class Failed(Exception):
    pass


def check(cond, what):
    if not cond:
        raise Failed(what)


def lines_of(path):
    with open(path, "rb") as f:
        return [l.decode("ascii").rstrip("\r\n") for l in f.read().splitlines()]


def read_xyz(path):
    numbers, coords = [], []
    for l in lines_of(path):
        numbers.append(int(l[0:8]))
        coords.append(tuple(float(l[8 + 18 * k:26 + 18 * k]) for k in range(3)))
    return numbers, coords


def read_cnc(path):
    elements = []
    for l in lines_of(path):
        count = int(l[15])
        vertices = [int(l[18 + 10 * k:28 + 10 * k]) for k in range(count)]
        elements.append((int(l[0:10]), int(l[12]), vertices))
    return elements


def read_inp(path):
    lines = lines_of(path)
    header = {"is2D": lines[0].startswith("GRID UNSTructured"),
              "elements": int(lines[0][-8:]), "vertices": int(lines[1][18:26])}
    regions = []
    for l in lines[4:]:
        if l.startswith("LOCATE VERTEX ID="):
            regions.append((l[17:25], int(l[45:55]), []))
        elif not l.startswith("!"):
            regions[-1][2].extend(int(l[k:k + 11]) for k in range(0, len(l), 11))
    return header, regions


def run(cmd, cwd, stdin=None):
    return subprocess.run(cmd, cwd=cwd, input=stdin, capture_output=True,
                          text=True)


def convert(build, work, mesh, dim):
    # Replies: the mesh; default vertex file; an empty line, which accepts
    # renumbering or, when that is not asked, is refused by the dimension
    # question; the dimension; default connectivity and grid command files.
    answers = "%s\n\n\n%d\n\n\n" % (mesh, dim)
    r = run([os.path.join(build, "unv2tessal")], work, answers)
    check(r.returncode == 0, "unv2tessal ended with %d: %s" % (r.returncode, r.stderr))
    write_header_if_missing(
        work, {"inp": "GRID.INP", "xyz": "OUT.XYZ", "cnc": "OUT.CNC"}, dim)


def prepare(build, unvprep, work, mesh):
    r = run([unvprep, "--prefix", "grid", "--answers", "answers.txt", mesh,
             "prepped.unv"], work)
    check(r.returncode in (0, 1), "unvprep ended with %d: %s" % (r.returncode, r.stderr))
    with open(os.path.join(work, "answers.txt")) as f:
        answers = f.read()
    r = run([os.path.join(build, "unv2tessal")], work, answers)
    check(r.returncode == 0, "unv2tessal ended with %d: %s" % (r.returncode, r.stderr))
    dim = int([l for l in answers.splitlines() if l in ("2", "3")][0])
    files = {"inp": "grid.inp", "xyz": "grid.xyz", "cnc": "grid.cnc"}
    write_header_if_missing(work, files, dim)
    return dim, files


def write_header_if_missing(work, files, dim):
    inp = os.path.join(work, files["inp"])
    if os.path.exists(inp):
        return
    elements = len(lines_of(os.path.join(work, files["cnc"])))
    with open(inp, "w", newline="") as f:
        if dim == 3:
            f.write("GRID THREeD  UNSTructured; # of ELEMents%8d\r\n" % elements)
        else:
            f.write("GRID UNSTructured; # of ELEMents %8d\r\n" % elements)
        f.write("! # of vertices = %8d\r\n" % len(lines_of(os.path.join(work, files["xyz"]))))
        f.write("CONNectivity HYBRid in file <cncFileName>\r\n")
        f.write("COOR X Y Z VERTices in file <xyzFileName>\r\n")


def view_and_check(vtk, build, work, sign, files=None):
    files = files or {"inp": "GRID.INP", "xyz": "OUT.XYZ", "cnc": "OUT.CNC"}
    names = [files["inp"], files["xyz"], files["cnc"]]
    r = run([os.path.join(build, "tessal2vtk")] + names + ["grid.vtu"], work)
    numbers, coords = read_xyz(os.path.join(work, files["xyz"]))
    elements = read_cnc(os.path.join(work, files["cnc"]))
    header, regions = read_inp(os.path.join(work, files["inp"]))
    index = {}
    for i, n in enumerate(numbers):
        index.setdefault(n, i)
    missing = sum(1 for _, _, vs in regions for v in vs if v not in index)
    missing += sum(1 for _, _, vs in elements for v in vs if v not in index)
    ids = [(rid.rstrip() or "(blank)") for rid, _, _ in regions]
    findings = (missing or len(index) != len(numbers) or
                len(set(ids)) != len(ids) or
                any(count != len(vs) for _, count, vs in regions) or
                header["elements"] != len(elements) or
                header["vertices"] != len(numbers))
    check(r.returncode == (1 if findings else 0),
          "tessal2vtk ended with %d: %s" % (r.returncode, r.stderr))
    check(findings or r.stderr == "", "findings in a clean grid: " + r.stderr)

    reader = vtk.vtkXMLUnstructuredGridReader()
    reader.SetFileName(os.path.join(work, "grid.vtu"))
    reader.Update()
    check(reader.GetErrorCode() == 0, "VTK could not read the grid")
    grid = reader.GetOutput()
    drawn = [e for e in elements if all(v in index for v in e[2])]
    check(grid.GetNumberOfPoints() == len(numbers),
          "%d points, the vertex file holds %d" % (grid.GetNumberOfPoints(), len(numbers)))
    check(grid.GetNumberOfCells() == len(drawn),
          "%d cells, the connectivity file draws %d" % (grid.GetNumberOfCells(), len(drawn)))
    pd, cd = grid.GetPointData(), grid.GetCellData()
    vn = pd.GetArray("vertex number")
    check(all(vn.GetValue(i) == n for i, n in enumerate(numbers)), "vertex numbers differ")
    en, sc = cd.GetArray("element number"), cd.GetArray("shape code")
    for c, (number, code, vertices) in enumerate(drawn):
        check(grid.GetCellType(c) == VTK_TYPES[code], "cell %d has VTK type %d" % (c, grid.GetCellType(c)))
        check(en.GetValue(c) == number and sc.GetValue(c) == code, "cell %d data differ" % c)
        ids = grid.GetCell(c).GetPointIds()
        order = WEDGE if code == 5 else range(len(vertices))
        for k, j in enumerate(order):
            check(grid.GetPoint(ids.GetId(k)) == coords[index[vertices[j]]],
                  "cell %d point %d: %s, the vertex file says %s" % (
                      c, k, grid.GetPoint(ids.GetId(k)), coords[index[vertices[j]]]))
    seen = {}
    for rid, _, vertices in regions:
        name = rid.rstrip() or "(blank)"
        seen[name] = seen.get(name, 0) + 1
        if seen[name] > 1:
            name += "#%d" % seen[name]
        a = pd.GetArray(name)
        check(a is not None, "no array for region %r" % rid)
        want = {index[v] for v in vertices if v in index}
        got = {i for i in range(a.GetNumberOfTuples()) if a.GetValue(i) == 1}
        check(got == want, "region %r: points %s, the grid command file lists %s" % (
            rid, sorted(got)[:10], sorted(want)[:10]))
    check(pd.GetNumberOfArrays() == 1 + len(regions), "point arrays: %d" % pd.GetNumberOfArrays())
    if not header["is2D"] and grid.GetNumberOfCells() > 0:
        sizes = vtk.vtkCellSizeFilter()
        sizes.SetInputData(grid)
        sizes.Update()
        volume = sizes.GetOutput().GetCellData().GetArray("Volume")
        wrong = [c for c in range(grid.GetNumberOfCells()) if volume.GetValue(c) * sign <= 0]
        check(not wrong, "%d cells with a volume of the wrong sign, the first %s" % (
            len(wrong), wrong[:5]))
    return "%d points, %d cells, regions %s" % (
        grid.GetNumberOfPoints(), grid.GetNumberOfCells(),
        ", ".join("%s(%d)" % (r[0].rstrip(), len(r[2])) for r in regions) or "none")


def main(argv):
    try:
        import vtk
    except ImportError:
        print("SKIPPED: VTK for /usr/bin/python3 is missing (apt-get install python3-vtk9)")
        return SKIP
    build, scratch = os.path.abspath(argv[1]), os.path.abspath(argv[2])
    cases = []
    unvprep = None
    if argv[3] == "--samples":
        samples = os.path.abspath(argv[4])
        if not os.path.isdir(samples):
            print("SKIPPED: the samples folder ../shared/samples is absent")
            return SKIP
        if len(argv) > 6 and argv[5] == "--unvprep":
            unvprep = argv[6]
            cases = [(os.path.join(samples, f), 0, -1 if f[:-4] in NEGATIVE else +1)
                     for f in sorted(os.listdir(samples)) if f.endswith(".unv")]
        else:
            cases = [(os.path.join(samples, s + ".unv"), d, sign) for s, d, sign in SAMPLES]
    else:
        for arg in argv[3:]:
            mesh, dim = arg.rsplit(":", 1)
            cases.append((os.path.abspath(mesh), int(dim), +1))
    failed = 0
    for n, (mesh, dim, sign) in enumerate(cases):
        work = os.path.join(scratch, "%d_%s_%dd" % (n, os.path.basename(mesh)[:-4], dim))
        subprocess.run(["rm", "-rf", work])
        os.makedirs(work)
        try:
            if unvprep:
                dim, files = prepare(build, unvprep, work, mesh)
                result = view_and_check(vtk, build, work, sign, files)
            else:
                convert(build, work, mesh, dim)
                result = view_and_check(vtk, build, work, sign)
            print("ok   %s %dD: %s" % (os.path.basename(mesh), dim, result))
        except Failed as e:
            print("FAIL %s %dD: %s" % (os.path.basename(mesh), dim, e))
            failed += 1
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
