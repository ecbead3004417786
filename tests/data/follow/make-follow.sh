#!/bin/sh
# Writes retrans.pcap (scapy: a connection with a retransmission, segments
# out of order and a segment the capture lost) and, for every TCP stream of
# it and of ../captures/mixed.pcap, the stream as tshark's "follow,tcp,raw"
# prints it: NAME.STREAM.FRAME.follow (FRAME: the stream's first frame),
# with "0 HEX" lines for the bytes of the first frame's sender and "1 HEX"
# for the other end (TCP in PPPoE, which Kestle does not decode, left
# out). Run from this folder; needs tshark and python3-scapy.
set -e
/usr/bin/python3 - <<'PY'
from scapy.all import Ether, IP, TCP, wrpcap
c, s = "192.168.7.10", "192.168.7.20"
def seg(src, sport, dst, dport, seq, ack, flags, data=b""):
    return Ether(src="02:00:00:00:00:01" if src == c else "02:00:00:00:00:02",
                 dst="02:00:00:00:00:02" if src == c else "02:00:00:00:00:01") / \
        IP(src=src, dst=dst) / TCP(sport=sport, dport=dport, seq=seq, ack=ack, flags=flags) / data
C = lambda seq, ack, flags, data=b"": seg(c, 51000, s, 8000, seq, ack, flags, data)
S = lambda seq, ack, flags, data=b"": seg(s, 8000, c, 51000, seq, ack, flags, data)
p = [C(1000, 0, "S"), S(7000, 1001, "SA"), C(1001, 7001, "A"),
     C(1001, 7001, "PA", b"PUT /file HTTP/1.1\r\n"),
     C(1001, 7001, "PA", b"PUT /file HTTP/1.1\r\n"),          # retransmission
     C(1041, 7001, "PA", b"Content-Length: 10\r\n"),          # out of order
     C(1021, 7001, "PA", b"Host: example.test\r\n"),
     C(1061, 7001, "PA", b"\r\n0123456789"),
     S(7001, 1073, "PA", b"HTTP/1.1 100 Continue\r\n\r\n"),
     S(7042, 1073, "PA", b"Server: test\r\n\r\n"),             # bytes 7026..7041 lost
     C(1073, 7058, "A"),
     S(7058, 1073, "FA"), C(1073, 7059, "FA"), S(7059, 1074, "A")]
t = 1700000000.0
for i, x in enumerate(p):
    x.time = t + i * 0.01
wrpcap("retrans.pcap", p)
PY
for cap in retrans.pcap ../captures/mixed.pcap; do
  name=$(basename "$cap")
  rm -f "$name".*.follow
  tshark -r "$cap" -Y "tcp && !icmp && !pppoes" -T fields -e tcp.stream -e frame.number -e ip.src -e ipv6.src \
         -e tcp.srcport -E separator=' ' 2>/dev/null |
  awk '!seen[$1]++ { print $1, $2, (index($3, ":") ? "[" $3 "]" : $3), $4 }' |
  while read -r stream frame src sport; do
    tshark -r "$cap" -q -z "follow,tcp,raw,$stream" 2>/dev/null |
    /usr/bin/python3 -c '
import re, sys
me = sys.argv[1]
swap = False
for line in sys.stdin:
    line = line.rstrip("\n")
    if line.startswith("Node 0: "):
        swap = line[8:] != me
    if not line or line[0] in "=FN":
        continue
    node = 1 if line.startswith("\t") else 0
    data = line.lstrip("\t")
    # A gap, "[N bytes missing in capture file]", is no payload.
    if re.fullmatch(rb"\[\d+ bytes missing in capture file\]\x00?", bytes.fromhex(data)):
        continue
    print(node ^ swap, data)
' "$src:$sport" > "$name.$stream.$frame.follow"
  done
done
