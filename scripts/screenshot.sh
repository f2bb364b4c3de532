#!/usr/bin/env bash
# Takes the pictures of docs/ on a private Xvfb: docs/screenshot.png (the frame with a macro
# editor, the check-result window and the tools menu open) and docs/editor.png (a copy of the
# demo macro with one mistake after "マクロ文法CHK(F2)": line numbers, colours and the error
# mark with its text). Needs a built build/app/orvane (scripts/run.sh), or the program named by
# $ORVANE.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
orvane=${ORVANE:-$root/build/app/orvane}
. scripts/private_display.sh
work=$(mktemp -d /tmp/orvane-shot.XXXXXX)
app=""
trap 'kill $app 2>/dev/null || true; stop_private_display' EXIT
start_private_display 900x640x24 "$work"
printf '[SYSTEM]\r\nDMEX1ST=1\r\nCOMTIME=1\r\nSRCENDM=0\r\nWNXLPOS=40\r\nWNYLPOS=30\r\nWNXRPOS=820\r\nWNYRPOS=580\r\n' >"$work/Orvane.ini"

# Starts the program on a macro (its automatic run, exit flag 0) and activates the frame.
start() {
  ( cd "$work" && XDG_RUNTIME_DIR="$work" "$orvane" "$work/$1" 0 ) &
  app=$!
  sleep 3
  win=$(xdotool search --name '^Orvane$' | head -1)
  xdotool windowactivate --sync "$win"
  sleep 0.3
}
stop() {
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
}

cp examples/demo.ovm "$work/"
start demo.ovm
xdotool key F2
sleep 1
# Back to the editor, so that the menu shows the items a macro editor enables.
xdotool mousemove 300 400 click 1
sleep 0.3
xdotool key alt+t
sleep 0.7
import -window root "$root/docs/screenshot.png"
echo "docs/screenshot.png written"
stop

# Line 12 "WAIT 10" written in lower case, which is not a statement.
sed 's/^        WAIT 10/        wait 10/' examples/demo.ovm >"$work/mistake.ovm"
start mistake.ovm
xdotool key Return  # the automatic run's compile reports the error
sleep 0.5
xdotool mousemove 300 300 click 1
sleep 0.3
xdotool key F2
sleep 1
xdotool key Return
sleep 0.5
# The pointer rests on the error mark of line 12 for its tool tip.
xdotool mousemove "${MARK_X:-52}" "${MARK_Y:-297}"
sleep 1.5
import -window root "$root/docs/editor.png"
echo "docs/editor.png written"
stop
