#!/bin/bash
# Makes the captures of today's formats and link types from mixed.pcap:
# pcapng and nanosecond pcap (editcap), pcapng with a second interface of a
# link type nothing decodes (mergecap), the IP frames as Linux cooked, raw IP
# and loopback captures (make_links.py, scapy), gzip copies, and their
# reference TSVs in expected/ (tshark).
#
#   ./make-modern.sh
#
# Needs editcap, mergecap, tshark and capinfos (Debian packages tshark /
# wireshark-common), gzip, and scapy for /usr/bin/python3.
set -euo pipefail
cd "$(dirname "$0")"

WIRESHARK_CONFIG_DIR=$(mktemp -d)
export WIRESHARK_CONFIG_DIR
trap 'rm -rf "$WIRESHARK_CONFIG_DIR" other-link.pcap' EXIT

editcap -F pcapng mixed.pcap mixed.pcapng
editcap -F nsecpcap mixed.pcap mixed-ns.pcap
/usr/bin/python3 make_links.py
mergecap -F pcapng -w mixed-2if.pcapng mixed.pcapng other-link.pcap

SAME="mixed.pcapng mixed-ns.pcap mixed-2if.pcapng"
LINKS="mixed-cooked.pcap mixed-cooked2.pcap mixed-raw.pcap mixed-null.pcap mixed-null-be.pcap mixed-loop.pcap"
for f in mixed.pcapng mixed-ns.pcap; do
    gzip -9 -n -c "$f" > "$f.gz"
done

FIELDS="-e frame.number -e frame.time_epoch -e frame.cap_len -e frame.len
        -e eth.src -e eth.dst -e ip.src -e ip.dst -e ipv6.src -e ipv6.dst
        -e tcp.srcport -e tcp.dstport -e udp.srcport -e udp.dstport
        -e frame.protocols"
ref=$(capinfos -M -c -T -r mixed.pcap 2>/dev/null | cut -f2)
# The rows of the added files replace their old ones in counts.tsv.
grep -v -E '^(mixed\.pcapng|mixed-ns\.pcap|mixed-2if\.pcapng|mixed-(cooked|cooked2|raw|null|null-be|loop)\.pcap)(\.gz)?	' \
    expected/counts.tsv > expected/counts.tsv.new
for g in $SAME mixed.pcapng.gz mixed-ns.pcap.gz $LINKS; do
    # Only the first interface's frames: the second one's are not decoded.
    # shellcheck disable=SC2086
    filter=(); [ "$g" = mixed-2if.pcapng ] && filter=(-Y 'frame.interface_id == 0')
    tshark -n -r "$g" "${filter[@]}" -T fields -E header=y -E separator=/t $FIELDS \
        > "expected/$g.tsv" 2>/dev/null
    n=$(($(wc -l < "expected/$g.tsv") - 1))
    t=$(capinfos -t -T -r "$g" 2>/dev/null | cut -f2)
    same=yes; [ "$n" = "$ref" ] || same="no ($n vs $ref)"
    printf '%s\t%s\t%s\t%s\n' "$g" "$t" "$n" "$same" >> expected/counts.tsv.new
done
mv expected/counts.tsv.new expected/counts.tsv
tail -n 13 expected/counts.tsv
