#!/usr/bin/env python3
"""dravik's prompts through a real pseudo-terminal.

dravik runs in a session of its own whose controlling terminal is a fresh
pseudo-terminal, so its key reads and the characters it writes straight to
the terminal go through the same paths as for a person at a console.
Standard output is a pipe (the terminal itself for the progress case, a
file for the redirected case), so what goes to standard output and what
goes straight to the terminal are seen apart: with standard output away
from the terminal, each question is shown on the terminal as well. Every
wait has a timeout.

usage: prompts.py DRAVIK CASE     (exit 77: the case cannot run here)
"""
import fcntl
import os
import re
import shutil
import subprocess
import sys
import tempfile
import termios
import threading
import time

TIMEOUT = 30
SKIP = 77
PROMPT = "Overwrite it? (A)ll / (Y)es / (N)o "
DISK_PROMPT = "Hit any key to continue. Hit ESC to quit.\n\n"
ESC = b"\x1b"


class Failure(Exception):
    pass


def check(condition, what):
    if not condition:
        raise Failure(what)


def take_terminal():
    # Runs in the child after setsid: standard input, the pseudo-terminal,
    # becomes its controlling terminal (what /dev/tty opens).
    fcntl.ioctl(0, termios.TIOCSCTTY, 0)


class Reader(threading.Thread):
    """Collects everything that comes out of one file descriptor."""

    def __init__(self, fd):
        super().__init__(daemon=True)
        self.fd = fd
        self.data = b""
        self.lock = threading.Lock()
        self.start()

    def run(self):
        while True:
            try:
                chunk = os.read(self.fd, 4096)
            except OSError:  # EIO: the terminal's last user went away
                return
            if not chunk:
                return
            with self.lock:
                self.data += chunk

    def text(self):
        with self.lock:
            return self.data


class Dravik:
    """One run of dravik on its own pseudo-terminal."""

    def __init__(self, dravik, args, cwd, stdout_on_terminal=False, log=None, cooked=False):
        self.master, slave = os.openpty()
        # No echo by the line discipline and no output translation: what the
        # test reads from the terminal is exactly what dravik wrote to it.
        # `cooked` leaves the terminal as a shell hands it over instead.
        attrs = termios.tcgetattr(slave)
        if not cooked:
            attrs[3] &= ~(termios.ECHO | termios.ICANON)
        attrs[1] &= ~termios.OPOST
        termios.tcsetattr(slave, termios.TCSANOW, attrs)
        self.log = log
        if log:  # "> log 2>&1"
            out = err = open(log, "wb")
        else:
            out = slave if stdout_on_terminal else subprocess.PIPE
            err = subprocess.PIPE
        self.proc = subprocess.Popen([dravik] + args, cwd=cwd, stdin=slave, stdout=out,
                                     stderr=err, start_new_session=True,
                                     preexec_fn=take_terminal, env=dict(os.environ, LC_ALL="C"))
        if log:
            out.close()
        os.close(slave)
        self.terminal = Reader(self.master)
        if log:
            self.stdout = self.stderr = None
        else:
            self.stdout = self.terminal if stdout_on_terminal else Reader(self.proc.stdout.fileno())
            self.stderr = Reader(self.proc.stderr.fileno())

    def mode(self):
        """The terminal's local flags now (ECHO, ICANON, ...); on Linux both
        ends of a pseudo-terminal share them."""
        return termios.tcgetattr(self.master)[3]

    def wait_for(self, reader, text, what):
        deadline = time.monotonic() + TIMEOUT
        while text.encode() not in reader.text():
            if time.monotonic() > deadline:
                raise Failure("timed out waiting for %s; so far: %r" % (what, reader.text()))
            time.sleep(0.02)

    def wait_for_prompt(self, count=1, reader=None):
        reader = reader or self.stdout
        deadline = time.monotonic() + TIMEOUT
        while reader.text().decode().count(PROMPT) < count:
            if time.monotonic() > deadline or self.proc.poll() is not None:
                raise Failure("no overwrite prompt #%d; so far: %r" % (count, reader.text()))
            time.sleep(0.02)

    def press(self, key):
        os.write(self.master, key)

    def output(self):
        if self.log:
            with open(self.log, "rb") as f:
                return f.read()
        return self.stdout.text()

    def finish(self):
        try:
            code = self.proc.wait(TIMEOUT)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            raise Failure("dravik did not end; stdout: %r" % self.output())
        if not self.log:
            self.stdout.join(TIMEOUT)
            self.stderr.join(TIMEOUT)
        time.sleep(0.1)  # the last terminal bytes
        os.close(self.master)
        return code, self.output().decode(), self.terminal.text()

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


def normalise(text):
    return re.sub(r"\(line \d+\)", "(line N)", text)


def make_file(path, size, content=b"\x5a"):
    with open(path, "wb") as f:
        f.write(content * size)


def read(path):
    with open(path, "rb") as f:
        return f.read()


ABORTED = "Operation aborted.\nDravikLib/Splitter.cpp (line N)\n\n\n"


def case_overwrite_ignored_key(dravik, work):
    """x is ignored with one backspace, y overwrites."""
    make_file(os.path.join(work, "a.bin"), 1000)
    make_file(os.path.join(work, "a.exe"), 3, b"o")
    run = Dravik(dravik, ["a.bin", "100k"], work)
    run.wait_for_prompt()
    run.press(b"x")
    run.wait_for(run.terminal, "\b", "the backspace")
    run.press(b"y")
    code, out, term = run.finish()
    check(term == b"The file a.exe already exists. " + PROMPT.encode() + b"\by\n",
          "terminal got %r" % term)
    check(out == "Splitting file a.bin...\nCreating chunk #1\n"
          "The file a.exe already exists. " + PROMPT + "\nProduced 1 file.\n", "stdout %r" % out)
    check(code == 0, "exit %d" % code)
    check(read(os.path.join(work, "a.exe")) != b"ooo", "a.exe was not overwritten")


def case_overwrite_yes_then_all(dravik, work):
    """Y overwrites one file and asks again; A overwrites every later one."""
    make_file(os.path.join(work, "big.bin"), 480000)
    for name in ("big.exe", "big.000", "big.001"):
        make_file(os.path.join(work, name), 3, b"o")
    run = Dravik(dravik, ["big.bin", "200k"], work)
    run.wait_for_prompt(1)
    run.press(b"Y")
    run.wait_for_prompt(2)
    run.press(b"A")
    code, out, term = run.finish()
    check(term == ("The file big.exe already exists. " + PROMPT + "y\n"
                   "The file big.000 already exists. " + PROMPT + "a\n").encode(),
          "terminal got %r" % term)
    check(out == "Splitting file big.bin...\nCreating chunk #1\n"
          "The file big.exe already exists. " + PROMPT + "Creating chunk #2\n"
          "The file big.000 already exists. " + PROMPT + "Creating chunk #3\n"
          "\nProduced 3 files.\n", "stdout %r" % out)
    check(code == 0, "exit %d" % code)
    for name in ("big.exe", "big.000", "big.001"):
        check(read(os.path.join(work, name)) != b"ooo", name + " was not overwritten")


def case_overwrite_no(dravik, work):
    """N ends the split with "Operation aborted." and leaves the file alone."""
    make_file(os.path.join(work, "big.bin"), 480000)
    make_file(os.path.join(work, "big.000"), 3, b"o")
    run = Dravik(dravik, ["big.bin", "200k"], work)
    run.wait_for_prompt()
    run.press(b"n")
    code, out, term = run.finish()
    check(term == ("The file big.000 already exists. " + PROMPT + "n\n").encode(),
          "terminal got %r" % term)
    check(normalise(out) == "Splitting file big.bin...\nCreating chunk #1\nCreating chunk #2\n"
          "The file big.000 already exists. " + PROMPT + ABORTED, "stdout %r" % out)
    check(code == 1, "exit %d" % code)
    check(read(os.path.join(work, "big.000")) == b"ooo", "big.000 was changed")
    check(not os.path.exists(os.path.join(work, "big.001")), "big.001 was written")


def case_overwrite_flag(dravik, work):
    """-y never asks, though a terminal is there to answer."""
    make_file(os.path.join(work, "big.bin"), 480000)
    for name in ("big.exe", "big.000", "big.001"):
        make_file(os.path.join(work, name), 3, b"o")
    run = Dravik(dravik, ["big.bin", "200k", "-y"], work)
    code, out, term = run.finish()
    check(term == b"", "terminal got %r" % term)
    check(out == "Splitting file big.bin...\nCreating chunk #1\nCreating chunk #2\n"
          "Creating chunk #3\n\nProduced 3 files.\n", "stdout %r" % out)
    check(code == 0, "exit %d" % code)


CREATE_PROBLEM = "Can't create file. Disk may be write-protected.\n\n"


def case_disk_prompt_escape(dravik, work):
    """ESC at the disk prompt aborts."""
    make_file(os.path.join(work, "a.bin"), 1000)
    os.mkdir(os.path.join(work, "a.exe"))  # a folder cannot be created as a file
    run = Dravik(dravik, ["a.bin", "100k"], work)
    run.wait_for(run.stdout, DISK_PROMPT, "the disk prompt")
    run.press(ESC)
    code, out, term = run.finish()
    check(normalise(out) == "Splitting file a.bin...\nCreating chunk #1\n" + CREATE_PROBLEM
          + DISK_PROMPT + ABORTED, "stdout %r" % out)
    check(term == (CREATE_PROBLEM + DISK_PROMPT).encode(), "terminal got %r" % term)
    check(code == 1, "exit %d" % code)


def case_disk_prompt_go_on(dravik, work):
    """Any other key goes on: the file is created once the way is free."""
    make_file(os.path.join(work, "a.bin"), 1000)
    blocker = os.path.join(work, "a.exe")
    os.mkdir(blocker)
    run = Dravik(dravik, ["a.bin", "100k"], work)
    run.wait_for(run.stdout, DISK_PROMPT, "the disk prompt")
    os.rmdir(blocker)
    run.press(b"q")
    code, out, term = run.finish()
    check(out == "Splitting file a.bin...\nCreating chunk #1\n" + CREATE_PROBLEM + DISK_PROMPT
          + "\nProduced 1 file.\n", "stdout %r" % out)
    check(term == (CREATE_PROBLEM + DISK_PROMPT).encode(), "terminal got %r" % term)
    check(code == 0, "exit %d" % code)
    check(os.path.isfile(blocker), "a.exe was not written")


class SmallDisk:
    """A 256 KiB tmpfs, mostly filled, so that a chunk does not fit."""

    def __init__(self, work, size="256k", fill=True):
        self.path = os.path.join(work, "disk")
        os.mkdir(self.path)
        result = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=" + size, "tmpfs", self.path],
                                capture_output=True, text=True)
        if result.returncode != 0:
            print("SKIPPED: cannot mount a small tmpfs here (%s); the disk-full prompt "
                  "needs root and mount rights" % result.stderr.strip())
            sys.exit(SKIP)
        self.filler = os.path.join(self.path, "filler")
        if fill:
            make_file(self.filler, 240 * 1024)

    def unmount(self):
        subprocess.run(["umount", "-l", self.path], capture_output=True)


NO_SPACE = "Not enough free space to continue.\n\n"


def run_on_small_disk(dravik, work, key, free_first):
    # 20000 bytes fit one 100k chunk with any stub up to 64 KiB, but not the
    # 16 KiB the filler leaves.
    make_file(os.path.join(work, "a.bin"), 20000)
    disk = SmallDisk(work)
    run = None
    try:
        run = Dravik(dravik, ["a.bin", "100k", "-odisk/a"], work)
        run.wait_for(run.stdout, DISK_PROMPT, "the disk prompt")
        if free_first:
            os.remove(disk.filler)
        run.press(key)
        code, out, term = run.finish()
        return code, normalise(out), term, os.listdir(disk.path)
    finally:
        if run:
            run.kill()
        disk.unmount()


def case_disk_full_escape(dravik, work):
    """A chunk that does not fit asks first; ESC aborts before writing."""
    code, out, term, files = run_on_small_disk(dravik, work, ESC, False)
    check(out == "Splitting file a.bin...\nCreating chunk #1\n" + NO_SPACE + DISK_PROMPT
          + ABORTED, "stdout %r" % out)
    check(code == 1, "exit %d" % code)
    check(files == ["filler"], "files on the disk: %r" % files)
    check(term == (NO_SPACE + DISK_PROMPT).encode(), "terminal got %r" % term)


def case_disk_full_go_on(dravik, work):
    """Room made while the prompt waits: any key writes the chunk."""
    code, out, term, files = run_on_small_disk(dravik, work, b" ", True)
    check(out == "Splitting file a.bin...\nCreating chunk #1\n" + NO_SPACE + DISK_PROMPT
          + "\nProduced 1 file.\n", "stdout %r" % out)
    check(code == 0, "exit %d" % code)
    check(files == ["a.exe"], "files on the disk: %r" % files)


def case_stdout_to_file(dravik, work):
    """With "> log 2>&1" the questions still reach the person at the terminal;
    the log keeps exactly the documented lines."""
    make_file(os.path.join(work, "big.bin"), 480000)
    make_file(os.path.join(work, "big.000"), 3, b"o")
    os.mkdir(os.path.join(work, "big.001"))  # cannot be created as a file
    run = Dravik(dravik, ["big.bin", "200k"], work, log=os.path.join(work, "log.txt"))
    run.wait_for_prompt(reader=run.terminal)
    run.press(b"y")
    run.wait_for(run.terminal, DISK_PROMPT, "the disk prompt on the terminal")
    run.press(ESC)
    code, out, term = run.finish()
    question = "The file big.000 already exists. " + PROMPT
    check(term == (question + "y\n" + CREATE_PROBLEM + DISK_PROMPT).encode(),
          "terminal got %r" % term)
    banner = out[:out.index("Splitting")]
    check(banner.startswith("Dravikon - September 2002\n"), "log %r" % out)
    check(normalise(out[len(banner):]) == "Splitting file big.bin...\nCreating chunk #1\n"
          "Creating chunk #2\n" + question + "Creating chunk #3\n" + CREATE_PROBLEM + DISK_PROMPT
          + ABORTED, "log %r" % out)
    check(code == 1, "exit %d" % code)


def case_interrupt_restores_terminal(dravik, work):
    """Ctrl-C at a prompt ends dravik by the signal, its terminal as it was."""
    make_file(os.path.join(work, "a.bin"), 1000)
    make_file(os.path.join(work, "a.exe"), 3, b"o")
    run = Dravik(dravik, ["a.bin", "100k"], work, cooked=True)
    try:
        run.wait_for_prompt()
        deadline = time.monotonic() + TIMEOUT
        while run.mode() & termios.ECHO:  # the key read has the terminal raw
            check(time.monotonic() < deadline, "the terminal never left echo mode")
            time.sleep(0.02)
        run.press(b"\x03")
        code = run.proc.wait(TIMEOUT)
        mode = run.mode()
    finally:
        run.kill()
    check(code == -2, "exit %r, not death by SIGINT" % code)
    check(mode & termios.ECHO and mode & termios.ICANON, "terminal left without echo")
    check(read(os.path.join(work, "a.exe")) == b"ooo", "a.exe was changed")


def case_split_again_on_floppy(dravik, work):
    """The same set split again with -y onto a 1 MB medium that holds it once:
    each old chunk frees its own room, so nothing is asked."""
    make_file(os.path.join(work, "a.bin"), 800000, b"\x01")
    disk = SmallDisk(work, "1m", fill=False)
    try:
        for attempt in (1, 2):
            result = subprocess.run([dravik, "a.bin", "300k", "-y", "-odisk/a"], cwd=work,
                                    capture_output=True, stdin=subprocess.DEVNULL,
                                    start_new_session=True, timeout=TIMEOUT)
            out = result.stdout.decode()
            check(out == "Splitting file a.bin...\nCreating chunk #1\nCreating chunk #2\n"
                  "Creating chunk #3\n\nProduced 3 files.\n", "run %d: %r" % (attempt, out))
            check(result.returncode == 0, "run %d: exit %d" % (attempt, result.returncode))
    finally:
        disk.unmount()


def screen(raw):
    """The lines a terminal shows for `raw`: CR returns, BS steps back."""
    lines, line, col = [], [], 0
    for ch in raw.decode():
        if ch == "\n":
            lines.append("".join(line).rstrip())
            line, col = [], 0
        elif ch == "\r":
            col = 0
        elif ch == "\b":
            col = max(0, col - 1)
        else:
            line[col:col + 1] = [ch] if col < len(line) else [" "] * (col - len(line)) + [ch]
            col += 1
    if line:
        lines.append("".join(line).rstrip())
    return lines


def case_progress(dravik, work):
    """On a terminal each chunk line shows its percentage, then the plain line."""
    make_file(os.path.join(work, "big.bin"), 480000)
    run = Dravik(dravik, ["big.bin", "200k"], work, stdout_on_terminal=True)
    code, _, term = run.finish()
    check(code == 0, "exit %d" % code)
    check(re.search(rb"\rCreating chunk #2 +\d+%", term), "no percentage in %r" % term)
    shown = screen(term)
    check(shown == ["Splitting file big.bin...", "Creating chunk #1", "Creating chunk #2",
                    "Creating chunk #3", "", "Produced 3 files."], "screen %r" % shown)


CASES = {name[5:].replace("_", "-"): fn for name, fn in globals().items()
         if name.startswith("case_")}


def main():
    if len(sys.argv) != 3 or sys.argv[2] not in CASES:
        print(__doc__ + "\ncases: " + " ".join(sorted(CASES)))
        return 2
    dravik = os.path.abspath(sys.argv[1])
    work = tempfile.mkdtemp(prefix="dravik-pty-")
    try:
        CASES[sys.argv[2]](dravik, work)
    except Failure as failure:
        print("FAILED: %s" % failure)
        return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
