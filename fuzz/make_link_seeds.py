#!/usr/bin/env python3
"""Writes seeds for kestle-fuzz-capture into fuzz/corpus: one frame of each
link type as 'L' (little-endian pcap) or 'M' (big-endian) seeds, taken from
the link-type captures in tests/data/captures, and small pcapng files of
several sections (both byte orders), interfaces and link types, with the
block kinds the reader skips.

    python3 fuzz/make_link_seeds.py
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
CAPTURES = os.path.join(HERE, "..", "tests", "data", "captures")
CORPUS = os.path.join(HERE, "corpus")


def pcap_frames(path):
    data = open(path, "rb").read()
    order = "<" if data[:4] == b"\xd4\xc3\xb2\xa1" else ">"
    link = struct.unpack(order + "I", data[20:24])[0]
    at, frames = 24, []
    while at + 16 <= len(data):
        incl = struct.unpack(order + "I", data[at + 8:at + 12])[0]
        frames.append(data[at + 16:at + 16 + incl])
        at += 16 + incl
    return order, link, frames


# (file, frame numbers, seed name)
PICKS = [
    ("mixed-cooked.pcap", [1, 30], "cooked"),
    ("mixed-cooked2.pcap", [12], "cooked2"),
    ("mixed-raw.pcap", [5, 40], "raw"),
    ("mixed-null.pcap", [9], "null"),
    ("mixed-null-be.pcap", [9], "null-be"),
    ("mixed-loop.pcap", [20], "loop"),
]


def block(order, kind, body):
    body += b"\0" * (-len(body) % 4)
    n = 12 + len(body)
    return struct.pack(order + "II", kind, n) + body + struct.pack(order + "I", n)


def section(order):
    return block(order, 0x0A0D0D0A, struct.pack(order + "IHHq", 0x1A2B3C4D, 1, 0, -1))


def interface(order, link, resol=None):
    opts = b""
    if resol is not None:
        opts = struct.pack(order + "HH", 9, 1) + bytes([resol]) + b"\0\0\0"
    return block(order, 1, struct.pack(order + "HHI", link, 0, 0) + opts + b"\0\0\0\0")


def epb(order, iface, t, frame):
    return block(order, 6, struct.pack(order + "IIIII", iface, t >> 32, t & 0xFFFFFFFF,
                                       len(frame), len(frame)) + frame)


def spb(order, frame):
    return block(order, 3, struct.pack(order + "I", len(frame)) + frame)


def main():
    frames = {}
    for name, picks, seed in PICKS:
        order, link, fr = pcap_frames(os.path.join(CAPTURES, name))
        for n in picks:
            tag = b"L" if order == "<" else b"M"
            with open(os.path.join(CORPUS, "link%d-%s-%d" % (link, seed, n)), "wb") as f:
                f.write(tag + struct.pack("<H", link) + fr[n - 1])
        frames[link] = fr[picks[0] - 1]
    eth = pcap_frames(os.path.join(CAPTURES, "mixed.pcap"))[2]
    raw = frames[101]
    # Two sections, one of each byte order, interfaces of several link types.
    multi = (section("<") + interface("<", 1) + interface("<", 113, 9) +
             block("<", 4, b"\x01\x00\x08\x00" + bytes([10, 0, 0, 1]) + b"host\0\0\0\0") +
             epb("<", 0, 1615713600000000, eth[40]) + epb("<", 1, 1615713600000000001, frames[113]) +
             block("<", 5, b"\0" * 12) + spb("<", eth[3]) +
             section(">") + interface(">", 101, 0x80 | 20) + interface(">", 147) +
             epb(">", 0, 1 << 40, raw) + epb(">", 1, 5, b"\x01" * 16) + spb(">", raw) +
             block(">", 0x40000BAD, b"\0\0\0\0custom"))
    with open(os.path.join(CORPUS, "pcapng-multi-section"), "wb") as f:
        f.write(multi)
    with open(os.path.join(CORPUS, "pcapng-big-endian-loop"), "wb") as f:
        f.write(section(">") + interface(">", 0) + epb(">", 0, 7, frames[0]))


main()
