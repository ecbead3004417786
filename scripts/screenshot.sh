#!/usr/bin/env bash
# Starts the real program under a private Xvfb display on a capture and saves
# a screenshot of the whole screen.
#   scripts/screenshot.sh FILE OUT.png [SECONDS] [ACTION...]
# The first frame is shown with its detail tree expanded. Each ACTION, when
# given, is an xdotool command run before the screen is saved, one second
# apart, e.g. "mousemove 141 110 click 1" to pick the Nodes page.
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -ge 2 ] || { echo "usage: $0 FILE OUT.png [SECONDS]" >&2; exit 2; }
file=$(realpath "$1"); out=$2; wait_s=${3:-4}
shift $(( $# >= 3 ? 3 : 2 ))
bin=${KESTLE_BIN:-}
for b in build/default/src/kestle build/ci/src/kestle; do
  [ -z "$bin" ] && [ -x "$b" ] && bin=$b
done
[ -n "$bin" ] || { echo "kestle is not built" >&2; exit 1; }
display=:$((90 + RANDOM % 100))
home=$(mktemp -d)   # a settings file of its own, so the user's is not touched
mkdir -p "$home/Quorrel Software/Kestle"
printf '[Options]\r\nAutoExpand=1\r\n' > "$home/Quorrel Software/Kestle/Kestle.ini"
Xvfb "$display" -screen 0 1000x700x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$app" 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true; rm -rf "$home"' EXIT
sleep 1
DISPLAY=$display XDG_CONFIG_HOME=$home QT_QPA_PLATFORM=xcb "$bin" "$file" &
app=$!
sleep "$wait_s"
for action in "$@"; do
  # shellcheck disable=SC2086  # an action is an xdotool command line
  DISPLAY=$display xdotool $action
  sleep 1
done
DISPLAY=$display import -window root "$out"
echo "wrote $out"
