#!/usr/bin/env python3
"""Golden transcripts of dravik: runs one case and compares its exact
standard output, standard error, exit code and the files it left.

A case is a folder under golden/: `cmd` is a sh script run in a fresh empty
folder with $DRAVIK set (it makes its inputs, runs dravik and exits with
dravik's code); `stdout`, `stderr` and `exit` are what must come out; an
optional `files` lists every file left in the folder afterwards.

Throw sites carry line numbers that move whenever a source is edited, so
"(line 123)" is compared as "(line N)"; the file name stays exact. The run
folder's path is shown as <work>.

usage: golden.py DRAVIK CASE_FOLDER [--update]
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile


def normalise(text, work):
    text = text.replace(work, "<work>")
    return re.sub(r"\(line \d+\)", "(line N)", text)


def listing(folder):
    names = []
    for root, _dirs, files in os.walk(folder):
        for name in files:
            names.append(os.path.relpath(os.path.join(root, name), folder))
    return "".join(name + "\n" for name in sorted(names))


def run_case(dravik, case):
    work = tempfile.mkdtemp(prefix="dravik-golden-")
    try:
        env = dict(os.environ, DRAVIK=dravik, LC_ALL="C")
        # A session of its own: no controlling terminal, so a prompt that
        # reads a key gets none and answers at once.
        proc = subprocess.run(["sh", os.path.join(case, "cmd")], cwd=work, env=env,
                              stdin=subprocess.DEVNULL, capture_output=True,
                              start_new_session=True, timeout=120)
        actual = {
            "stdout": normalise(proc.stdout.decode("utf-8", "replace"), work),
            "stderr": normalise(proc.stderr.decode("utf-8", "replace"), work),
            "exit": "%d\n" % proc.returncode,
        }
        if os.path.exists(os.path.join(case, "files")):
            actual["files"] = listing(work)
        return actual
    finally:
        shutil.rmtree(work, ignore_errors=True)


def show(text):
    return "".join("    |%s\n" % line for line in text.split("\n"))


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    dravik, case = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    update = "--update" in sys.argv[3:]
    actual = run_case(dravik, case)
    failed = False
    for part in ("stdout", "stderr", "exit", "files"):
        if part not in actual:
            continue
        path = os.path.join(case, part)
        if update:
            with open(path, "w", newline="") as f:
                f.write(actual[part])
            continue
        with open(path, newline="") as f:
            expected = f.read()
        if expected != actual[part]:
            failed = True
            print("%s differs.\n  expected:\n%s  actual:\n%s"
                  % (part, show(expected), show(actual[part])))
    name = os.path.basename(case)
    print("%s: %s" % (name, "updated" if update else "FAILED" if failed else "ok"))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
