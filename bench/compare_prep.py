#!/usr/bin/env python3
"""Runs two unvprep binaries on the same inputs and compares every byte.

    bench/compare_prep.py OLD NEW [--samples DIR] [--build DIR]

For each input, OLD and NEW run one after the other in the same folder, with
--answers and with --json, on every CPU and on CPU 0 alone (taskset -c 0),
once with no output present and once over an earlier output. Compared:
standard output, standard error, exit status, and the name and content of
every file the run leaves. Inputs: examples/, tests/data, fuzz/seeds/prep,
the universal files in DIR (default ../shared/samples), generated meshes
(build/make_mesh: node groups, element groups, tetrahedra, CR LF) and the
failing inputs that bench/compare_binaries.py cuts from them. Prints one
line per difference and a total; exits 1 when any differ.
"""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import compare_binaries as cb  # noqa: E402

REPO = cb.REPO
OPTIONS = [["--answers", "a.txt"], ["--json"]]
RUNS = [0]


def run_one(binary, rundir, source, options, stale, one_cpu):
    for name in os.listdir(rundir):
        os.unlink(os.path.join(rundir, name))
    os.symlink(source, os.path.join(rundir, "in.unv"))
    if stale:
        with open(os.path.join(rundir, "out.unv"), "wb") as f:
            f.write(b"earlier\n")
    command = [binary, "in.unv", "out.unv", *options]
    if one_cpu:
        command = ["taskset", "-c", "0", *command]
    p = subprocess.run(command, cwd=rundir, capture_output=True, timeout=600,
                       stdin=subprocess.DEVNULL)
    files = {name: cb.digest(os.path.join(rundir, name))
             for name in sorted(os.listdir(rundir)) if name != "in.unv"}
    return p.returncode, p.stdout, p.stderr, files


def compare(old, new, rundir, label, source):
    bad = 0
    for options in OPTIONS:
        for one_cpu in (False, True):
            for stale in (False, True):
                a = run_one(old, rundir, source, options, stale, one_cpu)
                b = run_one(new, rundir, source, options, stale, one_cpu)
                RUNS[0] += 1
                if a != b:
                    what = [n for n, x, y in zip(
                        ("status", "stdout", "stderr", "files"), a, b)
                        if x != y]
                    print(f"DIFFERS {label} {' '.join(options)}"
                          f"{' one CPU' if one_cpu else ''}"
                          f"{' stale' if stale else ''}: {' '.join(what)}")
                    bad += 1
    return bad


def main():
    args = cb.arguments().parse_args()
    old, new = os.path.abspath(args.old), os.path.abspath(args.new)
    work, rundir = cb.workplace("unvprep-compare.")
    inputs = bad = 0
    try:
        paths = cb.universal_files((os.path.join(REPO, "examples"),
                                    os.path.join(REPO, "tests", "data"),
                                    os.path.join(REPO, "fuzz", "seeds", "prep"),
                                    args.samples))
        for path in paths:
            inputs += 1
            bad += compare(old, new, rundir, path, path)
        meshes = [("nodegroups", 3_000_000),
                  ("elementgroups", 3_000_000, "--element-groups"),
                  ("tet", 2_000_000, "--tet", "--element-groups"),
                  ("crlf", 2_000_000, "--crlf", "--element-groups")]
        for name, size, *flags in meshes:
            path, _ = cb.mesh(args.build, work, name + ".unv", size, *flags)
            inputs += 1
            bad += compare(old, new, rundir, name, path)
        for name in ("elementgroups", "crlf"):
            with open(os.path.join(work, name + ".unv"), "rb") as f:
                data = f.read()
            for label, spoiled in cb.failing_files(work, data):
                inputs += 1
                bad += compare(old, new, rundir, f"{name}:{label}", spoiled)
    finally:
        shutil.rmtree(work)
    print(f"{inputs} inputs, {RUNS[0]} pairs of runs (--answers and --json, "
          f"every CPU and one, with and without an earlier output): "
          f"{bad} differ")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
