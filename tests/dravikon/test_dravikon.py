#!/usr/bin/env python3
"""dravikon.exe under Wine, used as a person would through the UI driver:
its dialog at start, the media list and the size control, splits with their
chunk lines, boxes and prompts, the About box, Split disabled while a split
runs, and closing the dialog in the middle of a split. Sets it writes are
rebuilt by the stub under Wine and by the Linux dravikx.

usage: test_dravikon.py --build WINBUILD [--programs BIN] [--host-bin HOSTBIN] [-k NAME]...
The harness of tests/wine must be started for WINBUILD; --programs is the
folder of the dravikon.exe under test (by default WINBUILD/bin), run in
WINBUILD's prefix. Screenshots go to WINBUILD/screenshots/dravikon-*.png.
The expected numbers are in the English (United States) format: run it in
that locale (tests/windowed/with-locale)."""
import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "wine"))
import uidriver  # noqa: E402
from uidriver import unquote, windows_path  # noqa: E402

TITLE = "Dravikon"
APP = "dravikon"  # the caption of its boxes: the program's name
STUB_TITLE = "Dravikon Self-Extractor"

PATH, MEDIA, CHUNKS, BROWSE, SPLIT, SIZE = 1000, 1002, 1003, 1004, 1005, 1009
SIZE_EDIT, SIZE_UNITS = "1009/1", "1009/2"
STATUS = 0
FILE_NAME = 1148  # the open-file dialog's file name box

FLOPPY_144 = '3½" floppy 1.44 MB'
ZIP = "Iomega zip disk 95 MB"
USER = "User defined size"
# As the sorted list shows them, with the sizes their IDs stand for.
MEDIA_LIST = [
    (FLOPPY_144, 1457664), ('3½" floppy 720 kB', 730112), ('5¼" floppy 1.2 MB', 1213952),
    ('5¼" floppy 160 kB', 158720), ('5¼" floppy 180 kB', 178176), ('5¼" floppy 320 kB', 322560),
    ('5¼" floppy 360 kB', 362496), (ZIP, 100431872), (USER, None),
]
CHUNK_LINE = re.compile(r'^item 1003 "Chunk #(\d+) contains (\d+) bytes"$')
HEADER = 12  # a later chunk: the next chunk's name, its NUL, this header, data


class Skip(Exception):
    pass


def money(n):
    """Bytes as the size control shows them in en_US with two decimals."""
    return f"{n:,.2f}"


def quote(text):
    """A text as the driver prints it."""
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def sample(path, size, seed=3):
    with open(path, "wb") as f:
        f.write(random.Random(seed).randbytes(size))


def read(path):
    with open(path, "rb") as f:
        return f.read()


class Context:
    """One case: a fresh work folder, a driver session, dravikon.exe."""

    def __init__(self, args, name):
        self.build = args.build
        self.programs = args.programs
        self.host_bin = args.host_bin
        self.work = os.path.join(self.build, "wine-work", "dravikon-" + name)
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)
        self.driver = uidriver.Driver(self.build, timeout=300)
        self.send("timeout", "60")

    def path(self, *parts):
        return os.path.join(self.work, *parts)

    def send(self, command, *words):
        return self.driver.send(command, *words)

    def lines(self, command, *words):
        return self.driver.send_list(command, *words)

    def text(self, control):
        line = self.send("text", str(control))
        return unquote(line.split(" ", 2)[2])

    def start(self, *args, program=None):
        """Starts dravikon.exe in the work folder and waits for its dialog."""
        self.send("cd", windows_path(self.work))
        self.send("start", windows_path(program or os.path.join(self.programs, "dravikon.exe")),
                  *args)
        return self.dialog()

    def dialog(self):
        """The main dialog becomes the current window again."""
        return self.send("wait", "window", f"title={TITLE}", f"control={SPLIT}", "again")

    def box(self):
        """The text of the next message box of the program."""
        self.send("wait", "window", f"title={APP}", "control=65535")
        return self.text(65535)

    def answer(self, expected, key="enter"):
        text = self.box()
        assert text == expected, f"box {text!r}, expected {expected!r}"
        self.send("key", key)
        self.dialog()

    def chunk_lines(self):
        """The chunk list as (chunk number, data bytes)."""
        result = []
        for line in self.items(CHUNKS):
            match = CHUNK_LINE.match(line)
            assert match, f"chunk line {line!r}"
            result.append((int(match.group(1)), int(match.group(2))))
        return result

    def items(self, control):
        """The lines of `items`, none for an empty list (send_list wants at
        least one)."""
        self.driver.process.stdin.write(f"items {control}\ntitle\n".encode())
        self.driver.process.stdin.flush()
        items = []
        while True:
            line = self.driver.lines.get(timeout=60)
            if line is None or line.startswith("fail "):
                raise uidriver.DriverError(f"items {control}: {line}")
            if line.startswith("title "):
                return items
            items.append(line)

    def split(self, path=None):
        if path is not None:
            self.send("set", str(PATH), windows_path(path) if path else "")
        self.send("click", str(SPLIT))

    def set_user_size(self, number, unit):
        self.send("pick", str(MEDIA), USER)
        self.send("pick", SIZE_UNITS, unit)
        self.send("set", SIZE_EDIT, number)

    def shot(self, name):
        # The windows shown last have painted within a moment.
        time.sleep(1)
        uidriver.screenshot(self.build, name)

    def close_dialog(self):
        self.dialog()
        self.send("close")
        self.send("wait", "exit")

    def finish(self):
        self.driver.close()
        subprocess.run([uidriver.RUN, self.build, "taskkill", "/F", "/IM", "dravikon.exe"],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)


def chunk_names(base, count):
    return [f"{base}.exe"] + [f"{base}.{i:03X}" for i in range(count - 1)]


def check_set_lines(t, lines, base, size):
    """The chunk lines number the chunks from 1, add up to the input's size,
    and each later chunk's line tells the data its file holds."""
    assert [n for n, _ in lines] == list(range(1, len(lines) + 1)), lines
    assert sum(d for _, d in lines) == size, (lines, size)
    names = chunk_names(base, len(lines))
    for (number, data), name in zip(lines[1:], names[1:]):
        following = f"{base}.{number - 1:03X}"
        assert os.path.getsize(t.path(name)) == len(following) + 1 + HEADER + data, (name, data)


def rebuild_with_stub(t, first, name, original):
    """Runs the first chunk under Wine as a double-click would, in a folder
    of its own; the file it writes must be the original."""
    out = t.path("stub-out")
    os.makedirs(out, exist_ok=True)
    t.send("cd", windows_path(out))
    t.send("start", windows_path(t.path(first)))
    # Its box, not its progress dialog: the box has an OK button.
    t.send("wait", "window", f"title={STUB_TITLE}", "control=1")
    text = t.text(65535)
    assert text == f"{name} written with success.", text
    t.send("key", "enter")
    t.send("wait", "exit")
    assert read(os.path.join(out, name)) == original, "the stub's copy differs"


def rebuild_with_linux(t, first, name, original):
    if not t.host_bin:
        return
    out = t.path("linux-out")
    os.makedirs(out, exist_ok=True)
    subprocess.run([os.path.join(t.host_bin, "dravikx"), t.path(first)], cwd=out, check=True,
                   capture_output=True, timeout=120)
    assert read(os.path.join(out, name)) == original, "the Linux dravikx's copy differs"


# The cases.

def case_start_without_arguments(t):
    t.start()
    t.shot("dravikon-start")
    assert t.text(PATH) == ""
    assert t.items(MEDIA) == [
        f"item {MEDIA} {quote(text)}" + (" selected" if text == FLOPPY_144 else "")
        for text, _ in MEDIA_LIST]
    assert t.text(SIZE_EDIT) == money(1457664)
    assert t.items(SIZE_UNITS)[0] == f'item {SIZE_UNITS} "B" selected'
    t.send("wait", "disabled", str(SIZE))
    t.send("wait", "enabled", str(SPLIT))
    assert t.text(STATUS) == ""
    t.close_dialog()


def case_start_with_a_path(t):
    t.start("C:\\data\\big.zip")
    assert t.text(PATH) == "C:\\data\\big.zip"
    t.close_dialog()


def case_drop_and_browse(t):
    """A drop gives the first of the dropped files. Browse starts from the
    typed path; cancelled it keeps that path, confirmed it gives the file
    chosen, in full."""
    first, second = t.path("first file.bin"), t.path("second.bin")
    for path in (first, second):
        sample(path, 10)
    t.start()
    t.send("drop", windows_path(first), windows_path(second), windows_path(t.path("third")))
    t.send("wait", "text", str(PATH), windows_path(first))
    typed = windows_path(t.path("typed.bin"))
    t.send("set", str(PATH), typed)
    t.send("click", str(BROWSE))
    t.send("wait", "window", "title=Open")
    t.shot("dravikon-browse")
    t.send("key", "esc")
    t.send("wait", "gone")
    t.dialog()
    assert t.text(PATH) == typed
    t.send("click", str(BROWSE))
    t.send("wait", "window", "title=Open")
    t.send("set", str(FILE_NAME), windows_path(second))
    t.send("click", "1")
    t.send("wait", "gone")
    t.dialog()
    assert t.text(PATH) == windows_path(second)
    t.close_dialog()


def case_media_set_the_size(t):
    """Each medium puts its own size in the disabled size control; "User
    defined size" enables it and keeps what the medium before it set."""
    t.start()
    for text, size in MEDIA_LIST[1:-1] + MEDIA_LIST[:1]:
        t.send("pick", str(MEDIA), text)
        assert t.text(SIZE_EDIT) == money(size), (text, t.text(SIZE_EDIT))
        t.send("wait", "disabled", str(SIZE))
    t.send("pick", str(MEDIA), '3½" floppy 720 kB')
    t.send("pick", str(MEDIA), USER)
    t.send("wait", "enabled", str(SIZE))
    assert t.text(SIZE_EDIT) == money(730112)
    t.send("pick", str(MEDIA), ZIP)
    t.send("wait", "disabled", str(SIZE))
    assert t.text(SIZE_EDIT) == money(100431872)
    t.close_dialog()


def case_user_size_in_kilobytes(t):
    """1.5 kB gives chunks of 1536 bytes. The stub dravikon.exe carries
    fills a first chunk by itself, so this copy carries a small stand-in."""
    if not t.host_bin:
        raise Skip("needs --host-bin for dravik-pack")
    stub = t.path("stub.bin")
    with open(stub, "wb") as f:
        f.write(b"MZ" + b"stand-in stub " * 20)
    program = t.path("dravikon.exe")
    bare = os.path.join(t.programs, "..", "bare", "dravikon-bare.exe")
    subprocess.run([os.path.join(t.host_bin, "dravik-pack"), bare, stub, program],
                   check=True, timeout=60)
    sample(t.path("Small.bin"), 5000)
    t.start(program=program)
    t.set_user_size("1.5", "kB")
    t.split(t.path("Small.bin"))
    text = t.box()
    count = int(re.fullmatch(r"Produced (\d+) file\.", text).group(1))
    assert count >= 3, text
    t.send("key", "enter")
    t.dialog()
    names = chunk_names("Small_parts", count)
    assert sorted(os.listdir(t.work)) == sorted(names + ["Small.bin", "dravikon.exe", "stub.bin"])
    assert [os.path.getsize(t.path(n)) for n in names[:-1]] == [1536] * (count - 1)
    check_set_lines(t, t.chunk_lines(), "Small_parts", 5000)
    t.close_dialog()


def case_split_three_chunks(t):
    """The 1.44 MB floppy: three chunk lines, "Produced 3 file.", the bar
    gone, Split back; the chunks beside the input, rebuilt by the stub under
    Wine and by the Linux joiner."""
    source = t.path("Big.bin")
    sample(source, 3000000)
    t.start()
    t.split(source)
    assert t.box() == "Produced 3 file."
    t.send("key", "enter")
    t.dialog()
    t.send("wait", "enabled", str(SPLIT))
    assert t.text(STATUS) == ""
    t.send("wait", "hidden", "0/1")
    check_set_lines(t, t.chunk_lines(), "Big_parts", 3000000)
    assert sorted(os.listdir(t.work)) == sorted(["Big.bin"] + chunk_names("Big_parts", 3))
    t.close_dialog()
    original = read(source)
    rebuild_with_stub(t, "Big_parts.exe", "Big.bin", original)
    rebuild_with_linux(t, "Big_parts.exe", "Big.bin", original)


# (what to do before Split, the box that ends the split, the label left in
# the status bar)
FAILURES = [
    ("empty path", lambda t: t.send("set", str(PATH), ""),
     "You must specify an input file first.", ""),
    ("missing file", lambda t: t.send("set", str(PATH), windows_path(t.path("none.bin"))),
     "Error reading input file.", "Operation aborted."),
    ("size 0", lambda t: (t.send("set", str(PATH), windows_path(t.path("In.bin"))),
                          t.set_user_size("0", "B")),
     "Output size is too small.", "Operation aborted."),
]


def case_failures(t):
    sample(t.path("In.bin"), 1000)
    t.start()
    for name, prepare, message, label in FAILURES:
        prepare(t)
        t.split()
        assert t.box() == message, name
        t.send("key", "enter")
        t.dialog()
        t.send("wait", "enabled", str(SPLIT))
        assert t.text(STATUS) == label, (name, t.text(STATUS))
        assert t.chunk_lines() == [], name
    assert sorted(os.listdir(t.work)) == ["In.bin"]
    t.close_dialog()


def case_copy_without_its_stub(t):
    program = t.path("dravikon.exe")
    shutil.copy(os.path.join(t.programs, "..", "bare", "dravikon-bare.exe"), program)
    sample(t.path("In.bin"), 1000)
    t.start(program=program)
    t.split(t.path("In.bin"))
    assert t.box() == "The application is corrupted. A part of it is missing."
    t.send("key", "enter")
    t.dialog()
    assert t.text(STATUS) == "Operation aborted."
    t.close_dialog()


def case_overwrite_prompt(t):
    """An existing chunk: "&No" aborts; "Yes To &All" overwrites the rest
    of that split without asking, and the next split asks again."""
    source = t.path("Big.bin")
    sample(source, 3000000)
    t.start()
    t.split(source)
    assert t.box() == "Produced 3 file."
    t.send("key", "enter")
    t.dialog()
    t.send("wait", "enabled", str(SPLIT))
    # Damaged chunks, which the overwriting split must write anew.
    for name in ("Big_parts.000", "Big_parts.001"):
        with open(t.path(name), "wb") as f:
            f.write(b"old")
    prompt = (f"The file {windows_path(t.path('Big_parts.exe'))} already exists. "
              "Overwrite it?")
    t.split()
    t.send("wait", "window", f"title={APP}", "control=4")
    assert t.text(1) == prompt
    t.shot("dravikon-overwrite")
    t.send("click", "3")  # &No
    t.answer("The operation has been aborted.")
    assert t.text(STATUS) == "Operation aborted."
    t.send("wait", "enabled", str(SPLIT))
    t.split()
    t.send("wait", "window", f"title={APP}", "control=4")
    assert t.text(1) == prompt
    t.send("click", "4")  # Yes To &All
    assert t.box() == "Produced 3 file."
    t.send("key", "enter")
    t.dialog()
    t.send("wait", "enabled", str(SPLIT))
    t.split()
    t.send("wait", "window", f"title={APP}", "control=4")
    assert t.text(1) == prompt
    t.send("click", "4")
    assert t.box() == "Produced 3 file."
    t.send("key", "enter")
    t.close_dialog()
    rebuild_with_stub(t, "Big_parts.exe", "Big.bin", read(source))


def case_about_box(t):
    t.start()
    menu = t.lines("sysmenu")
    assert menu[-2:] == ["menu separator", 'menu 16 "About Dravikon..."'], menu
    t.send("sysmenu", "About Dravikon...")
    t.send("wait", "window", "title=About Dravikon")
    t.send("hover", "1")
    assert t.send("wait", "ink", "1015", "#0000ff underlined")
    assert t.send("wait", "ink", "1016", "#0000ff underlined")
    t.shot("dravikon-about")
    t.send("key", "enter")
    t.send("wait", "gone")
    t.close_dialog()


def big_split(t, size=300 * 1024 * 1024):
    """Starts splitting a large file for the 1.44 MB floppy; returns when
    the first chunks are listed, the split still running."""
    source = t.path("Long.bin")
    with open(source, "wb") as f:
        block = random.Random(5).randbytes(1 << 20)
        for _ in range(size >> 20):
            f.write(block)
    t.start()
    t.split(source)
    t.send("wait", "disabled", str(SPLIT))
    deadline = time.time() + 120
    while len(t.items(CHUNKS)) < 3:
        assert time.time() < deadline, "no chunk lines"
        time.sleep(0.05)
    return size


def check_stopped_set(t, size):
    """Every chunk file left is whole: a chunk the stop cut is removed."""
    names = sorted(n for n in os.listdir(t.work) if n.startswith("Long_parts."))
    total = -(-size // 1457600)
    assert 0 < len(names) < total, f"{len(names)} chunk files: the split was not stopped"
    assert all(os.path.getsize(t.path(n)) == 1457664 for n in names), \
        [(n, os.path.getsize(t.path(n))) for n in names]
    assert names == sorted(chunk_names("Long_parts", len(names)))
    # Hundreds of megabytes a person looking at a failure does not need.
    for name in names + ["Long.bin"]:
        os.remove(t.path(name))


def case_split_disabled_while_running_then_closed(t):
    """Split is disabled during a split; the close box in the middle of it
    stops the worker and ends the program."""
    size = big_split(t)
    t.send("wait", "disabled", str(SPLIT))
    t.shot("dravikon-split")
    t.send("close")
    t.send("wait", "exit")
    check_stopped_set(t, size)


def case_escape_in_the_middle_of_a_split(t):
    size = big_split(t)
    t.send("key", "esc")
    t.send("wait", "exit")
    check_stopped_set(t, size)


CASES = [v for k, v in sorted(globals().items()) if k.startswith("case_")]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--programs", help="folder of the dravikon.exe under test")
    parser.add_argument("--host-bin", help="the Linux programs: dravikx, dravik-pack")
    parser.add_argument("-k", action="append", default=[])
    args = parser.parse_args()
    args.build = os.path.abspath(args.build)
    args.programs = os.path.abspath(args.programs or os.path.join(args.build, "bin"))
    args.host_bin = os.path.abspath(args.host_bin) if args.host_bin else None
    passed = failed = 0
    for case in CASES:
        name = case.__name__[len("case_"):]
        if args.k and not any(k in name for k in args.k):
            continue
        t = Context(args, name)
        try:
            case(t)
            passed += 1
            print(f"ok   {name}", flush=True)
        except Skip as why:
            print(f"skip {name}: {why}")
        except Exception:
            failed += 1
            print(f"FAIL {name}", flush=True)
            traceback.print_exc()
        finally:
            t.finish()
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
