#!/usr/bin/env python3
"""End-to-end cases of the joiner: sets written by dravik, damaged sets and
crafted sets, each run through a front end of the joiner, whose messages (the
texts of its boxes, in order), exit code and written files are compared.

usage: test_joiner.py --bin BUILD/bin [--front linux]
       test_joiner.py --bin WINBUILD/bin --front windows [--host-bin BUILD/bin]
The Windows front runs the stub dravikx.exe under Wine (the harness of
tests/wine must be started for WINBUILD) and reads its boxes through the UI
driver; sets are written there by dravik.exe, which carries that stub. With
--host-bin it also rebuilds sets written by the Linux dravik under Wine, and
sets written by dravik.exe with the Linux joiner."""
import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "wine"))
import chunkset  # noqa: E402
import uidriver  # noqa: E402
from uidriver import windows_path  # noqa: E402

MISSING = "Missing one or more file chunks. The file is not complete."
BAD_CHUNK = "Invalid chunk. The file is not complete."
BAD_NAME = "Invalid file name in the chunk set."
NO_DATA = "Could not get file data."


class Skip(Exception):
    """A case that does not apply to this front end."""


class LinuxFront:
    """The Linux terminal joiner: messages are its lines on standard error."""

    # The programs of a cross build (32-bit x86) run through this emulator.
    emulator = None

    def __init__(self, bin_dir, host_bin=None):
        self.joiner = self.program(bin_dir, "dravikx")

    def split_command(self, bin_dir, source, size):
        return [self.program(bin_dir, "dravik"), source, size, "-y"]

    def program(self, bin_dir, name):
        """The program's path, or a script that runs it through the emulator."""
        path = os.path.join(bin_dir, name)
        if not self.emulator:
            return path
        script = os.path.join(bin_dir, name + ".emulated")
        if not os.path.exists(script):
            with open(script, "w") as f:
                f.write(f'#!/bin/sh\nexec {self.emulator} "{path}" "$@"\n')
            os.chmod(script, 0o755)
        return script

    def run(self, first, cwd, force, boxes):
        options = ["--force"] if force else []
        result = subprocess.run([self.joiner] + options + [first], cwd=cwd, stdin=subprocess.DEVNULL,
                                capture_output=True, timeout=120)
        return result.stderr.decode(errors="replace").splitlines(), result.returncode

    def success_code(self):
        return 0

    def path_text(self, path):
        return path


class WindowsFront:
    """The Windows stub, run by double-click semantics under Wine: the UI
    driver starts the first chunk in a working folder, reads each box's text
    and presses OK, and reports the exit code. The script expects as many
    boxes as the case does: a missing box fails its wait, an extra one makes
    the final wait for the exit fail."""

    CAPTION = "Dravikon Self-Extractor"

    def __init__(self, bin_dir, host_bin=None):
        self.bin_dir = bin_dir
        self.build = os.path.dirname(bin_dir)
        self.host_bin = host_bin

    def split_command(self, bin_dir, source, size):
        return [uidriver.RUN, self.build, os.path.join(bin_dir, "dravik.exe"), windows_path(source),
                size, "-y"]

    def run(self, first, cwd, force, boxes):
        # The stub asks nothing: it replaces an existing file once the
        # rebuilt one has passed every check, as --force does on Linux.
        script = ["timeout 60", f'cd "{windows_path(cwd)}"', f'start "{windows_path(first)}"']
        for _ in range(boxes):
            # A box has an OK button (1); the progress dialog has none.
            script += [f'wait window title="{self.CAPTION}" control=1', "text 65535", "click 1"]
        script.append("wait exit")
        texts, code = [], None
        for line in uidriver.run_script(self.build, script):
            if line.startswith("text 65535 "):
                texts.append(uidriver.unquote(line[len("text 65535 "):]))
            elif line.startswith("exit "):
                code = int(line.split()[1])
            elif line.startswith("fail "):
                texts.append(line)
        if code is None:  # a box the script did not expect may still be open
            subprocess.run([uidriver.RUN, self.build, "taskkill", "/F", "/IM", os.path.basename(first)],
                           capture_output=True, timeout=60)
        return texts, code

    def success_code(self):
        return 1  # the stub's fixed exit code

    def path_text(self, path):
        return windows_path(path)


FRONTS = {"linux": LinuxFront, "windows": WindowsFront}


class Context:
    """A scratch folder with `src` (inputs), `set` (chunks) and `out` (where
    the joiner runs), and the programs under test."""

    def __init__(self, bin_dir, front):
        self.bin_dir = bin_dir
        self.front = front
        self.windows = isinstance(front, WindowsFront)
        self.root = tempfile.mkdtemp(prefix="dravik-join-")
        for sub in ("src", "set", "out"):
            os.makedirs(os.path.join(self.root, sub))
        self.stub = self.dravik_stub()

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def dravik_stub(self):
        name = "dravik.exe" if self.windows else "dravik"
        with open(os.path.join(self.bin_dir, name), "rb") as f:
            _, entries = chunkset.read_archive(f.read())
        return entries[0][1]

    def chunk_size(self, data_per_chunk):
        """A chunk size that gives later chunks of a set of "big.zip" about
        `data_per_chunk` data bytes, whatever the stub's length."""
        return len(self.stub) + 111 + 7 + 7 + data_per_chunk

    def split(self, data, data_per_chunk, name="big.zip", command=None):
        """Splits `data` into the `set` folder, with the front end's splitter
        or with `command` (a list to which the input and the size are added)."""
        source = self.path("src", name)
        with open(source, "wb") as f:
            f.write(data)
        size = str(self.chunk_size(data_per_chunk))
        if command:
            command = command + [source, size, "-y"]
        else:
            command = self.front.split_command(self.bin_dir, source, size)
        result = subprocess.run(command, cwd=self.path("set"), capture_output=True,
                                stdin=subprocess.DEVNULL)
        assert result.returncode == 0, result.stdout.decode()
        return sorted(os.listdir(self.path("set")), key=lambda n: (not n.endswith(".exe"), n))

    def run(self, first="big.exe", cwd=None, force=False):
        """The run a case expects; it happens in expect, which knows how many
        boxes to answer. `force`: the Linux joiner may replace an existing
        file (the stub always may)."""
        return self.path("set", first), cwd or self.path("out"), force

    def expect(self, run, messages, success=False, partial=None):
        """`partial`: the file a failed run leaves in its folder with what it
        wrote (the Linux joiner names it after its messages); no other
        partial file may appear."""
        cwd = run[1]
        before = set(os.listdir(cwd))
        texts, code = self.front.run(*run, len(messages))
        expected = list(messages)
        if partial and not self.windows:
            expected.append(f"Partial file kept: {partial}")
        assert texts == expected, f"messages {texts!r}, expected {expected!r}"
        wanted = self.front.success_code() if success else 1
        assert code == wanted, f"exit code {code}, expected {wanted}"
        left = sorted(n for n in set(os.listdir(cwd)) - before if ".partial" in n)
        assert left == ([partial] if partial else []), f"partial files {left!r}, expected {partial!r}"

    def output(self, name="big.zip", folder="out"):
        path = self.path(folder, name)
        if not os.path.exists(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    def write(self, folder, name, data):
        with open(self.path(folder, name), "wb") as f:
            f.write(data)

    def close(self):
        shutil.rmtree(self.root, ignore_errors=True)


def sample(size, seed=1):
    import random
    return random.Random(seed).randbytes(size)


# Round trips.

def case_multi_chunk_round_trip(t):
    data = sample(700000)
    names = t.split(data, 200000)
    assert len(names) >= 3, names
    t.expect(t.run(cwd=t.path("set")), ["big.zip written with success."], success=True)
    assert t.output(folder="set") == data


def case_single_chunk_needs_no_other_file(t):
    data = sample(1000)
    assert t.split(data, 200000) == ["big.exe"]
    t.expect(t.run(), ["big.zip written with success."], success=True)
    assert t.output() == data


def case_output_lands_in_the_current_folder(t):
    data = sample(300000)
    t.split(data, 100000)
    t.expect(t.run(cwd=t.path("out")), ["big.zip written with success."], success=True)
    assert t.output() == data
    assert t.output(folder="set") is None


def case_empty_file(t):
    t.write("set", "big.exe", chunkset.first_chunk(t.stub, b"empty.txt", b"", b"", b"big.000"))
    t.expect(t.run(), ["empty.txt written with success."], success=True)
    assert t.output("empty.txt") == b""


def case_output_never_overwrites_its_own_set(t):
    # "data.000" is split into data.exe, data.000 (chunk 1), data.001: rebuilt
    # in the chunks' folder it would land on its own chunk 1.
    data = sample(500000)
    names = t.split(data, 200000, name="data.000")
    assert names == ["data.exe", "data.000", "data.001"], names
    before = open(t.path("set", "data.000"), "rb").read()
    t.expect(t.run("data.exe", cwd=t.path("set"), force=True),
             ["Could not create output file. data.000 is a file of this chunk set."],
             partial="data.000.partial")
    assert open(t.path("set", "data.000"), "rb").read() == before
    t.expect(t.run("data.exe"), ["data.000 written with success."], success=True)
    assert t.output("data.000") == data



def case_renamed_first_chunk_never_overwrites_its_set(t):
    # Files are told apart by identity, not by name: "data.000" is still the
    # set's chunk 1 when the first chunk is called setup.exe.
    data = sample(500000)
    assert t.split(data, 200000, name="data.000") == ["data.exe", "data.000", "data.001"]
    os.rename(t.path("set", "data.exe"), t.path("set", "setup.exe"))
    before = {n: t.output(n, folder="set") for n in ("data.000", "data.001")}
    t.expect(t.run("setup.exe", cwd=t.path("set"), force=True),
             ["Could not create output file. data.000 is a file of this chunk set."],
             partial="data.000.partial")
    assert {n: t.output(n, folder="set") for n in before} == before
    t.expect(t.run("setup.exe"), ["data.000 written with success."], success=True)
    assert t.output("data.000") == data


def case_existing_file_is_replaced_only_by_a_verified_join(t):
    # The user's own report.dat (perhaps a newer version), and a file that
    # happens to bear the partial name: a set that fails touches neither.
    data = sample(500000)
    t.split(data, 200000, name="report.dat")
    mine, other = sample(1234, seed=2), b"not the joiner's"
    t.write("out", "report.dat", mine)
    t.write("out", "report.dat.partial", other)
    missing = t.path("set", "report.001")
    os.rename(missing, missing + ".away")
    t.expect(t.run("report.exe", force=True), [f"Error reading {t.front.path_text(missing)}.", MISSING],
             partial="report.dat.partial-2")
    assert t.output("report.dat") == mine and t.output("report.dat.partial") == other
    assert data.startswith(t.output("report.dat.partial-2"))
    os.rename(missing + ".away", missing)
    t.expect(t.run("report.exe", force=True), ["report.dat written with success."], success=True)
    assert t.output("report.dat") == data and t.output("report.dat.partial") == other


def linux_only(t, why="the stub takes no command line and asks nothing"):
    if t.windows:
        raise Skip(why)


def joiner(t, args, cwd=None):
    """The Linux joiner run with `args`: (exit code, stdout lines, stderr lines)."""
    result = subprocess.run([t.front.joiner] + args, cwd=cwd or t.path("out"), capture_output=True,
                            stdin=subprocess.DEVNULL, timeout=120)
    return (result.returncode, result.stdout.decode(errors="replace").splitlines(),
            result.stderr.decode(errors="replace").splitlines())


def case_command_line_of_the_linux_joiner(t):
    linux_only(t)
    data = sample(300000)
    t.split(data, 100000)
    t.write("out", "big.zip", b"mine")
    usage = "usage: dravikx [OPTION]... [FIRST-CHUNK]"
    first = t.path("set", "big.exe")
    version = re.search(r"project\(Dravikon VERSION (\S+)",
                        open(os.path.join(HERE, "..", "..", "CMakeLists.txt")).read()).group(1)
    # (arguments, exit code, the stream that speaks, its first line, the
    # second line of standard error or None, big.zip afterwards)
    table = [
        ([first], 1, "err", "big.zip already exists. Run again with --force to replace it.", None,
         b"mine"),
        (["--help"], 0, "out", usage, None, b"mine"),
        (["-h", "--bogus"], 2, "err", "dravikx: unknown option '--bogus'", usage, b"mine"),
        (["-h", first], 0, "out", usage, None, b"mine"),
        (["--version"], 0, "out", f"dravikx (Dravikon) {version}", None, b"mine"),
        (["-V"], 0, "out", f"dravikx (Dravikon) {version}", None, b"mine"),
        (["--bogus", first], 2, "err", "dravikx: unknown option '--bogus'", usage, b"mine"),
        (["-x"], 2, "err", "dravikx: unknown option '-x'", usage, b"mine"),
        ([first, first], 2, "err", f"dravikx: one first chunk only: '{first}'", usage, b"mine"),
        (["missing.exe"], 2, "err", "dravikx: no such file: 'missing.exe'", usage, b"mine"),
        (["--", "-f"], 2, "err", "dravikx: no such file: '-f'", usage, b"mine"),
        ([first, "-C"], 2, "err", "dravikx: option '-C' needs a folder", usage, b"mine"),
        (["-C", "nowhere", first], 2, "err", "dravikx: no such folder: 'nowhere'", usage, b"mine"),
        (["-l", first], 0, "out", "File: big.zip", None, b"mine"),
        (["--list", "--test", first], 0, "out", "File: big.zip", None, b"mine"),
        (["-t", first], 0, "out", "big.exe: chunk 0, 100000 bytes, ok", None, b"mine"),
        ([first, "-f"], 0, "err", "big.zip written with success.", None, data),
    ]
    for args, code, stream, line, second, after in table:
        got, out, err = joiner(t, args)
        lines = out if stream == "out" else err
        assert (got, lines[:1]) == (code, [line]), (args, got, out, err)
        if second:
            assert err[1] == second, (args, err)
        if stream == "out":
            assert err == [], (args, err)
        assert sorted(os.listdir(t.path("out"))) == ["big.zip"] and t.output() == after, args


def case_list_shows_the_stored_file(t):
    linux_only(t)
    data = sample(300000)
    t.split(data, 100000)
    os.remove(t.path("set", "big.000"))  # --list reads no later chunk
    code, out, err = joiner(t, ["--list", t.path("set", "big.exe")])
    assert (code, err) == (0, []), (code, err)
    assert out == ["File: big.zip", "Size: 300000 bytes", "CRC-32: %08X" % chunkset.crc32(data)], out
    t.write("set", "bad.exe", t.stub + b"no payload here")
    assert joiner(t, ["-l", t.path("set", "bad.exe")]) == (1, [], [NO_DATA])


def case_directory_option_writes_elsewhere(t):
    linux_only(t)
    data = sample(300000)
    t.split(data, 100000)
    os.makedirs(t.path("elsewhere"))
    # A first chunk named from the current folder is still found after -C.
    for args, partial in ((["-C", "../elsewhere", "../set/big.exe"], None),
                          (["--directory=../elsewhere", "-f", "../set/big.exe"], None)):
        code, out, err = joiner(t, args)
        assert (code, err) == (0, ["big.zip written with success."]), (args, code, err)
        assert t.output(folder="elsewhere") == data and os.listdir(t.path("out")) == []
    assert sorted(os.listdir(t.path("elsewhere"))) == ["big.zip"]


def folder_state(t, *folders):
    """Names and bytes of every file in `folders`: what a run must leave as it was."""
    state = {}
    for folder in folders:
        for name in sorted(os.listdir(t.path(folder))):
            state[(folder, name)] = t.output(name, folder=folder)
    return state


def case_test_mode_names_every_bad_chunk(t):
    linux_only(t, "the stub has no test mode")
    # Four chunks, whatever the stub's length: the first holds 100000 data
    # bytes, the later ones a chunk less their next name and header.
    later = t.chunk_size(100000) - len("big.001") - 1 - 12
    data = sample(100000 + 2 * later + 50000)

    def fresh_set():
        for name in os.listdir(t.path("set")):
            os.remove(t.path("set", name))
        names = t.split(data, 100000)
        assert names == ["big.exe", "big.000", "big.001", "big.002"], names

    def remove_chunk_2():
        os.remove(t.path("set", "big.001"))

    def swap_chunks_1_and_2():
        a, b = t.path("set", "big.000"), t.path("set", "big.001")
        os.rename(a, a + ".x")
        os.rename(b, a)
        os.rename(a + ".x", b)

    def flip_a_byte_in_chunk_3():
        with open(t.path("set", "big.002"), "r+b") as f:
            f.seek(5000)
            byte = f.read(1)
            f.seek(-1, os.SEEK_CUR)
            f.write(bytes([byte[0] ^ 0x40]))

    names = ["big.exe", "big.000", "big.001", "big.002"]
    would = f"big.zip: {len(data)} bytes in 4 chunks, every check passed: the set would rebuild."
    # (damage, the state of each chunk, exit code, verdict)
    table = [
        (None, ["ok"] * 4, 0, would),
        (remove_chunk_2, ["ok", "ok", "missing", "ok"], 1,
         "big.zip: 1 of 4 chunks missing or damaged (big.001): the set would not rebuild."),
        (swap_chunks_1_and_2, ["ok", "holds chunk 2 instead", "holds chunk 1 instead", "ok"], 1,
         "big.zip: 2 of 4 chunks missing or damaged (big.000, big.001): the set would not rebuild."),
        (flip_a_byte_in_chunk_3, ["ok", "ok", "ok", "checksum does not match"], 1,
         "big.zip: 1 of 4 chunks missing or damaged (big.002): the set would not rebuild."),
    ]
    for damage, states, code, verdict in table:
        fresh_set()
        if damage:
            damage()
        t.write("out", "big.zip", b"mine")
        before = folder_state(t, "set", "out")
        for option in ("--test", "-t"):
            got, out, err = joiner(t, [option, t.path("set", "big.exe")])
            what = (damage and damage.__name__, option, out, err)
            assert (got, err) == (code, []), what
            assert len(out) == 5 and out[-1] == verdict, what
            for i, (line, name, state) in enumerate(zip(out, names, states)):
                assert line.startswith(f"{name}: chunk {i}, ") and line.endswith(state), what
            assert folder_state(t, "set", "out") == before, what


def case_force_replaces_only_with_the_option(t):
    linux_only(t)
    data = sample(300000)
    t.split(data, 100000)
    t.write("out", "big.zip", b"mine")
    first = t.path("set", "big.exe")
    assert joiner(t, [first]) == (1, [], ["big.zip already exists. Run again with --force to replace it."])
    assert t.output() == b"mine" and os.listdir(t.path("out")) == ["big.zip"]
    for option in ("--force", "-f"):
        t.write("out", "big.zip", b"mine")
        assert joiner(t, [option, first]) == (0, [], ["big.zip written with success."]), option
        assert t.output() == data and os.listdir(t.path("out")) == ["big.zip"]


def case_chunks_that_are_not_regular_files(t):
    # A folder where a chunk should be; on Linux also a pipe, whose open
    # would wait for a writer for ever.
    t.split(sample(300000), 100000)
    chunk = t.path("set", "big.001")
    os.remove(chunk)
    os.mkdir(chunk)
    reading = f"Error reading {t.front.path_text(chunk)}."
    t.expect(t.run(), [reading, MISSING], partial="big.zip.partial")
    if t.windows:
        return
    os.rmdir(chunk)
    os.mkfifo(chunk)
    t.expect(t.run(), [reading, MISSING], partial="big.zip.partial-2")
    os.mkfifo(t.path("set", "pipe.exe"))
    t.expect(t.run("pipe.exe"), [NO_DATA])


def case_large_file_without_archive_is_not_read_whole(t):
    if t.windows:
        raise Skip("memory is measured on Linux")
    path = t.path("set", "big.exe")
    with open(path, "wb") as f:
        f.truncate(400 << 20)  # sparse: no disk space used
    t.expect(t.run(), [NO_DATA])
    probe = ("import resource, subprocess, sys; subprocess.run(sys.argv[1:], capture_output=True); "
             "print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)")
    peak = subprocess.run([sys.executable, "-c", probe, t.front.joiner, path], cwd=t.path("out"),
                          capture_output=True, timeout=120, check=True)
    kib = int(peak.stdout)
    assert kib < 128 << 10, f"{kib} KiB resident for a file without an archive"


# Damaged sets.

def case_missing_chunk(t):
    data = sample(700000)
    t.split(data, 200000)
    os.remove(t.path("set", "big.001"))
    path = t.front.path_text(t.path("set", "big.001"))
    t.expect(t.run(), [f"Error reading {path}.", MISSING], partial="big.zip.partial")
    written = t.output("big.zip.partial")
    assert written is not None and data.startswith(written) and len(written) < len(data)
    assert t.output() is None


def case_swapped_chunks(t):
    t.split(sample(700000), 200000)
    a, b = t.path("set", "big.000"), t.path("set", "big.001")
    os.rename(a, a + ".x")
    os.rename(b, a)
    os.rename(a + ".x", b)
    t.expect(t.run(), ["Invalid file chunk sequence (1).", MISSING], partial="big.zip.partial")


def case_flipped_data_byte(t):
    # The second run finds the first one's partial file and takes the next name.
    for chunk, index, partial in (("big.001", 2, "big.zip.partial"), ("big.exe", 0, "big.zip.partial-2")):
        t.split(sample(700000), 200000)
        path = t.path("set", chunk)
        with open(path, "r+b") as f:
            f.seek(-5000 if chunk == "big.exe" else 5000, os.SEEK_END if chunk == "big.exe" else 0)
            byte = f.read(1)
            f.seek(-1, os.SEEK_CUR)
            f.write(bytes([byte[0] ^ 0x40]))
        t.expect(t.run(), [f"Invalid chunk checksum ({index}).", BAD_CHUNK], partial=partial)


def case_wrong_whole_file_checksum(t):
    data = sample(5000)
    t.write("set", "big.exe", chunkset.first_chunk(t.stub, b"big.zip", data, data, b"big.000",
                                                   file_crc=12345))
    t.expect(t.run(), ["Invalid checksum."], partial="big.zip.partial")
    assert t.output("big.zip.partial") == data and t.output() is None


def case_first_chunk_without_archive(t):
    t.write("set", "big.exe", t.stub + b"no payload here")
    t.expect(t.run(), [NO_DATA])
    assert os.listdir(t.path("out")) == []


def case_chunk_cut_inside_header_or_name(t):
    for keep, partial in ((len("big.001") + 1 + 5, "big.zip.partial"), (3, "big.zip.partial-2")):
        t.split(sample(700000), 200000)
        path = t.path("set", "big.000")
        with open(path, "r+b") as f:
            f.truncate(keep)
        t.expect(t.run(), [f"Error reading {t.front.path_text(path)}.", BAD_CHUNK], partial=partial)


# Crafted sets: nothing may be written outside the current folder, nor read
# outside the first chunk's folder.

def case_crafted_output_names(t):
    data = sample(100)
    for name in (b"../evil.txt", b"..\\evil.txt", b"sub/evil.txt", b"C:evil.txt", b"/tmp/evil.txt",
                 b"", b"..", b".", b"bad\x01name", b"bad\x7fname", b"csi\xc2\x9b2Jname"):
        t.write("set", "big.exe", chunkset.first_chunk(t.stub, name, data, data, b"big.000"))
        t.expect(t.run(), [BAD_NAME])
        assert os.listdir(t.path("out")) == [], name
        assert not os.path.exists(t.path("evil.txt")) and not os.path.exists("/tmp/evil.txt")


def case_plain_names_that_look_odd_are_fine(t):
    data = sample(100)
    for name in ("my..file.zip", "n" * 200, "spaces and, commas.txt", ".hidden"):
        t.write("set", "big.exe", chunkset.first_chunk(t.stub, name.encode(), data, data, b"big.000"))
        t.expect(t.run(), [f"{name} written with success."], success=True)
        assert t.output(name) == data


def case_non_ascii_name_comes_back_as_written(t):
    # Linux writes names as UTF-8; the Windows programs ask for the UTF-8
    # code page in their manifests, so the stub's file calls take them as
    # they are (Windows 10 1903 and later; older Windows and a Wine that
    # ignores the setting give the name in their own code page).
    name = "Grüße-café.txt"
    data = sample(100)
    t.write("set", "big.exe", chunkset.first_chunk(t.stub, name.encode(), data, data, b"big.000"))
    texts, code = t.front.run(*t.run(), 1)
    assert code == t.front.success_code(), f"exit {code}: {texts!r}"
    assert os.listdir(t.path("out")) == [name], os.listdir(t.path("out"))
    assert t.output(name) == data


def case_name_in_a_windows_code_page_comes_back_as_stored(t):
    # Not UTF-8: "café" in Windows-1252, as an older Windows splitter stores
    # it. Linux takes any bytes but '/' in a name: the file keeps them.
    linux_only(t, "Windows reads such a name in its own code page")
    name = b"caf\xe9 \x80.txt"
    data = sample(100)
    t.write("set", "big.exe", chunkset.first_chunk(t.stub, name, data, data, b"big.000"))
    texts, code = t.front.run(*t.run(), 1)
    assert code == 0, texts
    assert os.listdir(t.path("out").encode()) == [name]
    with open(os.path.join(t.path("out").encode(), name), "rb") as f:
        assert f.read() == data


def case_crafted_next_chunk_names(t):
    os.makedirs(t.path("other"))
    data = sample(3000)
    piece = data[1000:]
    t.write("other", "big.000", chunkset.later_chunk(b"big.001", piece, 1))
    # in the first chunk's payload
    t.write("set", "big.exe", chunkset.first_chunk(t.stub, b"big.zip", data[:1000], data,
                                                   b"../other/big.000"))
    t.expect(t.run(), [BAD_NAME])
    assert os.listdir(t.path("out")) == []
    # stored at the start of a later chunk
    t.write("set", "big.exe", chunkset.first_chunk(t.stub, b"big.zip", data[:1000], data,
                                                   b"big.000"))
    t.write("set", "big.000", chunkset.later_chunk(b"../other/big.001", data[1000:2000], 1))
    t.expect(t.run(), [BAD_NAME, BAD_CHUNK], partial="big.zip.partial")
    long_name = b"n" * 300
    t.write("set", "big.000", chunkset.later_chunk(long_name, data[1000:2000], 1))
    t.expect(t.run(), [BAD_NAME, BAD_CHUNK], partial="big.zip.partial-2")


def case_crafted_oversize_entries(t):
    data = sample(100)
    good = chunkset.first_chunk(t.stub, b"big.zip", data, data, b"big.000")
    head, entries = chunkset.read_archive(good)
    for index, content in ((0, b"n" * 299 + b"\0"), (0, b"no terminator"), (1, b"123456789"),
                           (2, b"m" * 299 + b"\0"), (3, b"0123456789abc"), (3, b"short")):
        crafted = list(entries)
        crafted[index] = (entries[index][0], content)
        t.write("set", "big.exe", chunkset.archive(head, crafted))
        t.expect(t.run(), [NO_DATA])
        assert os.listdir(t.path("out")) == []


def case_crafted_lengths(t):
    data = sample(5000)
    # chunk 0 declares more data than the whole file
    bad = chunkset.first_chunk(t.stub, b"big.zip", data, data[:100], b"big.000")
    t.write("set", "big.exe", bad)
    t.expect(t.run(), [BAD_CHUNK])
    assert os.listdir(t.path("out")) == []
    # a later chunk declares more data than is still missing
    t.write("set", "big.exe", chunkset.first_chunk(t.stub, b"big.zip", data[:1000], data[:2000],
                                                   b"big.000"))
    t.write("set", "big.000", chunkset.later_chunk(b"big.001", data[1000:3000], 1))
    t.expect(t.run(), [BAD_CHUNK], partial="big.zip.partial")
    # a later chunk holds fewer bytes than its header says
    chunk = chunkset.later_chunk(b"big.001", data[1000:2000], 1)
    t.write("set", "big.000", chunk[:-10])
    t.expect(t.run(), ["Invalid chunk checksum (1).", BAD_CHUNK], partial="big.zip.partial-2")


def case_large_file_record(t):
    # The 16-byte record of inputs of 4 GiB and more (crc, u64 size, four
    # zero bytes) is read whatever size it holds; a size the chunks do not
    # add up to is refused with the messages of any other wrong size.
    data = sample(5000)
    crc = chunkset.crc32(data)

    def write_set(record, first=3000):
        head, entries = chunkset.read_archive(
            chunkset.first_chunk(t.stub, b"big.zip", data[:first], data, b"big.000"))
        entries[1] = (entries[1][0], record)
        t.write("set", "big.exe", chunkset.archive(head, entries))
        t.write("set", "big.000", chunkset.later_chunk(b"big.001", data[first:], 1))

    write_set(struct.pack("<IQI", crc, len(data), 0))
    t.expect(t.run(), ["big.zip written with success."], success=True)
    assert t.output() == data
    os.remove(t.path("out", "big.zip"))
    # 4 GiB more than the chunks hold: the low 32 bits of the size agree
    # with them, so a joiner that kept 32 bits would end after big.000.
    write_set(struct.pack("<IQI", crc, (1 << 32) + len(data), 0))
    missing = t.front.path_text(t.path("set", "big.001"))
    t.expect(t.run(), [f"Error reading {missing}.", MISSING], partial="big.zip.partial")
    # less than chunk 0 holds
    write_set(struct.pack("<IQI", crc, 2999, 0))
    t.expect(t.run(), [BAD_CHUNK])
    # a reserved byte that is not 0, and a record of neither length
    for record in (struct.pack("<IQI", crc, len(data), 1), struct.pack("<IQ", crc, len(data))):
        write_set(record)
        t.expect(t.run(), [NO_DATA])
    assert sorted(os.listdir(t.path("out"))) == ["big.zip.partial"]


# Sets written on one system and rebuilt on the other, and the stub's
# progress dialog: under Wine only.

def needs_wine_and_linux(t):
    if not t.windows or not t.front.host_bin:
        raise Skip("needs the Windows front and --host-bin")


def case_set_written_on_linux_rebuilds_under_wine(t):
    needs_wine_and_linux(t)
    # The Linux dravik carries the stub of the shipped Windows build; here it
    # carries this build's stub, the one this Wine runs.
    dravik = t.path("dravik")
    subprocess.run([os.path.join(t.front.host_bin, "dravik-pack"),
                    os.path.join(t.front.host_bin, "dravik"),
                    os.path.join(t.bin_dir, "dravikx.exe"), dravik], check=True)
    data = sample(700000, seed=7)
    names = t.split(data, 200000, command=[dravik])
    assert len(names) >= 3 and names[0] == "big.exe", names
    # as a double-click runs it: in the chunks' folder
    t.expect(t.run(cwd=t.path("set")), ["big.zip written with success."], success=True)
    assert t.output(folder="set") == data


def case_set_written_on_windows_rebuilds_on_linux(t):
    needs_wine_and_linux(t)
    data = sample(700000, seed=8)
    t.split(data, 200000)
    result = subprocess.run([os.path.join(t.front.host_bin, "dravikx"), t.path("set", "big.exe")],
                            cwd=t.path("out"), capture_output=True, stdin=subprocess.DEVNULL,
                            timeout=120)
    assert result.stderr.decode().splitlines() == ["big.zip written with success."], result.stderr
    assert result.returncode == 0
    assert t.output() == data


def case_progress_dialog_ignores_cancel_and_close(t):
    """A run long enough to watch: the dialog names the chunk it reads and
    moves its bar; Cancel and the close box change nothing; the screen is
    saved as screenshots/selfextract-progress.png of the Windows build."""
    if not t.windows:
        raise Skip("the Linux joiner has no dialog")
    block = sample(1 << 20, seed=9)
    data = b"".join(bytes([i & 0xFF]) + block[1:] for i in range(400))
    t.split(data, 80 << 20)
    caption = "title=" + t.front.CAPTION
    with uidriver.Driver(t.front.build) as driver:
        driver.send("timeout", "120")
        driver.send("cd", windows_path(t.path("out")))
        driver.send("start", windows_path(t.path("set", "big.exe")))
        driver.send("wait", "window", caption, "control=1000")
        driver.send("wait", "text", "1001", "File chunk #2")
        driver.send("click", "2")
        driver.send("close")
        assert driver.send("wait", "text", "1001", "File chunk #3") == 'text 1001 "File chunk #3"'
        assert driver.send("title") == f'title "{t.front.CAPTION}"'
        uidriver.screenshot(t.front.build, "selfextract-progress")
        driver.send("wait", "window", caption, "control=1")
        assert driver.send("text", "65535") == 'text 65535 "big.zip written with success."'
        driver.send("click", "1")
        assert driver.send("wait", "exit") == "exit 1"
    assert t.output() == data


CASES = [v for k, v in sorted(globals().items()) if k.startswith("case_")]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    parser.add_argument("--front", default="linux", choices=sorted(FRONTS))
    parser.add_argument("--host-bin", help="the Linux programs, for the Windows front")
    parser.add_argument("--programs", help="the splitter and stub under test, if not those of --bin "
                        "(the shipped Windows build, run in --bin's Wine prefix)")
    parser.add_argument("--emulator", help="runs the Linux programs of a cross build")
    parser.add_argument("-k", action="append", default=[],
                        help="run only cases whose name contains this (may be repeated)")
    args = parser.parse_args()
    host_bin = os.path.abspath(args.host_bin) if args.host_bin else None
    LinuxFront.emulator = args.emulator
    front = FRONTS[args.front](os.path.abspath(args.bin), host_bin)
    programs = os.path.abspath(args.programs or args.bin)
    passed = failed = 0
    for case in CASES:
        if args.k and not any(k in case.__name__ for k in args.k):
            continue
        t = Context(programs, front)
        try:
            case(t)
            passed += 1
            print(f"ok   {case.__name__}")
        except Skip as why:
            print(f"skip {case.__name__}: {why}")
        except Exception:
            failed += 1
            print(f"FAIL {case.__name__}")
            traceback.print_exc()
        finally:
            t.close()
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
