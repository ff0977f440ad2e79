#!/usr/bin/env python3
"""Which product lines each native test case runs, and which it alone runs.

Builds the native suite with gcc's coverage (no sanitizers) in build/coverage,
runs each case alone, and prints per case the lines of src/ it runs that no
other case runs, with their files. A case that runs no line of its own can be
removed only where the planted faults show that the others catch all it does;
one whose lines lie in one file is the cheap kind to measure.

    python3 scripts/case-coverage.py
"""
import collections
import glob
import importlib.util
import json
import os
import subprocess

top = subprocess.run(["git", "rev-parse", "--show-toplevel"], capture_output=True, text=True).stdout.strip()
build = os.path.join(top, "build", "coverage")
subprocess.run(["cmake", "-S", top, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Debug", "-DCMAKE_CXX_COMPILER=g++",
                "-DCMAKE_CXX_FLAGS=--coverage -O0", "-DCMAKE_EXE_LINKER_FLAGS=--coverage"], check=True,
               stdout=subprocess.DEVNULL)
subprocess.run(["cmake", "--build", build, "--target", "core_tests"], check=True, stdout=subprocess.DEVNULL)

# The case names as the kill matrix reads them.
kills_spec = importlib.util.spec_from_file_location("kills", os.path.join(top, "scripts", "mutant-kills.py"))
kills = importlib.util.module_from_spec(kills_spec)
kills_spec.loader.exec_module(kills)
cases = kills.case_names(top)

notes = glob.glob(os.path.join(build, "CMakeFiles", "vorlane_core.dir", "**", "*.gcno"), recursive=True)
runs = {}
for case in cases:
    for data in glob.glob(os.path.join(build, "**", "*.gcda"), recursive=True):
        os.remove(data)
    subprocess.run([os.path.join(build, "tests", "core_tests"), case], stdout=subprocess.DEVNULL)
    lines = set()
    for note in notes:
        if not os.path.exists(note[:-5] + ".gcda"):
            continue
        out = subprocess.run(["gcov", "--json-format", "--stdout", note[:-5] + ".gcda"], capture_output=True,
                             cwd=os.path.dirname(note)).stdout.decode()
        for record in filter(str.strip, out.splitlines()):
            for f in json.loads(record)["files"]:
                if "/src/" in f["file"]:
                    name = f["file"][f["file"].index("src/"):]
                    lines |= {f"{name}:{l['line_number']}" for l in f["lines"] if l["count"] > 0}
    runs[case] = lines

counts = collections.Counter(line for lines in runs.values() for line in lines)
for case, lines in sorted(runs.items(), key=lambda item: sum(counts[l] == 1 for l in item[1])):
    own = [l for l in lines if counts[l] == 1]
    files = collections.Counter(l.rsplit(":", 1)[0] for l in lines)
    print(f"{len(own):4d} own of {len(lines):4d} run, in {len(files):2d} files  {case}")
