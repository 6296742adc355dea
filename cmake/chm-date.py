#!/usr/bin/env python3
"""Dates a compiled help file with SOURCE_DATE_EPOCH instead of its compile.

chmcmd writes the time of day it compiles at into the file's header and into
the #SYSTEM file; both become the time of day of SOURCE_DATE_EPOCH (seconds
since 1970), so that two builds of one commit give the same bytes.
    SOURCE_DATE_EPOCH=<seconds> chm-date.py <file.chm>
"""
import os
import struct
import sys


def encint(data, at):
    value = 0
    while True:
        byte = data[at]
        at += 1
        value = (value << 7) | (byte & 0x7F)
        if byte < 0x80:
            return value, at


def directory(data):
    """Yields (name, section, offset, length) of every entry of the file."""
    dir_at = struct.unpack_from("<Q", data, 0x48)[0]
    if data[dir_at:dir_at + 4] != b"ITSP":
        raise ValueError("no directory")
    header_len, _, chunk_size = struct.unpack_from("<III", data, dir_at + 8)
    chunks = struct.unpack_from("<I", data, dir_at + 0x2C)[0]
    for index in range(chunks):
        chunk = dir_at + header_len + index * chunk_size
        if data[chunk:chunk + 4] != b"PMGL":
            continue
        end = chunk + chunk_size - struct.unpack_from("<I", data, chunk + 4)[0]
        at = chunk + 0x14
        while at < end:
            size, at = encint(data, at)
            name = data[at:at + size].decode("utf-8")
            at += size
            section, at = encint(data, at)
            offset, at = encint(data, at)
            length, at = encint(data, at)
            yield name, section, offset, length


def main(path, epoch):
    data = bytearray(open(path, "rb").read())
    if data[:4] != b"ITSF" or struct.unpack_from("<I", data, 4)[0] != 3:
        raise ValueError("not a version 3 help file")
    stamp = (epoch % 86400) * 1000
    struct.pack_into(">I", data, 0x10, stamp)
    content = struct.unpack_from("<Q", data, 0x58)[0]
    found = False
    for name, section, offset, length in directory(data):
        if name != "/#SYSTEM" or section != 0:
            continue
        at, end = content + offset + 4, content + offset + length
        while at + 4 <= end:
            code, size = struct.unpack_from("<HH", data, at)
            if code == 10 and size == 4:
                struct.pack_into("<I", data, at + 4, stamp)
                found = True
            at += 4 + size
    if not found:
        raise ValueError("no time stamp in #SYSTEM")
    open(path, "wb").write(data)


if __name__ == "__main__":
    try:
        main(sys.argv[1], int(os.environ["SOURCE_DATE_EPOCH"]))
    except (IndexError, KeyError, ValueError, OSError, struct.error) as error:
        sys.exit("chm-date: %s: %s" % (sys.argv[1] if len(sys.argv) > 1 else "?", error))
