#!/usr/bin/python3
"""Mutation test of the design model, the recipe engine and the .swf reader.

Builds a worktree of the current commit once, then for each mutant applies it,
rebuilds the tests that cover its file and runs them: a mutant is killed when
a test fails (or crashes, or times out), and survives when they all pass.
Usage: tools/mutation/run.py [WORKTREE] > report.txt
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from mutants import MUTANTS  # noqa: E402

ROOT = subprocess.check_output(["git", "rev-parse", "--show-toplevel"], text=True).strip()
TREE = sys.argv[1] if len(sys.argv) > 1 else "/tmp/pelorin-mutation"
BUILD = os.path.join(TREE, "build-mutation")
CORE_TESTS = ["design_model_test", "recipe_steps_test", "cli_test", "recipe_limits_test",
              "design_files_test", "swf_test", "mz_test", "fuzz_regression_test"]
GUI_TESTS = ["mz_gui_test", "design_gui_test", "synthesis_gui_test"]


def run(cmd, **kw):
    return subprocess.run(cmd, cwd=TREE, capture_output=True, text=True, **kw)


def tests_for(path):
    return GUI_TESTS if path.startswith("gui/") else CORE_TESTS + GUI_TESTS[1:]


def main():
    head = subprocess.check_output(["git", "rev-parse", "HEAD"], cwd=ROOT, text=True).strip()
    if not os.path.isdir(TREE):
        subprocess.check_call(["git", "worktree", "add", "--detach", TREE, head], cwd=ROOT)
    else:
        subprocess.check_call(["git", "checkout", "-q", "--detach", head], cwd=TREE)
    run(["cmake", "-S", ".", "-B", BUILD, "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
         "-DPELORIN_WERROR=OFF", "-DPELORIN_TESTS=ON"], check=True)
    every = sorted(set(CORE_TESTS + GUI_TESTS))
    run(["cmake", "--build", BUILD, "-j2", "--target", "pelorin-cli"] + every, check=True)
    killed, survivors = 0, []
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    equivalent = []
    for number, (path, old, new, what, *why) in enumerate(MUTANTS, 1):
        file = os.path.join(TREE, path)
        text = open(file).read()
        if text.count(old) != 1:
            print(f"{number:2} INVALID ({text.count(old)} matches) {path}: {what}", flush=True)
            continue
        open(file, "w").write(text.replace(old, new))
        start = time.time()
        try:
            tests = tests_for(path)
            built = run(["cmake", "--build", BUILD, "-j2", "--target", "pelorin-cli"] + tests)
            if built.returncode != 0:
                outcome, by = "killed", "the build"
            else:
                outcome, by = "survived", ""
                for t in tests:
                    try:
                        r = subprocess.run([os.path.join(BUILD, "tests", t)], cwd=TREE, env=env,
                                           capture_output=True, text=True, timeout=300)
                        failed = r.returncode != 0
                    except subprocess.TimeoutExpired:
                        failed = True
                    if failed:
                        outcome, by = "killed", t
                        break
        finally:
            open(file, "w").write(text)
        if why:
            equivalent.append(f"{path}: {what} ({outcome}; {why[0]})")
        elif outcome == "killed":
            killed += 1
        else:
            survivors.append(f"{path}: {what}")
        print(f"{number:2} {outcome:8} {by:22} {path}: {what} ({time.time() - start:.0f} s)",
              flush=True)
    total = killed + len(survivors)
    print(f"\nScore: {killed} of {total} meaningful mutants killed "
          f"({100.0 * killed / total:.0f} %); {len(equivalent)} equivalent")
    for s in survivors:
        print("Survivor:", s)
    for e in equivalent:
        print("Equivalent:", e)


if __name__ == "__main__":
    main()
