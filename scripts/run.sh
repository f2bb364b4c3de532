#!/usr/bin/env bash
# Builds orvane and starts it. On a machine with an X display it opens the program there (any
# arguments are passed on: a macro path and an exit flag). Without a display it starts a
# private Xvfb with openbox, runs the bundled demo macro with the exit flag 1, takes a
# screenshot while the macro runs, and reports what happened.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DORV_TESTS=OFF -DORV_BENCH=OFF >/dev/null
ninja -C build orvane orvane-cli

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec build/app/orvane "$@"
fi

. scripts/private_display.sh
work=$(mktemp -d /tmp/orvane-demo.XXXXXX)
trap stop_private_display EXIT
start_private_display 1280x800x24 "$work"
disp=$DISPLAY

cp examples/demo.ovm "$work/"
printf '[SYSTEM]\r\nDMEX1ST=1\r\nCOMTIME=300\r\nSRCENDM=0\r\n' >"$work/Orvane.ini"
echo "== orvane \"$work/demo.ovm\" 1   (display $disp, private Xvfb)"
start=$(date +%s.%N)
( cd "$work" && DISPLAY=$disp XDG_RUNTIME_DIR="$work" timeout 60 "$root/build/app/orvane" "$work/demo.ovm" 1 ) &
app=$!
sleep 2
DISPLAY=$disp import -window root "$work/screenshot.png" 2>/dev/null || true
status=0
wait "$app" || status=$?
end=$(date +%s.%N)
echo "== orvane exited with status $status after $(echo "$end - $start" | bc) s"
echo "== pointer now at: $(DISPLAY=$disp xdotool getmouselocation 2>/dev/null || echo unknown)"
echo "== comp.his:"
sed 's/\r$//' "$work/comp.his" | iconv -f CP932 -t UTF-8; echo
echo "== Orvane.ini after the run:"
sed 's/\r$//' "$work/Orvane.ini"
[ -f "$work/screenshot.png" ] && echo "== screenshot taken during the run: $work/screenshot.png"
exit "$status"
