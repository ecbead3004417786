#!/usr/bin/env bash
# Fails when an option that PROGRAM --help names has no entry ("*--option*")
# in the scdoc manual page MANPAGE.
#   tests/documented_options.sh PROGRAM MANPAGE
set -euo pipefail
program=$1 page=$2
options=$("$program" --help | grep -oE '(^|[[:space:],(])--[a-z][a-z-]*' | grep -oE -- '--[a-z-]+' | sort -u)
[ -n "$options" ] || { echo "no options in $program --help" >&2; exit 1; }
missing=0
for o in $options; do
  if ! grep -qF -- "*$o*" "$page"; then
    echo "$o is not in $page" >&2
    missing=1
  fi
done
exit $missing
