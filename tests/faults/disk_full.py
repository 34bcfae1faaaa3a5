#!/usr/bin/env python3
"""The real dravik and dravikx (and dravikx-stubbuild, the joiner built as
the Windows stub is, where the build has it) against disks that fill up.

Three ways to run out of room, each tried at many points:
- a file-size limit (RLIMIT_FSIZE) that stops every file at an exact byte:
  in the stub, in the archive fields, in the header, in the data, at the last
  byte; the free-space check sees plenty of room, so only the write can fail;
- a small tmpfs with a given number of free pages, no terminal: the
  free-space check must stop the split before it writes;
- the same tmpfs with a terminal on which a key answers every disk prompt
  ("go on"): the write runs into the full disk.
Each split must end with a non-zero exit code and an error text, never with
"Produced"; each join must exit 1 and say the file is not complete.

usage: disk_full.py BIN_DIR [--all]   (--all: every point, not a sample)
prints "disk-full points: N tried, M ended
correctly" and exits 0 only when M == N."""
import fcntl
import os
import random
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import termios

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from stub import stub_length  # noqa: E402

PAGE = 4096
TIMEOUT = 60


class Run:
    def __init__(self, code, out, err):
        self.code, self.out, self.err = code, out, err



def limited(size):
    """Runs in the child: every file it writes stops at `size` bytes, and
    the write fails (EFBIG) instead of killing the process."""
    def setup():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (size, size))
    return setup


def joiners(bin_dir):
    """dravikx, and the same built as the Windows stub is (no C++
    exceptions), where the build has it. longjmp skips destructors by
    design: a sanitizer build must not count what they would free."""
    found = [(os.path.join(bin_dir, "dravikx"), {})]
    stub = os.path.join(bin_dir, "dravikx-stubbuild")
    if os.path.exists(stub):
        found.append((stub, {"ASAN_OPTIONS": "detect_leaks=0"}))
    return found


def run(argv, cwd, size_limit=None, env=None):
    p = subprocess.run(argv, cwd=cwd, stdin=subprocess.DEVNULL, capture_output=True,
                       timeout=TIMEOUT, preexec_fn=limited(size_limit) if size_limit is not None else None,
                       env=dict(os.environ, LC_ALL="C", **(env or {})))
    return Run(p.returncode, p.stdout.decode(errors="replace"), p.stderr.decode(errors="replace"))


def run_on_terminal(argv, cwd):
    """Runs with a pseudo-terminal as controlling terminal and a key waiting
    for every prompt: each disk prompt is answered "go on"."""
    master, slave = os.openpty()
    attrs = termios.tcgetattr(slave)
    attrs[3] &= ~(termios.ECHO | termios.ICANON)
    termios.tcsetattr(slave, termios.TCSANOW, attrs)
    os.write(master, b"g" * 64)

    def take_terminal():
        fcntl.ioctl(0, termios.TIOCSCTTY, 0)
    p = subprocess.Popen(argv, cwd=cwd, stdin=slave, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                         start_new_session=True, preexec_fn=take_terminal,
                         env=dict(os.environ, LC_ALL="C"))
    os.close(slave)
    try:
        out, err = p.communicate(timeout=TIMEOUT)
    finally:
        if p.poll() is None:
            p.kill()
        os.close(master)
    return Run(p.returncode, out.decode(errors="replace"), err.decode(errors="replace"))


class Tally:
    def __init__(self):
        self.tried = 0
        self.failures = []

    def check(self, ok, what, result):
        self.tried += 1
        if not ok:
            self.failures.append("%s: exit %s\n%s%s" % (what, result.code, result.out, result.err))


def split_failed(r, reason):
    return r.code > 0 and "Produced" not in r.out and reason in r.out


def join_failed(r):
    return r.code == 1 and "The file is not complete." in r.err and "written with success" not in r.err


class SmallDisk:
    """A tmpfs on a scratch folder; `mounted` is False where mounting fails."""

    def __init__(self, kib):
        self.path = tempfile.mkdtemp(prefix="dravik-disk-")
        self.mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%dk" % kib, "tmpfs",
                                       self.path], capture_output=True).returncode == 0

    def leave_free(self, pages):
        """Empties the disk but for a filler that leaves `pages` free pages;
        returns the folder to write into."""
        for name in os.listdir(self.path):
            full = os.path.join(self.path, name)
            shutil.rmtree(full) if os.path.isdir(full) else os.remove(full)
        st = os.statvfs(self.path)
        free = st.f_bavail * st.f_frsize
        with open(os.path.join(self.path, "filler"), "wb") as f:
            f.write(b"f" * (free - pages * PAGE))
        st = os.statvfs(self.path)
        assert st.f_bavail * st.f_frsize == pages * PAGE
        out = os.path.join(self.path, "out")
        os.mkdir(out)
        return out

    def close(self):
        if self.mounted:
            subprocess.run(["umount", self.path])
        shutil.rmtree(self.path, ignore_errors=True)


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def chunk_files(folder):
    return sorted(n for n in os.listdir(folder) if n.startswith("set."))


def pages_of(folder, names):
    return sum((os.path.getsize(os.path.join(folder, n)) + PAGE - 1) // PAGE for n in names)


def limits_for(sizes, stub_hint, dense):
    """Byte limits that stop a chunk file at many points: over the stub and
    its end, over the archive fields after it (every byte when `dense`),
    sparsely over the data, and just before the end of each chunk size."""
    step = 1 if dense else 7
    points = set(range(0, 64, step // 2 + 1))
    for at in range(max(0, stub_hint - 16), stub_hint + 200, step):
        points.add(at)
    biggest = max(sizes)
    step = max(1, biggest // (60 if dense else 12))
    points.update(range(0, biggest, step))
    for s in sizes:
        points.update((s - 1, s - 13, s // 2))
    return sorted(p for p in points if 0 <= p < biggest)


def size_limit_points(bin_dir, work, tally, dense):
    dravik = os.path.join(bin_dir, "dravik")
    stub = stub_length(dravik)
    rng = random.Random(5)
    cases = [(3000, 8000), (40000, 9000), (400000, 150000)]
    for input_size, chunk in cases:
        data = bytes(rng.getrandbits(8) for _ in range(input_size))
        src = os.path.join(work, "src")
        shutil.rmtree(src, ignore_errors=True)
        os.makedirs(src)
        write(os.path.join(src, "file.bin"), data)
        ok = run([dravik, os.path.join(src, "file.bin"), str(chunk + stub), "-oset"], src)
        assert ok.code == 0, ok.out
        names = chunk_files(src)
        sizes = [os.path.getsize(os.path.join(src, n)) for n in names]
        # The stub is the head of chunk 0: its length is where the archive starts.
        with open(os.path.join(src, "set.exe"), "rb") as f:
            f.seek(-20, 2)
            stub = int.from_bytes(f.read(4), "little")
        for limit in limits_for(sizes, stub, dense):
            out = os.path.join(work, "out")
            shutil.rmtree(out, ignore_errors=True)
            os.makedirs(out)
            r = run([dravik, os.path.join(src, "file.bin"), str(chunk + stub), "-oset"], out, limit)
            tally.check(split_failed(r, "Error writing file"),
                        "split of %d bytes in chunks of %d stopped at byte %d" % (input_size, chunk, limit), r)
        # The joiner's output stopped at points through the rebuilt file.
        step = max(1, input_size // (25 if dense else 6))
        for limit in sorted(set(range(0, input_size, step)) | {input_size - 1}):
            for dravikx, env in joiners(bin_dir):
                out = os.path.join(work, "out")
                shutil.rmtree(out, ignore_errors=True)
                os.makedirs(out)
                r = run([dravikx, os.path.join(src, "set.exe")], out, limit, env)
                tally.check(join_failed(r), "%s: join of %d bytes stopped at byte %d"
                            % (os.path.basename(dravikx), input_size, limit), r)


def small_disk_points(bin_dir, work, disk, tally, dense):
    dravik = os.path.join(bin_dir, "dravik")
    stub = stub_length(dravik)
    rng = random.Random(9)
    for input_size, chunk in [(30000, 7000), (300000, 140000)]:
        src = os.path.join(work, "src")
        shutil.rmtree(src, ignore_errors=True)
        os.makedirs(src)
        write(os.path.join(src, "file.bin"), bytes(rng.getrandbits(8) for _ in range(input_size)))
        assert run([dravik, os.path.join(src, "file.bin"), str(chunk + stub), "-oset"], src).code == 0
        needed = pages_of(src, chunk_files(src))
        for pages in sorted(set(range(0, needed, 1 if dense else 6)) | {needed - 1}):
            out = disk.leave_free(pages)
            r = run([dravik, os.path.join(src, "file.bin"), str(chunk + stub), "-oset"], out)
            tally.check(split_failed(r, "Not enough free space to continue."),
                        "split onto %d free pages, no terminal" % pages, r)
            out = disk.leave_free(pages)
            r = run_on_terminal([dravik, os.path.join(src, "file.bin"), str(chunk + stub), "-oset"], out)
            tally.check(split_failed(r, "No space left on device"),
                        "split onto %d free pages, every prompt answered go on" % pages, r)
        joined = (input_size + PAGE - 1) // PAGE
        for pages in sorted(set(range(0, joined, 1 if dense else 6)) | {joined - 1}):
            for dravikx, env in joiners(bin_dir):
                out = disk.leave_free(pages)
                r = run([dravikx, os.path.join(src, "set.exe")], out, env=env)
                tally.check(join_failed(r), "%s: join onto %d free pages"
                            % (os.path.basename(dravikx), pages), r)


def main():
    bin_dir = os.path.abspath(sys.argv[1])
    dense = "--all" in sys.argv[2:]
    tally = Tally()
    work = tempfile.mkdtemp(prefix="dravik-faults-")
    disk = SmallDisk(2048)
    try:
        size_limit_points(bin_dir, work, tally, dense)
        if disk.mounted:
            small_disk_points(bin_dir, work, disk, tally, dense)
        else:
            print("cannot mount a tmpfs here (needs root): full-disk points skipped, "
                  "file-size limit points only")
    finally:
        disk.close()
        shutil.rmtree(work, ignore_errors=True)
    for failure in tally.failures[:10]:
        print("FAILED:", failure)
    print("disk-full points: %d tried, %d ended correctly" % (tally.tried, tally.tried - len(tally.failures)))
    sys.exit(0 if not tally.failures else 1)


if __name__ == "__main__":
    main()
