#!/usr/bin/env python3
"""Runs two unv2tessal binaries on the same inputs and compares every byte.

    bench/compare_binaries.py OLD NEW [--samples DIR] [--build DIR]

For each input and each set of console answers, OLD and NEW run one after the
other in the same folder (reports name full paths), once with no output file
present and once over output files left by an earlier run. Compared: standard
output, standard error, exit status, and the name and content of every file
the run leaves. Inputs: examples/, tests/data, fuzz/seeds/run, the universal
files in DIR (default ../shared/samples, when present), generated meshes
(build/make_mesh) and failing inputs cut from one of them: a bad field in the
first, a middle and the last record of each dataset, bad fields and cuts at
and around every MiB of the file, the closing delimiter missing.
Prints one line per difference and a total; exits 1 when any differ.
"""
import argparse
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MAP = "Element_Renumbering_Map.dat"
OUTPUTS = ["OUT.XYZ", "OUT.CNC", "GRID.INP", MAP, "bench.xyz", "bench.cnc",
           "bench.inp"]
# Answers after the input file name: 3D and 2D, with and without the
# renumbering question.
GENERIC = [["", "3", "", ""], ["", "y", "3", "", ""], ["", "2", "", ""],
           ["", "n", "2", "", ""]]
MIB = 1 << 20


def digest(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(MIB), b""):
            h.update(block)
    return h.hexdigest()


def run_one(binary, rundir, source, answers, stale):
    for name in os.listdir(rundir):
        os.unlink(os.path.join(rundir, name))
    os.symlink(source, os.path.join(rundir, "in.unv"))
    if stale:
        for k, name in enumerate(OUTPUTS):
            with open(os.path.join(rundir, name), "wb") as f:
                f.write(b"o" * (1 if k % 3 == 0 else 5000))
    stdin = ("\n".join(["in.unv"] + answers) + "\n").encode()
    p = subprocess.run([binary], input=stdin, cwd=rundir,
                       capture_output=True, timeout=600)
    files = {name: digest(os.path.join(rundir, name))
             for name in sorted(os.listdir(rundir)) if name != "in.unv"}
    return p.returncode, p.stdout, p.stderr, files


FAILED_RUNS = [0]


def compare(old, new, rundir, label, source, answers):
    bad = 0
    for stale in (False, True):
        a = run_one(old, rundir, source, answers, stale)
        b = run_one(new, rundir, source, answers, stale)
        FAILED_RUNS[0] += a[0] != 0
        if a != b:
            what = [n for n, x, y in zip(("status", "stdout", "stderr",
                                          "files"), a, b) if x != y]
            print(f"DIFFERS {label} answers={answers} stale={stale}: "
                  f"{' '.join(what)}")
            bad += 1
    return bad


def mesh(build, folder, name, size, *flags):
    path = os.path.join(folder, name)
    subprocess.run([os.path.join(build, "make_mesh"), "--bytes", str(size),
                    "--out", path, "--answers", path + ".answers", *flags],
                   check=True, capture_output=True)
    with open(path + ".answers") as f:
        return path, f.read().split("\n")[1:-1]


def spoil(data, at):
    """The line holding byte `at` with its first digit made a letter."""
    start = data.rfind(b"\n", 0, at) + 1
    end = data.find(b"\n", at)
    end = len(data) if end < 0 else end
    for k in range(max(at, start), end):
        if data[k:k + 1].isdigit():
            return data[:k] + b"x" + data[k + 1:]
    for k in range(start, end):
        if data[k:k + 1].isdigit():
            return data[:k] + b"x" + data[k + 1:]
    return data


def failing_inputs(data):
    """(label, bytes) of failing inputs cut from a generated mesh."""
    lines = data.split(b"\n")
    offsets = [0]
    for line in lines:
        offsets.append(offsets[-1] + len(line) + 1)
    delims = [k for k, line in enumerate(lines) if line == b"    -1"]
    out = []
    # Each dataset body: between an opening delimiter + number line and its
    # closing delimiter.
    for k in range(0, len(delims) - 1):
        first, last = delims[k] + 2, delims[k + 1] - 1
        number = lines[delims[k] + 1].strip().decode(errors="replace")
        if last < first or number not in ("2411", "2412", "2435"):
            continue
        for where, line in (("first", first), ("second", first + 1),
                            ("middle", (first + last) // 2),
                            ("last", last), ("lastbutone", last - 1)):
            out.append((f"bad-{number}-{where}", spoil(data, offsets[line])))
        out.append((f"cut-{number}-before-close",
                    data[:offsets[last + 1]]))
        out.append((f"cut-{number}-mid", data[:offsets[(first + last) // 2]
                                              + 7]))
    for mib in range(1, len(data) // MIB + 1):
        for d in (-2, -1, 0, 1, 2):
            at = mib * MIB + d
            if 0 < at < len(data):
                out.append((f"bad-at-{mib}MiB{d:+d}", spoil(data, at)))
                out.append((f"cut-at-{mib}MiB{d:+d}", data[:at]))
    return out


def failing_files(work, data):
    """(label, path) of each of failing_inputs(data), written in turn to one
    file in `work`."""
    spoiled = os.path.join(work, "spoiled.unv")
    for label, content in failing_inputs(data):
        with open(spoiled, "wb") as f:
            f.write(content)
        yield label, spoiled


def universal_files(folders):
    """The universal files (*.unv) below each folder, in order; a folder
    that is absent is named and passed over."""
    paths = []
    for folder in folders:
        if not os.path.isdir(folder):
            print(f"absent, not compared: {folder}")
            continue
        for root, _, names in os.walk(folder):
            paths += [os.path.join(root, n) for n in sorted(names)
                      if n.endswith(".unv")]
    return paths


def arguments():
    """The arguments of a comparison: OLD, NEW, --samples and --build."""
    ap = argparse.ArgumentParser()
    ap.add_argument("old")
    ap.add_argument("new")
    ap.add_argument("--samples",
                    default=os.path.join(REPO, "..", "shared", "samples"))
    ap.add_argument("--build", default=os.path.join(REPO, "build"))
    return ap


def workplace(prefix):
    """A scratch folder and the folder inside it where the runs are made."""
    work = tempfile.mkdtemp(prefix=prefix)
    rundir = os.path.join(work, "run")
    os.mkdir(rundir)
    return work, rundir


def main():
    ap = arguments()
    ap.add_argument("--big", type=int, default=0,
                    help="also a generated mesh of this many bytes")
    args = ap.parse_args()
    old, new = os.path.abspath(args.old), os.path.abspath(args.new)
    work, rundir = workplace("unv2tessal-compare.")
    cases = bad = 0
    try:
        inputs = universal_files((os.path.join(REPO, "examples"),
                                  os.path.join(REPO, "tests", "data"),
                                  os.path.join(REPO, "fuzz", "seeds", "run"),
                                  args.samples))
        for path in inputs:
            for answers in GENERIC:
                cases += 1
                bad += compare(old, new, rundir, path, path, answers)
        meshes = [("brick", 3_000_000), ("tet", 2_000_000, "--tet"),
                  ("offsets", 2_000_000, "--first-node", "7",
                   "--first-element", "1000"),
                  ("crlf", 2_000_000, "--crlf")]
        if args.big:
            meshes.append(("big", args.big))
        for name, size, *flags in meshes:
            path, answers = mesh(args.build, work, name + ".unv", size, *flags)
            for a in [answers] + GENERIC:
                cases += 1
                bad += compare(old, new, rundir, name, path, a)
        path, answers = mesh(args.build, work, "small.unv", 100_000)
        for size_name, source in (("small", path),
                                  ("brick", os.path.join(work, "brick.unv")),
                                  ("crlf", os.path.join(work, "crlf.unv"))):
            with open(source, "rb") as f:
                data = f.read()
            for label, spoiled in failing_files(work, data):
                cases += 1
                bad += compare(old, new, rundir, f"{size_name}:{label}",
                               spoiled, answers)
    finally:
        shutil.rmtree(work)
    print(f"{cases} inputs with answers, each with and without old outputs "
          f"({FAILED_RUNS[0]} of the {2 * cases} runs end in a report): "
          f"{bad} differ")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
