"""The chunk-set format, written again in Python for the tests: reading and
writing appended archives and chunk files, so that tests can take sets apart,
damage them and craft sets the splitter would never write."""
import struct
import zlib

MAGIC = bytes.fromhex("78563412D6C7B8A91203F4E509BADCFE")


def crc32(data, crc=0):
    """Our checksum: the reflected CRC-32 from 0 without the final inversion
    (zlib's starts from all ones and inverts)."""
    return zlib.crc32(data, crc ^ 0xFFFFFFFF) ^ 0xFFFFFFFF


def archive(head, entries):
    """Bytes of a program `head` followed by an archive of (name, data)."""
    out = bytearray(head)
    out += struct.pack("<I", len(entries))
    for name, data in entries:
        out += struct.pack("<I", len(name)) + name + struct.pack("<I", len(data)) + data
    out += struct.pack("<I", len(head)) + MAGIC
    return bytes(out)


def read_archive(data):
    """(head, [(name, data)]) of an archive file's bytes, None without one."""
    if len(data) < 20 or data[-16:] != MAGIC:
        return None
    (start,) = struct.unpack_from("<I", data, len(data) - 20)
    (count,) = struct.unpack_from("<I", data, start)
    at, entries = start + 4, []
    for _ in range(count):
        (n,) = struct.unpack_from("<I", data, at)
        name = data[at + 4:at + 4 + n]
        (d,) = struct.unpack_from("<I", data, at + 4 + n)
        entries.append((name, data[at + 8 + n:at + 8 + n + d]))
        at += 8 + n + d
    return data[:start], entries


def header(data, index):
    return struct.pack("<III", crc32(data), len(data), index)


def first_chunk(stub, file_name, data, total, next_name, index=0, file_crc=None):
    """Bytes of a first chunk: the stub and its five-entry payload."""
    record = struct.pack("<II", crc32(total) if file_crc is None else file_crc, len(total))
    entries = [file_name + b"\0", record, next_name + b"\0", header(data, index), data]
    return archive(stub, [(b"DATA%d" % i, e) for i, e in enumerate(entries)])


def later_chunk(next_name, data, index):
    return next_name + b"\0" + header(data, index) + data


def chunk_names(base, count):
    """File names of a set's chunks: base.exe, base.000, base.001, ..."""
    return [base + ".exe"] + ["%s.%03X" % (base, i) for i in range(count - 1)]


def write_set(folder, base, file_name, total, sizes, stub):
    """Writes a set that holds `total` cut into pieces of `sizes` bytes, named
    after `base`; returns the chunk paths."""
    import os
    names = chunk_names(base, len(sizes) + 1)
    paths, at = [], 0
    for i, size in enumerate(sizes):
        piece = total[at:at + size]
        at += size
        nxt = names[i + 1].encode()
        if i == 0:
            data = first_chunk(stub, file_name.encode(), piece, total, nxt)
        else:
            data = later_chunk(nxt, piece, i)
        path = os.path.join(folder, names[i])
        with open(path, "wb") as f:
            f.write(data)
        paths.append(path)
    return paths
