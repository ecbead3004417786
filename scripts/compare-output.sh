#!/usr/bin/env bash
# Prints every capture's frame list, detail trees with offsets and dumps with
# kestle-dump into a folder, so that two builds can be compared:
#   scripts/compare-output.sh build/default/src/kestle-dump /tmp/before
#   ... change, rebuild ...
#   scripts/compare-output.sh build/default/src/kestle-dump /tmp/after
#   diff -r /tmp/before /tmp/after
set -euo pipefail
dump=$1
out=$2
shift 2
mkdir -p "$out"
cd "$(dirname "$0")/.."
files=(tests/data/captures/*.* "$@")
[ -d ../shared/captures ] && files+=(../shared/captures/*.pcap* ../shared/captures/*.cap* \
                                     ../shared/captures/*.enc* ../shared/captures/*.5vw*)
for f in "${files[@]}"; do
  [ -f "$f" ] || continue
  name=$(echo "$f" | tr '/' '_')
  export TZ=UTC LC_ALL=C
  "$dump" --date-line X --tsv "$f" >"$out/$name.tsv" 2>"$out/$name.err" || true
  "$dump" --date-line X --detail --dump "$f" >"$out/$name.detail" 2>/dev/null || true
  "$dump" --date-line X --tree-offsets "$f" >"$out/$name.offsets" 2>/dev/null || true
done
