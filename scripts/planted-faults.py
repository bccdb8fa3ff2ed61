#!/usr/bin/env python3
"""Planted faults: how many small, deliberate mistakes in the logic layers the tests catch.

Each mutant is one line of one source file with one small change: a flipped comparison
(< to <=, == to !=, ...), an off-by-one (a "+ 1" or "- 1" dropped), a swapped boolean (true and
false, && and ||) or a dropped negation. The run mode plants them one at a time, rebuilds the
test executables and tools that link the mutated library, runs their CTest tests and restores
the file. A mutant is
  caught     when at least one test fails (or times out),
  survived   when every test passes: a place where a test is missing,
  invalid    when the build fails (the mutant is not a program; it counts nowhere),
  gone       when its original line is no longer in the file, nor in exactly one other file of
             the same layer that it may have moved to (it counts nowhere).
The score is "caught X of Y" with Y = caught + survived, so a trimmed suite is compared with the
full one over the same mutants.

The tests that see a library are those whose CTest command runs an executable linking it
(directly or through other libraries), found in `cmake --graphviz`: unit, app, end-to-end and tool
tests alike, including the window-system runs. They run with
`ctest --stop-on-failure -j2 --timeout 120`. The libFuzzer target needs its own clang build and is
not run; the JSON tests replay its corpus and regressions.

Mutants are found by the text of their line (stripped of surrounding blanks), not by its number,
so they survive code moving around. If that text appears more than once in the file, the first
occurrence is mutated.

The list (scripts/planted-faults.txt) is fixed in the repo so that runs before and after a change
to the tests use the same mutants. It was made with
    scripts/planted-faults.py --generate --seed 13 --count 30
which draws candidate lines uniformly (one mutant per line, the change drawn among those the line
allows) from the .cpp files of src/foundation, src/json, src/fetcher, src/fernwick (the client
only, not ui/ or webview/), src/motion, src/display (not gles/, the GL drawing) and src/reachability,
leaving out comments, preprocessor lines, assertions, log calls and operators inside string
literals. Replacement rule: a drawn mutant that does not build, or that cannot change behaviour
(an equivalent mutant), stays in the list marked "rejected: REASON" and the generator, run again
with the same seed, skips it and takes the next candidate in the seeded order; rejected mutants
are never run.

Usage:
    scripts/planted-faults.py --build-dir build [--list scripts/planted-faults.txt]
        [--only N[,N...]] [--exclude-tests REGEX]
    (N counts the entries that are not rejected, as the run prints them)
    scripts/planted-faults.py --generate --seed 13 --count 30 [--list FILE]

The run leaves the source tree as it was: every planted file is restored in a finally clause,
also on Ctrl-C. Restored files are newer than their objects, so the next build recompiles them.
"""

import argparse
import json
import os
import random
import re
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
DEFAULT_LIST = ROOT / "scripts" / "planted-faults.txt"

# Source folder -> the CMake library built from it, and folders below it that are left out.
LAYERS = {
    "src/foundation": ("foundation", []),
    "src/json": ("json", []),
    "src/fetcher": ("fetcher", []),
    "src/fernwick": ("fernwick", ["ui", "webview"]),
    "src/motion": ("motion", []),
    "src/display": ("display", ["gles"]),
    "src/reachability": ("reachability", []),
}

# (name, pattern, replacement). Binary operators are matched with the blanks clang-format puts
# around them, which keeps template brackets, shifts and arrows out.
OPERATORS = [
    ("lt->le", r" < ", " <= "),
    ("le->lt", r" <= ", " < "),
    ("gt->ge", r" > ", " >= "),
    ("ge->gt", r" >= ", " > "),
    ("eq->ne", r" == ", " != "),
    ("ne->eq", r" != ", " == "),
    ("and->or", r" && ", " || "),
    ("or->and", r" \|\| ", " && "),
    ("true->false", r"\btrue\b", "false"),
    ("false->true", r"\bfalse\b", "true"),
    ("drop+1", r" \+ 1\b(?!\.)", ""),
    ("drop-1", r" - 1\b(?!\.)", ""),
    ("drop-not", r"!(?=[A-Za-z_(])", ""),
]

SKIP_LINE = re.compile(
    r"^(//|/\*|\*|#)|\b(assert|Q_ASSERT|Q_ASSERT_X|static_assert|qDebug|qWarning|qInfo|"
    r"qCritical|logDebug|logInfo|logWarning|logError)\b|^(case .*:|default:)$"
)


def in_string(text, pos):
    """True when pos lies inside a string or character literal of the line."""
    quote = None
    i = 0
    while i < pos:
        c = text[i]
        if quote:
            if c == "\\":
                i += 1
            elif c == quote:
                quote = None
        elif c in "\"'":
            quote = c
        i += 1
    return quote is not None


def line_mutations(stripped):
    """Every (operator, mutated text) a stripped line allows, one change each."""
    out = []
    if not stripped or SKIP_LINE.search(stripped):
        return out
    code = stripped.split("//", 1)[0] if "//" in stripped and '"' not in stripped else stripped
    for name, pattern, repl in OPERATORS:
        for m in re.finditer(pattern, code):
            if in_string(stripped, m.start()):
                continue
            out.append((name, stripped[: m.start()] + repl + stripped[m.end():]))
    return out


def candidate_files():
    for folder, (_, left_out) in LAYERS.items():
        base = ROOT / folder
        for path in sorted(base.rglob("*.cpp")):
            rel = path.relative_to(base)
            if rel.parts[0] in left_out:
                continue
            yield path.relative_to(ROOT).as_posix()


def library_of(path):
    for folder, (library, _) in LAYERS.items():
        if path.startswith(folder + "/"):
            return library
    raise SystemExit(f"planted-faults: {path} is not in a logic layer")


# ---- the list file ---------------------------------------------------------------------------


def read_list(path):
    """Blocks of "file:", "from:", "to:" and optionally "op:" and "rejected:" lines."""
    mutants, current = [], {}
    for raw in Path(path).read_text().splitlines():
        line = raw.rstrip("\n")
        if line.startswith("#"):
            continue
        if not line.strip():
            if current:
                mutants.append(current)
                current = {}
            continue
        key, _, value = line.partition(":")
        current[key.strip()] = value[1:] if value.startswith(" ") else value
    if current:
        mutants.append(current)
    for m in mutants:
        if not {"file", "from", "to"} <= m.keys():
            raise SystemExit(f"planted-faults: incomplete entry in {path}: {m}")
    return mutants


def write_list(path, seed, mutants):
    lines = [
        "# Planted faults, one block each: the file, the original line (stripped), the mutated line.",
        f"# Drawn by scripts/planted-faults.py --generate --seed {seed} --count "
        f"{sum(1 for m in mutants if 'rejected' not in m)}; see its header for the rules.",
        "# Rejected blocks are kept so that drawing again with the same seed skips them.",
        "",
    ]
    for m in mutants:
        lines.append(f"file: {m['file']}")
        lines.append(f"op: {m['op']}")
        lines.append(f"from: {m['from']}")
        lines.append(f"to: {m['to']}")
        if "rejected" in m:
            lines.append(f"rejected: {m['rejected']}")
        lines.append("")
    Path(path).write_text("\n".join(lines))


def generate(seed, count, list_path):
    rejected = []
    if Path(list_path).exists():
        rejected = [m for m in read_list(list_path) if "rejected" in m]
    skip = {(m["file"], m["from"], m["to"]) for m in rejected}
    candidates = []
    for path in candidate_files():
        lines = [l.strip() for l in (ROOT / path).read_text().splitlines()]
        for stripped in sorted(set(lines)):
            if lines.count(stripped) != 1:
                continue  # found by its text: only lines that appear once
            options = line_mutations(stripped)
            if options:
                candidates.append((path, stripped, options))
    rng = random.Random(seed)
    rng.shuffle(candidates)
    chosen = []
    for path, stripped, options in candidates:
        if len(chosen) == count:
            break
        op, mutated = options[rng.randrange(len(options))]
        if (path, stripped, mutated) in skip:
            continue
        chosen.append({"file": path, "op": op, "from": stripped, "to": mutated})
    write_list(list_path, seed, rejected + chosen)
    print(f"planted-faults: {len(chosen)} mutants from {len(candidates)} candidate lines "
          f"written to {list_path} ({len(rejected)} rejected kept)")


# ---- which tests see a library ---------------------------------------------------------------


def dependents(build_dir, library):
    """Executable targets that link the library, directly or through other libraries."""
    with tempfile.TemporaryDirectory() as tmp:
        dot = Path(tmp) / "deps.dot"
        subprocess.run(["cmake", f"--graphviz={dot}", "."], cwd=build_dir, check=True,
                       stdout=subprocess.DEVNULL)
        text = dot.read_text()
    labels, shapes, edges = {}, {}, []
    for node, label, shape in re.findall(
            r'"(node\d+)" \[ label = "([^"]+)",? shape = (\w+)', text):
        labels[node], shapes[node] = label, shape
    for a, b in re.findall(r'"(node\d+)" -> "(node\d+)"', text):
        edges.append((a, b))
    target = [n for n, l in labels.items() if l == library]
    if not target:
        raise SystemExit(f"planted-faults: no target {library} in the CMake graph")
    users, frontier = set(target), list(target)
    while frontier:
        node = frontier.pop()
        for a, b in edges:
            if b == node and a not in users:
                users.add(a)
                frontier.append(a)
    return {labels[n] for n in users if shapes[n] == "egg"}


def tests_for(build_dir, executables, exclude):
    """CTest test numbers (and the executables they need) whose command runs one of them."""
    info = json.loads(subprocess.run(["ctest", "--show-only=json-v1"], cwd=build_dir, check=True,
                                     capture_output=True, text=True).stdout)
    numbers, needed = [], set()
    for number, test in enumerate(info["tests"], start=1):
        if exclude and re.search(exclude, test["name"]):
            continue
        used = {Path(arg).name for arg in test.get("command", [])} & executables
        if used:
            numbers.append(number)
            needed |= used
    return numbers, needed


# ---- planting and running --------------------------------------------------------------------


def plant(path, original, mutated):
    """Writes the mutated file; returns the original bytes, or None when the line is gone."""
    if not path.exists():
        return None
    text = path.read_text()
    lines = text.splitlines(keepends=True)
    for i, line in enumerate(lines):
        if line.strip() == original:
            indent = line[: len(line) - len(line.lstrip())]
            ending = line[len(line.rstrip("\r\n")):]
            lines[i] = indent + mutated + ending
            path.write_text("".join(lines))
            return text
    return None


def holder(mutant):
    """The file that holds the mutant's line: its own, or the one file of its layer it moved to."""
    named = ROOT / mutant["file"]
    if named.exists() and any(l.strip() == mutant["from"] for l in named.read_text().splitlines()):
        return named
    folder = next(f for f in LAYERS if mutant["file"].startswith(f + "/"))
    holders = [path for path in (ROOT / folder).rglob("*.cpp")
               if any(l.strip() == mutant["from"] for l in path.read_text().splitlines())]
    return holders[0] if len(holders) == 1 else named


def run_one(build_dir, mutant, cache, exclude, log):
    library = library_of(mutant["file"])
    if library not in cache:
        exes = dependents(build_dir, library)
        cache[library] = tests_for(build_dir, exes, exclude)
    numbers, needed = cache[library]
    path = holder(mutant)
    original = plant(path, mutant["from"], mutant["to"])
    if original is None:
        return "gone", 0
    try:
        build = subprocess.run(["cmake", "--build", ".", "-j2", "--target", *sorted(needed)],
                               cwd=build_dir, capture_output=True, text=True)
        log.write(build.stdout[-4000:] + build.stderr[-4000:])
        if build.returncode != 0:
            return "invalid", len(numbers)
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen",
                   QTWEBENGINE_CHROMIUM_FLAGS="--no-sandbox")
        with tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False) as sel:
            sel.write("0,0,0," + ",".join(map(str, numbers)) + "\n")
        try:
            tests = subprocess.run(
                ["ctest", "--stop-on-failure", "-j2", "--timeout", "120", "-I", sel.name],
                cwd=build_dir, env=env, capture_output=True, text=True)
        finally:
            os.unlink(sel.name)
        log.write(tests.stdout[-6000:] + tests.stderr[-2000:])
        return ("caught" if tests.returncode != 0 else "survived"), len(numbers)
    finally:
        path.write_text(original)


def run(build_dir, list_path, only, exclude):
    build_dir = Path(build_dir).resolve()
    mutants = [m for m in read_list(list_path) if "rejected" not in m]
    chosen = [(i, m) for i, m in enumerate(mutants, start=1) if not only or i in only]
    cache, results = {}, []
    log_path = build_dir / "planted-faults.log"
    with open(log_path, "w") as log:
        for i, m in chosen:
            started = time.monotonic()
            log.write(f"\n==== {i} {m['file']}: {m['from']}  ->  {m['to']}\n")
            outcome, count = run_one(build_dir, m, cache, exclude, log)
            log.flush()
            seconds = time.monotonic() - started
            results.append((i, m, outcome))
            print(f"{i:3} {outcome:8} {seconds:6.0f}s {count:5} tests  {m['file']}: {m['to']}",
                  flush=True)
    caught = sum(1 for _, _, o in results if o == "caught")
    counted = sum(1 for _, _, o in results if o in ("caught", "survived"))
    print()
    print(f"{'#':>3} {'outcome':8} {'file:line':44} mutation")
    for i, m, outcome in results:
        text = (ROOT / m["file"]).read_text().splitlines()
        where = next((n for n, l in enumerate(text, start=1) if l.strip() == m["from"]), "?")
        print(f"{i:3} {outcome:8} {m['file'] + ':' + str(where):44} {m['from']}  ->  {m['to']}")
    print()
    for outcome in ("invalid", "gone"):
        n = sum(1 for _, _, o in results if o == outcome)
        if n:
            print(f"{outcome}: {n} (not counted)")
    print(f"caught {caught} of {counted}")
    print(f"(build and test output in {log_path})")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build-dir", help="configured CMake build directory (Ninja)")
    parser.add_argument("--list", default=str(DEFAULT_LIST), help="the mutant list")
    parser.add_argument("--only", help="comma-separated mutant numbers to run (1-based)")
    parser.add_argument("--exclude-tests", help="regular expression of CTest names to skip")
    parser.add_argument("--generate", action="store_true", help="draw a new list")
    parser.add_argument("--seed", type=int, default=13)
    parser.add_argument("--count", type=int, default=30)
    args = parser.parse_args()
    if args.generate:
        generate(args.seed, args.count, args.list)
        return 0
    if not args.build_dir:
        parser.error("--build-dir is needed to run the mutants")
    only = {int(n) for n in args.only.split(",")} if args.only else None
    run(args.build_dir, args.list, only, args.exclude_tests)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except KeyboardInterrupt:
        print("\nplanted-faults: interrupted; planted files restored", file=sys.stderr)
        sys.exit(130)
