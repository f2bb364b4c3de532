#!/usr/bin/env bash
# Takes docs/screenshot.png: the frame with a macro editor, the check-result window and the
# tools menu open, on a private Xvfb. Needs a built build/app/orvane (scripts/run.sh), or the
# program named by $ORVANE.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
orvane=${ORVANE:-$root/build/app/orvane}
. scripts/private_display.sh
work=$(mktemp -d /tmp/orvane-shot.XXXXXX)
app=""
trap 'kill $app 2>/dev/null || true; stop_private_display' EXIT
start_private_display 900x640x24 "$work"
cp examples/demo.ovm "$work/"
printf '[SYSTEM]\r\nDMEX1ST=1\r\nCOMTIME=1\r\nSRCENDM=0\r\nWNXLPOS=40\r\nWNYLPOS=30\r\nWNXRPOS=820\r\nWNYRPOS=580\r\n' >"$work/Orvane.ini"
( cd "$work" && XDG_RUNTIME_DIR="$work" "$orvane" "$work/demo.ovm" 0 ) &
app=$!
sleep 3
win=$(xdotool search --name '^Orvane$' | head -1)
xdotool windowactivate --sync "$win"
sleep 0.3
xdotool key F2
sleep 1
# Back to the editor, so that the menu shows the items a macro editor enables.
xdotool mousemove 300 400 click 1
sleep 0.3
xdotool key alt+t
sleep 0.7
import -window root "$root/docs/screenshot.png"
echo "docs/screenshot.png written"
