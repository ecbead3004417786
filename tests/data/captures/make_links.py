#!/usr/bin/python3
"""Writes the IP frames of mixed.pcap (those whose EtherType is IPv4 or
IPv6) as captures of the other link types, each frame's bytes after its
Ethernet header unchanged:

  mixed-cooked.pcap    Linux cooked v1 (113)
  mixed-cooked2.pcap   Linux cooked v2 (276)
  mixed-raw.pcap       raw IP (101)
  mixed-null.pcap      BSD loopback (0), little-endian file and family
  mixed-null-be.pcap   BSD loopback (0), big-endian file and family
  mixed-loop.pcap      OpenBSD loopback (108), family in network order

and other-link.pcap, three frames of a link type nothing decodes (147),
for the second interface that make-modern.sh merges in.

Run with the system python (it has scapy): /usr/bin/python3 make_links.py
"""
import struct

from scapy.layers.l2 import CookedLinux, CookedLinuxV2, Ether
from scapy.packet import Raw
from scapy.utils import RawPcapReader, RawPcapWriter

AF_INET6 = {"null": 24, "null-be": 30, "loop": 24}  # as NetBSD, macOS and OpenBSD number it


def ip_frames():
    for data, meta in RawPcapReader("mixed.pcap"):
        if len(data) >= 14 and struct.unpack(">H", data[12:14])[0] in (0x0800, 0x86DD):
            yield Ether(data[:14]), data[14:], meta


def packet_type(dst):
    if dst == "ff:ff:ff:ff:ff:ff":
        return 1
    return 2 if int(dst.split(":")[0], 16) & 1 else 0


def write(name, linktype, build, endianness="<"):
    w = RawPcapWriter(name, linktype=linktype, endianness=endianness, snaplen=65535, sync=True)
    w.write_header(None)
    for eth, payload, meta in ip_frames():
        frame = bytes(build(eth, payload))
        extra = len(frame) - len(payload)
        w.write_packet(frame, sec=meta.sec, usec=meta.usec, caplen=len(frame),
                       wirelen=meta.wirelen - 14 + extra)
    w.close()


def cooked(eth, payload):
    return CookedLinux(pkttype=packet_type(eth.dst), lladdrtype=1, lladdrlen=6,
                       src=bytes.fromhex(eth.src.replace(":", "")) + b"\0\0",
                       proto=eth.type) / Raw(payload)


def cooked2(eth, payload):
    return CookedLinuxV2(proto=eth.type, ifindex=2, lladdrtype=1, pkttype=packet_type(eth.dst),
                         lladdrlen=6, src=bytes.fromhex(eth.src.replace(":", "")) + b"\0\0") / Raw(payload)


def family(kind, eth, order):
    value = 2 if eth.type == 0x0800 else AF_INET6[kind]
    return struct.pack(order + "I", value)


write("mixed-cooked.pcap", 113, cooked)
write("mixed-cooked2.pcap", 276, cooked2)
write("mixed-raw.pcap", 101, lambda eth, p: p)
write("mixed-null.pcap", 0, lambda eth, p: family("null", eth, "<") + p)
write("mixed-null-be.pcap", 0, lambda eth, p: family("null-be", eth, ">") + p, endianness=">")
write("mixed-loop.pcap", 108, lambda eth, p: family("loop", eth, ">") + p)

# Three frames of a link type no unit decodes, timed within the capture so
# that a merge puts them between its frames.
first = next(RawPcapReader("mixed.pcap"))[1]
w = RawPcapWriter("other-link.pcap", linktype=147, snaplen=65535, sync=True)
w.write_header(None)
for i in range(3):
    w.write_packet(bytes([i]) * 20, sec=first.sec + i, usec=first.usec + 500, caplen=20, wirelen=20)
w.close()
