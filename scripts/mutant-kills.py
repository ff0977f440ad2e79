#!/usr/bin/env python3
"""Which native test cases catch each planted fault: the kill matrix behind a cut.

Plants the same faults as ../shared/tools/mutants.py (the same --sample and --seed
give the same mutants), one at a time in a private copy of the tree, and runs the
whole native suite on each, keeping the names of the cases that failed. A case that
is the only one to catch some fault cannot go without a row that catches it
instead; a set of cases can go only if every fault they catch is caught elsewhere:

    python3 scripts/mutant-kills.py --sample 300 --seed 4 --out build/kills.json
    python3 scripts/mutant-kills.py --report build/kills.json --without "power: force" "settings: read"

The second form plants nothing: it lists per case the faults only it catches, and
the faults that the named cases (by the start of their names) alone catch. With
--rows it goes one level down, to the table rows and checks that failed: which
of them together could go without losing a fault, and how many lines they hold.
--files FILE... takes every mutant of those product files instead of a sample,
and --not-in-sample leaves out the sample's own, for a check beyond it.
--part K/N takes every N-th of the chosen mutants from the K-th on, so that N
runs side by side, each in a copy of its own, plant all of them; --report then
reads their matrices together:

    python3 scripts/mutant-kills.py --part 1/2 --out build/kills-1.json &
    python3 scripts/mutant-kills.py --part 2/2 --out build/kills-2.json
    python3 scripts/mutant-kills.py --report build/kills-1.json build/kills-2.json --rows

--survived-in FILE... plants again only the faults those matrices left, to see
what rows added for them catch.
"""
import argparse
import collections
import importlib.util
import json
import os
import random
import re
import shutil
import subprocess
import tempfile

top = subprocess.run(["git", "rev-parse", "--show-toplevel"], capture_output=True, text=True).stdout.strip()
spec = importlib.util.spec_from_file_location("mutants", os.path.join(top, "..", "shared", "tools", "mutants.py"))
mutants = importlib.util.module_from_spec(spec)
spec.loader.exec_module(mutants)


def product_files(tree):
    listed = subprocess.run(["git", "ls-files", "--", "src"], cwd=tree, capture_output=True, text=True).stdout.split()
    return [f for f in listed if f.endswith((".cpp", ".h")) and not mutants.EXCLUDE.search(f)]


def case_names(tree):
    names = []
    for folder in ("tests/contract", "tests/native"):
        for name in sorted(os.listdir(os.path.join(tree, folder))):
            if name.endswith(".cpp"):
                text = open(os.path.join(tree, folder, name), encoding="utf-8").read()
                names += [m.group(1).encode().decode("unicode_escape")
                          for m in re.finditer(r'TEST_CASE\("((?:[^"\\]|\\.)*)"\)', text)]
    return names


def plant(args):
    # In the private copy the shared folder is not beside the tree: without this
    # the hive cases skip and the matrix silently loses what they catch.
    os.environ.setdefault("VORLANE_BCD_SAMPLES", os.path.join(os.path.dirname(top), "shared", "bcd-samples"))
    work = tempfile.mkdtemp(prefix="vorlane-kills-")
    for f in filter(None, subprocess.run(["git", "ls-files"], cwd=top, capture_output=True, text=True).stdout.split("\n")):
        os.makedirs(os.path.dirname(os.path.join(work, f)), exist_ok=True)
        if os.path.isfile(os.path.join(top, f)):
            shutil.copy2(os.path.join(top, f), os.path.join(work, f))
    build = ["cmake", "--build", "--preset", "native", "--target", "core_tests"]
    exe = os.path.join(work, "build", "native", "tests", "core_tests")

    def suite(case=None, timeout=60):
        try:
            done = subprocess.run([exe] + ([case] if case else []), cwd=work, capture_output=True, text=True,
                                  errors="replace", timeout=timeout)
            return done.returncode, done.stdout
        except subprocess.TimeoutExpired:
            return "timeout", ""

    if mutants.run(["cmake", "--preset", "native"], work, 600) != 0 or mutants.run(build, work, 1200) != 0:
        raise SystemExit("mutant-kills: the unchanged tree does not build")
    code, printed = suite()
    if code != 0:
        raise SystemExit("mutant-kills: the unchanged tree's native suite fails")
    if "skipped:" in printed:  # a case that skips catches nothing, and the matrix would not say why
        raise SystemExit("mutant-kills: cases skip in the copy:\n" + "\n".join(re.findall(r"^.*skipped:.*$", printed, re.M)))
    cases = case_names(work)
    files = product_files(top)
    originals = {f: open(os.path.join(top, f), encoding="latin-1").read() for f in files}
    every = [m for f in files for m in mutants.mutants_of(f, originals[f])]
    sample = set()
    if args.sample and args.sample < len(every):
        sample = set(random.Random(args.seed).sample(every, args.sample))
    if args.files:
        chosen = [m for m in every if m[0] in args.files and not (args.not_in_sample and m in sample)]
    else:
        chosen = sorted(sample, key=lambda m: (m[0], m[1])) if sample else every
    if args.survived_in:  # plant again only what a run left, after rows were added for it
        left = {(r["file"], r["line"], r["mutant"], r["text"]) for path in args.survived_in
                for r in json.load(open(path)) if r["outcome"] == "survived"}
        chosen = [m for m in chosen if (m[0], m[1] + 1, m[2], m[3].strip()) in left]
    part, parts = args.part
    chosen = chosen[part - 1::parts]  # neighbours share a file, so each part gets its share of the slow ones
    results = []
    for path, number, name, changed in chosen:
        lines = originals[path].split("\n")
        lines[number] = changed
        target = os.path.join(work, path)
        with open(target, "w", encoding="latin-1") as out:
            out.write("\n".join(lines))
        try:
            if mutants.run(build, work, 600) != 0:
                outcome, killers, fails = "broken", [], []
            else:
                code, printed = suite()
                outcome, killers = ("survived", []) if code == 0 else ("killed", re.findall(r"^FAILED: (.*)$", printed, re.M))
                fails = re.findall(r"^    FAIL (.*)$", printed, re.M)  # the checks, and so the rows, that caught it
                if code != 0 and not re.search(r"^\d+ passed, \d+ failed$", printed, re.M):
                    killers = [c for c in cases if suite(c, 20)[0] != 0]  # crashed or hung: case by case
        finally:
            with open(target, "w", encoding="latin-1") as out:
                out.write(originals[path])
            os.utime(target, None)
        results.append({"file": path, "line": number + 1, "mutant": name, "text": changed.strip(),
                        "outcome": outcome, "killers": killers, "fails": fails})
        print(outcome, f"{path}:{number + 1}", name, len(killers), flush=True)
        with open(args.out, "w") as out:
            json.dump(results, out, indent=0)
    shutil.rmtree(work, ignore_errors=True)
    return results


def report(results, without):
    killed = [r for r in results if r["outcome"] == "killed"]
    survived = sum(r["outcome"] == "survived" for r in results)
    print(f"{len(results)} tried, {len(killed)} killed, {survived} survived, "
          f"{len(results) - len(killed) - survived} did not compile")
    alone = collections.defaultdict(list)
    for r in killed:
        if len(r["killers"]) == 1:
            alone[r["killers"][0]].append(f"{r['file']}:{r['line']} {r['mutant']}")
    for case in sorted(case_names(top), key=lambda c: len(alone[c])):
        print(f"{len(alone[case]):3d} caught by it alone  {case}")
    if without:
        lost = [r for r in killed if all(any(k.startswith(w) for w in without) for k in r["killers"])]
        print(f"without those cases, {len(lost)} would survive:")
        for r in lost:
            print(f"  {r['file']}:{r['line']} {r['mutant']}")


def row_names(path):
    """A table row is known by its first text, the name its checks print."""
    return set(re.findall(r'^\s*\{\s*"((?:[^"\\]|\\.)*)"', open(path, encoding="utf-8").read(), re.M))


def unit_size(path, name, line):
    """Lines of a row (up to the next row, comment or end of table), or of a check's statement."""
    lines = open(path, encoding="utf-8").read().split("\n")
    if name:
        start = next((i for i, l in enumerate(lines) if re.match(r'\s*\{\s*"' + re.escape(name) + '"', l)), None)
        if start is None:
            return 1
        end = start + 1
        while end < len(lines) and not re.match(r"\s*(\{|\};|//)", lines[end]):
            end += 1
        return end - start
    end = line - 1
    while end < len(lines) - 1 and end < line + 5 and not lines[end].rstrip().endswith(";"):
        end += 1
    return end - line + 2


def rows_report(results):
    """Groups each fault's failed checks into units: a table row (all its checks) or a check outside
    any row. Then removes, one at a time and biggest first, every unit whose going loses no fault."""
    names = {}

    def unit(fail):
        site = re.sub(r"^.*?(tests/)", r"\1", fail.split(": ")[0])
        path, line = site.rsplit(":", 1)
        if path not in names:
            names[path] = row_names(os.path.join(top, path)) if os.path.isfile(os.path.join(top, path)) else set()
        found = max((n for n in names[path] if ") " + n in fail or '"' + n + '"' in fail or "row " + n in fail),
                    key=len, default="")
        return (path, found, 0 if found else int(line))

    caught = []
    for r in results:
        if r["outcome"] == "killed":
            units = {unit(f) for f in r.get("fails", [])}
            caught.append(units or {("case", k, 0) for k in r["killers"]})  # crashed: only the cases are known
    every = set().union(*caught) if caught else set()
    sizes = {u: unit_size(os.path.join(top, u[0]), u[1], u[2]) for u in every if u[0] != "case"}
    gone = set()
    for u in sorted(sizes, key=lambda u: (-sizes[u], u)):  # ties by name, so every run gives the same set
        if not any(units <= gone | {u} for units in caught):
            gone.add(u)
    print(f"{len(sizes)} rows and checks caught a fault; {len(gone)} of them ({sum(sizes[u] for u in gone)} lines) "
          "could go together without losing one:")
    for u in sorted(gone):
        print(f"  {sizes[u]:2d} {u[0]}: {u[1] or 'line ' + str(u[2])}")


def part_of(text):
    part, _, parts = text.partition("/")
    if not (part.isdigit() and parts.isdigit() and 1 <= int(part) <= int(parts)):
        raise argparse.ArgumentTypeError("K/N with 1 <= K <= N, such as 1/2")
    return int(part), int(parts)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--sample", type=int, default=0)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--files", nargs="*", default=[])
    parser.add_argument("--not-in-sample", action="store_true")
    parser.add_argument("--out", default=os.path.join(top, "build", "kills.json"))
    parser.add_argument("--survived-in", nargs="*", default=[], help="plant only the survivors of these matrices")
    parser.add_argument("--part", type=part_of, default=(1, 1), help="K/N: plant only this part of the mutants")
    parser.add_argument("--report", nargs="*", default=[], help="read these matrices instead of planting")
    parser.add_argument("--without", nargs="*", default=[])
    parser.add_argument("--rows", action="store_true", help="also list the rows and checks that could go")
    args = parser.parse_args()
    if args.report:
        results = [r for path in args.report for r in json.load(open(path))]
    else:
        os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
        results = plant(args)
    report(results, args.without)
    if args.rows:
        rows_report(results)


if __name__ == "__main__":
    main()
