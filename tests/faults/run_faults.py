#!/usr/bin/env python3
"""Writes each fault of faults.tsv into the source in turn, rebuilds, runs the suite and records
which tests fail: a fault no test catches marks a hole in the tests.

    tests/faults/run_faults.py [--source DIR] [--build DIR] [--only N,...] [--fast] [--check]
                               [--out FILE]

The build directory must be configured already (ccache makes the rebuilds cheap). Each source file
is put back byte for byte after its fault, also on an interrupt. --check only reports rows whose
original line no longer stands exactly once in the source. --fast first builds and runs only the
tests that need no window of the program (the folders of UNIT_FOLDERS), and builds and runs the
rest only when those catch nothing: it answers whether a fault is caught, not every test that
catches it.
"""

import argparse
import os
import re
import subprocess
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
UNIT_FOLDERS = ("platform", "filesystem", "widgets", "naming", "renaming", "selection")


def read_faults(path):
    faults = []
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        if not line.strip() or line.startswith("#"):
            continue
        fields = line.split("\t")
        if len(fields) != 3:
            sys.exit(f"{path}:{number}: expected file, original line and faulty line")
        faults.append(tuple(fields))
    return faults


def test_targets(build):
    """The executables the suite runs, without the slow install test and without the benchmarks."""
    listed = subprocess.run(["ctest", "-N", "-LE", "install"], cwd=build, capture_output=True,
                            text=True, check=True).stdout
    names = set(re.findall(r"Test\s+#\d+: (\S+)", listed))
    known = subprocess.run(["cmake", "--build", str(build), "--target", "help"],
                           capture_output=True, text=True, check=True).stdout
    # Some tests run a script rather than an executable of their own.
    targets = {name for name in names if re.search(r"\.\.\. " + name + r"$", known, re.M)}
    return sorted(targets | {"tarvelok", "window_probe"})


def unit_tests(source):
    names = set()
    for folder in UNIT_FOLDERS:
        text = (source / "tests" / folder / "CMakeLists.txt").read_text(encoding="utf-8")
        names |= set(re.findall(r"tarvelok_add_test\((\w+)", text))
    return sorted(names)


def failing_tests(build, only=None):
    selection = ["-R", "^(" + "|".join(only) + ")$"] if only else []
    run = subprocess.run(["ctest", "-j2", "-LE", "install", "--timeout", "25", *selection],
                         cwd=build,
                         capture_output=True, text=True,
                         env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    return sorted(set(re.findall(r"\d+ - (\S+) \((?:Failed|Timeout|SEGFAULT|Subprocess|Exception)",
                                 run.stdout)))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--source", type=Path, default=HERE.parent.parent)
    parser.add_argument("--build", type=Path, default=None)
    parser.add_argument("--faults", type=Path, default=HERE / "faults.tsv")
    parser.add_argument("--only", default="")
    parser.add_argument("--check", action="store_true")
    parser.add_argument("--fast", action="store_true")
    parser.add_argument("--out", type=Path, default=None)
    args = parser.parse_args()
    source = args.source.resolve()
    build = (args.build or source / "build").resolve()
    faults = read_faults(args.faults)
    only = {int(n) for n in args.only.split(",") if n}

    stale = []
    for number, (file, original, _) in enumerate(faults, 1):
        lines = (source / file).read_text(encoding="utf-8").split("\n")
        if lines.count(original) != 1:
            stale.append(number)
            print(f"F{number}: {file}: the original line stands {lines.count(original)} times")
    if args.check:
        return 1 if stale else 0

    os.environ.setdefault("CCACHE_BASEDIR", "/work")
    # A build that outlived an interrupted run may have compiled a fault after its file was put
    # back: every file with a fault is compiled afresh first.
    for file in {file for file, _, _ in faults}:
        os.utime(source / file)
    targets = test_targets(build)
    build_command = ["cmake", "--build", str(build), "-j2", "--target", *targets]
    if subprocess.run(build_command, capture_output=True).returncode != 0:
        sys.exit("the unchanged source does not build")
    if failing_tests(build):
        sys.exit("the unchanged source fails tests: " + " ".join(failing_tests(build)))

    rows = []
    for number, (file, original, faulty) in enumerate(faults, 1):
        if (only and number not in only) or number in stale:
            continue
        path = source / file
        kept = path.read_bytes()
        started = time.time()
        try:
            text = kept.decode("utf-8").split("\n")
            text[text.index(original)] = faulty
            path.write_bytes("\n".join(text).encode("utf-8"))
            caught = ""
            if args.fast:
                units = unit_tests(source)
                unit_build = ["cmake", "--build", str(build), "-j2", "--target", *units]
                if subprocess.run(unit_build, capture_output=True).returncode != 0:
                    caught = "(does not build)"
                else:
                    caught = " ".join(failing_tests(build, units))
            if not caught:
                if subprocess.run(build_command, capture_output=True).returncode != 0:
                    caught = "(does not build)"
                else:
                    caught = " ".join(failing_tests(build)) or "NOT CAUGHT"
        finally:
            path.write_bytes(kept)
        row = f"F{number}\t{file}\t{caught}"
        rows.append(row)
        print(row + f"\t({time.time() - started:.0f} s)", flush=True)
    # Leaves the build matching the source again.
    subprocess.run(build_command, capture_output=True)
    if args.out:
        args.out.write_text("\n".join(rows) + "\n", encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main())
