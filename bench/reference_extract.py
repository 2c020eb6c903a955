#!/usr/bin/env python3
"""What a user would write instead: unpack an .h4r archive with Python's zlib.

    reference_extract.py ARCHIVE OUTDIR

Reads the directory, forms folders from the dotted names, and per entry reads
its bytes, inflates them in one call and writes the file in one call.
"""
import os
import struct
import sys
import zlib


def read_directory(f):
    # "H4R" and a version byte, then where the directory lies.
    f.seek(4)
    (where,) = struct.unpack("<I", f.read(4))
    f.seek(where)
    (count,) = struct.unpack("<i", f.read(4))
    entries = []
    for _ in range(max(count, 0)):
        offset, stored_size, size, _time, name_len = struct.unpack("<IiiIH", f.read(18))
        name = f.read(name_len)[:246]
        (path_len,) = struct.unpack("<H", f.read(2))
        f.read(path_len)
        (alias_len,) = struct.unpack("<H", f.read(2))
        f.read(alias_len)
        (compression,) = struct.unpack("<I", f.read(4))
        entries.append((offset, stored_size, size, name, compression))
    return entries


def formed(name):
    last = name.rfind(b".")
    dotted = name[:max(last, 0)].replace(b".", b"\\") + name[max(last, 0):] if last > 0 else name
    cut = max(dotted.rfind(b"\\"), dotted.rfind(b":")) + 1
    return dotted[:cut].decode("cp1251").replace("\\", "/"), dotted[cut:].decode("cp1251")


def main():
    archive, out = sys.argv[1], sys.argv[2]
    made = set()
    with open(archive, "rb") as f:
        for offset, stored_size, size, name, compression in read_directory(f):
            folder, file_name = formed(name)
            folder = os.path.join(out, folder)
            if folder not in made:
                os.makedirs(folder, exist_ok=True)
                made.add(folder)
            f.seek(offset)
            data = f.read(max(stored_size, 0))
            if compression == 3:
                data = zlib.decompress(data[10:-8], -15, max(size, 1))
            elif compression != 1:
                data = b""
            with open(os.path.join(folder, file_name), "wb") as target:
                target.write(data)


if __name__ == "__main__":
    main()
