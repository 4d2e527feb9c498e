#!/usr/bin/env python3
"""Writes LHA archives with level-1 headers and any method id and member name,
for the archive tests: the setup program's own ids <sto>, <cmp>, <st+>, <cm+>
and names with "\\" between directories, which no other archiver writes.

usage: mkfixture.py OUT.lzh METHOD NAME SOURCE [METHOD NAME SOURCE ...]

METHOD is the five-character id. For a stored id SOURCE is a file whose bytes
are the member. For a compressed id SOURCE is ARCHIVE:INDEX, a member of an
archive made by another tool (level-1 headers): its packed data, size and CRC
are taken as they are, its extension headers dropped.
"""
import struct
import sys

COMPRESSED = {b"-lh5-", b"<cmp>", b"<cm+>"}


def crc16(data):
    crc = 0
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def read_members(path):
    """(method, name, data, unpacked size, crc) of each member."""
    blob = open(path, "rb").read()
    pos = 0
    members = []
    while pos < len(blob) and blob[pos] != 0:
        size = blob[pos]
        header = blob[pos + 2:pos + 2 + size]
        method = header[0:5]
        packed, unpacked = struct.unpack_from("<II", header, 5)
        name_length = header[19]
        name = header[20:20 + name_length]
        crc, = struct.unpack_from("<H", header, size - 5)
        ext, = struct.unpack_from("<H", header, size - 2)
        pos += 2 + size
        while ext:
            packed -= ext
            nxt, = struct.unpack_from("<H", blob, pos + ext - 2)
            pos += ext
            ext = nxt
        members.append((method, name, blob[pos:pos + packed], unpacked, crc))
        pos += packed
    return members


def member(method, name, data, unpacked, crc):
    body = method + struct.pack("<IIIBBB", len(data), unpacked, 0, 0x20, 1, len(name))
    body += name + struct.pack("<HBH", crc, ord("M"), 0)
    return bytes([len(body), sum(body) & 0xFF]) + body + data


def main(argv):
    if len(argv) < 5 or (len(argv) - 2) % 3:
        sys.stderr.write(__doc__)
        return 2
    out = b""
    for i in range(2, len(argv), 3):
        method = argv[i].encode("latin-1")
        name = argv[i + 1].encode("latin-1")
        source = argv[i + 2]
        if method in COMPRESSED:
            archive, index = source.rsplit(":", 1)
            _, _, data, unpacked, crc = read_members(archive)[int(index)]
            if not read_members(archive)[int(index)][0] == b"-lh5-":
                sys.stderr.write("mkfixture: %s is not a -lh5- member\n" % source)
                return 1
        else:
            data = open(source, "rb").read()
            unpacked, crc = len(data), crc16(data)
        out += member(method, name, data, unpacked, crc)
    open(argv[1], "wb").write(out + b"\0")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
