#!/usr/bin/env python3
"""Damaged and hostile chunk sets against the real dravikx (and against
dravikx-stubbuild, the same joiner built as the Windows stub is, where the
build has it).

A few sound sets are made with dravik; each crafted set is one of them with
one change: a flipped bit in data, a header field, the file record or the
archive table; a chunk cut short, removed, swapped or duplicated; names that
point outside the folder or are not plain file names; bytes added behind a
chunk or changed in the stub. Every crafted set must either be refused
safely (exit 1, an error text, no success text, nothing written outside the
current folder, no chunk file changed) or, where the change cannot matter,
be rebuilt into exactly the original bytes. Anything else is wrong.

usage: crafted_sets.py BIN_DIR [--all]   prints "crafted sets: N tried, R
refused safely, H harmless changes rebuilt exactly, W wrong"; exits 0 only
when W is 0."""
import os
import random
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from stub import stub_length  # noqa: E402

TIMEOUT = 60



def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def u32(data, at):
    return int.from_bytes(data[at:at + 4], "little")


def archive_fields(first):
    """Offsets in a first chunk: the stub's length and, per entry, where its
    name length, data length and data stand."""
    head = u32(first, len(first) - 20)
    entries, at = [], head + 4
    for _ in range(u32(first, head)):
        n = u32(first, at)
        d = u32(first, at + 4 + n)
        entries.append({"len_at": at, "data_len_at": at + 4 + n, "data_at": at + 8 + n, "size": d})
        at += 8 + n + d
    return head, entries


def later_fields(chunk):
    """Offsets in a later chunk: the end of its stored name, its header and data."""
    name_end = chunk.index(b"\0")
    return {"name_end": name_end, "header_at": name_end + 1, "data_at": name_end + 13}


def flip(data, at, bit=0):
    b = bytearray(data)
    b[at] ^= 1 << bit
    return bytes(b)


def put_u32(data, at, value):
    return data[:at] + (value & 0xFFFFFFFF).to_bytes(4, "little") + data[at + 4:]


def replace_entry(first, index, new_bytes):
    """The first chunk with entry `index`'s data replaced (the table and the
    trailer stay consistent: a well-formed archive with hostile content)."""
    head, entries = archive_fields(first)
    e = entries[index]
    out = first[:e["data_len_at"]] + len(new_bytes).to_bytes(4, "little") + new_bytes
    out += first[e["data_at"] + e["size"]:]
    return out


def replace_next_name(chunk, name):
    f = later_fields(chunk)
    return name + b"\0" + chunk[f["header_at"]:]


def mutations(chunks, rng, dense):
    """(label, harmless, {chunk index: new bytes or None to remove})."""
    first = chunks[0]
    head, entries = archive_fields(first)
    n = len(chunks)
    picks = 12 if dense else 4
    for k in range(n):
        c = chunks[k]
        data_at = entries[4]["data_at"] if k == 0 else later_fields(c)["data_at"]
        data_end = data_at + (entries[4]["size"] if k == 0 else len(c) - data_at)
        for at in sorted(rng.sample(range(data_at, data_end), min(picks, data_end - data_at))):
            yield "chunk %d data bit at %d" % (k, at), False, {k: flip(c, at, rng.randrange(8))}
        header_at = entries[3]["data_at"] if k == 0 else later_fields(c)["header_at"]
        for field, name in ((0, "checksum"), (4, "length"), (8, "index")):
            for bit in ((0, 7, 31) if dense else (0,)):
                yield ("chunk %d header %s bit %d" % (k, name, bit), False,
                       {k: flip(c, header_at + field + bit // 8, bit % 8)})
            yield "chunk %d header %s huge" % (k, name), False, {k: put_u32(c, header_at + field, 0xFFFFFFFF)}
        cuts = [0, 1, data_at - 1, data_at, (data_at + data_end) // 2, len(c) - 1]
        if k == 0:
            cuts += [head, head + 4, len(c) - 20, len(c) - 10]
        for cut in sorted(set(x for x in cuts if 0 <= x < len(c))):
            yield "chunk %d cut to %d bytes" % (k, cut), False, {k: c[:cut]}
        if k > 0:
            yield "chunk %d removed" % k, False, {k: None}
            yield "chunk %d bytes added behind" % k, True, {k: c + b"extra bytes"}
            yield "chunk %d with chunk 0's bytes" % k, False, {k: first}
        if 0 < k < n - 1:
            yield "chunks %d and %d swapped" % (k, k + 1), False, {k: chunks[k + 1], k + 1: c}
            yield "chunk %d twice" % k, False, {k + 1: c}
    for field, name in ((0, "checksum"), (4, "size")):
        for bit in (0, 9, 31):
            yield ("file record %s bit %d" % (name, bit), False,
                   {0: flip(first, entries[1]["data_at"] + field + bit // 8, bit % 8)})
    yield "file size grown by one", False, {0: put_u32(first, entries[1]["data_at"] + 4, u32(first, entries[1]["data_at"] + 4) + 1)}
    # The 16-byte record of inputs of 4 GiB and more: crc, u64 size, four zero bytes.
    crc, size = u32(first, entries[1]["data_at"]), u32(first, entries[1]["data_at"] + 4)
    for label, harmless, grown, reserved in (("", True, 0, 0), (", 4 GiB more", False, 1 << 32, 0),
                                              (", reserved bytes set", False, 0, 1)):
        record = crc.to_bytes(4, "little") + (size + grown).to_bytes(8, "little") + reserved.to_bytes(4, "little")
        yield "file record in the large form" + label, harmless, {0: replace_entry(first, 1, record)}
    for index in range(5):
        yield "entry %d length huge" % index, False, {0: put_u32(first, entries[index]["data_len_at"], 0xFFFFFFF0)}
        yield "entry %d length one more" % index, False, {0: put_u32(first, entries[index]["data_len_at"], entries[index]["size"] + 1)}
        yield "entry %d name length huge" % index, False, {0: put_u32(first, entries[index]["len_at"], 0x7FFFFFFF)}
    yield "entry count 4", False, {0: put_u32(first, head, 4)}
    yield "entry count huge", False, {0: put_u32(first, head, 0xFFFFFFFF)}
    yield "archive offset past the file", False, {0: put_u32(first, len(first) - 20, len(first) + 5)}
    yield "archive offset zero", False, {0: put_u32(first, len(first) - 20, 0)}
    yield "magic changed", False, {0: flip(first, len(first) - 1)}
    yield "first chunk with bytes added behind", False, {0: first + b"tail"}
    for at in sorted(rng.sample(range(head), min(4, head))):
        yield "stub byte %d changed" % at, True, {0: flip(first, at)}
    hostile = [b"../escape.bin", b"../../escape.bin", b"/tmp/dravik-escape.bin", b"sub/file.bin",
               b"..", b".", b"", b"a\x01b", b"x\tname", b"n" * 260, b"n" * 300, b"C:escape.bin",
               b"back\\slash.bin", b"dir/", b"\x7f"]
    for name in hostile:
        yield "output name %r" % name[:40], False, {0: replace_entry(first, 0, name + b"\0")}
        yield "first next-chunk name %r" % name[:40], False, {0: replace_entry(first, 2, name + b"\0")}
        if n > 1:
            yield "chunk 1's next-chunk name %r" % name[:40], False, {1: replace_next_name(chunks[1], name)}
    yield "output name without its NUL", False, {0: replace_entry(first, 0, b"file.bin")}
    yield "next-chunk name without its NUL", False, {0: replace_entry(first, 2, b"set.000")}
    if n > 1:
        yield "chunk 1 without a NUL in its name", False, {1: b"n" * 300}
    yield "file record too short", False, {0: replace_entry(first, 1, b"\0" * 7)}
    yield "file record too long", False, {0: replace_entry(first, 1, b"\0" * 9)}
    yield "header entry too short", False, {0: replace_entry(first, 3, b"\0" * 11)}


class Counts:
    def __init__(self):
        self.tried = self.refused = self.harmless = 0
        self.wrong = []


def listing(folder):
    found = {}
    for base, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(base, name)
            found[os.path.relpath(path, folder)] = read(path)
    return found


def try_set(joiner, work, chunks, label, harmless, change, original, counts):
    dravikx, env = joiner
    run = os.path.join(work, "run")
    shutil.rmtree(run, ignore_errors=True)
    set_dir, out = os.path.join(run, "set"), os.path.join(run, "set", "out")
    os.makedirs(out)
    write(os.path.join(run, "decoy.bin"), b"decoy")
    names = ["set.exe"] + ["set.%03X" % i for i in range(len(chunks) - 1)]
    for k, name in enumerate(names):
        data = change.get(k, chunks[k])
        if data is not None:
            write(os.path.join(set_dir, name), data)
    before = listing(run)
    escape = "/tmp/dravik-escape.bin"
    if os.path.exists(escape):
        os.remove(escape)
    p = subprocess.run([dravikx, os.path.join(set_dir, "set.exe")], cwd=out, stdin=subprocess.DEVNULL,
                       capture_output=True, timeout=TIMEOUT, env=dict(os.environ, **env))
    err = p.stderr.decode(errors="replace")
    after = listing(run)
    created = {k for k in after if k not in before}
    changed = {k for k in before if k in after and after[k] != before[k]} | {k for k in before if k not in after}
    outside = {k for k in created | changed if not k.startswith("set/out/")} | (
        {escape} if os.path.exists(escape) else set())
    counts.tried += 1
    problem = None
    if outside:
        problem = "wrote outside the current folder: %s" % sorted(outside)
    elif p.returncode == 0:
        rebuilt = [after[k] for k in created if k.startswith("set/out/")]
        if rebuilt != [original] or "written with success" not in err:
            problem = "claimed success for other bytes"
        else:
            counts.harmless += 1
            if not harmless:
                print("note: %s changed nothing the joiner relies on" % label)
    elif p.returncode == 1 and err.strip() and "written with success" not in err:
        counts.refused += 1
    else:
        problem = "exit %d" % p.returncode
    if problem:
        counts.wrong.append("%s, %s: %s\n%s" % (os.path.basename(dravikx), label, problem, err))


def make_sets(bin_dir, work, rng):
    dravik = os.path.join(bin_dir, "dravik")
    stub = stub_length(dravik)
    sets = []
    for size, chunk in [(25000, 8000), (120000, 50000)]:
        src = os.path.join(work, "src")
        shutil.rmtree(src, ignore_errors=True)
        os.makedirs(src)
        original = bytes(rng.getrandbits(8) for _ in range(size))
        write(os.path.join(src, "file.bin"), original)
        p = subprocess.run([dravik, "file.bin", str(chunk + stub), "-oset"], cwd=src, capture_output=True)
        assert p.returncode == 0, p.stdout
        chunks, k = [], 0
        for name in ["set.exe"] + ["set.%03X" % i for i in range(100)]:
            path = os.path.join(src, name)
            if not os.path.exists(path):
                break
            chunks.append(read(path))
        sets.append((original, chunks))
    return sets


def main():
    bin_dir = os.path.abspath(sys.argv[1])
    dense = "--all" in sys.argv[2:]
    # dravikx, and the same built as the Windows stub is (no C++ exceptions);
    # longjmp skips destructors by design, which a sanitizer must not count.
    joiners = [(os.path.join(bin_dir, "dravikx"), {})]
    if os.path.exists(os.path.join(bin_dir, "dravikx-stubbuild")):
        joiners.append((os.path.join(bin_dir, "dravikx-stubbuild"), {"ASAN_OPTIONS": "detect_leaks=0"}))
    rng = random.Random(17)
    counts = Counts()
    work = tempfile.mkdtemp(prefix="dravik-crafted-")
    try:
        for original, chunks in make_sets(bin_dir, work, rng):
            sets = [("the sound set", True, {})] + list(mutations(chunks, rng, dense))
            for label, harmless, change in sets:
                for joiner in joiners:
                    try_set(joiner, work, chunks, label, harmless, change, original, counts)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for failure in counts.wrong[:10]:
        print("WRONG:", failure)
    print("crafted sets: %d tried, %d refused safely, %d harmless changes rebuilt exactly, %d wrong"
          % (counts.tried, counts.refused, counts.harmless, len(counts.wrong)))
    sys.exit(0 if not counts.wrong else 1)


if __name__ == "__main__":
    main()
