# A private X display for the scripts that need one (sourced, not run):
#   . scripts/private_display.sh
#   start_private_display 1280x800x24 "$work"   # Xvfb + openbox; DISPLAY is exported
#   ...
#   stop_private_display                        # also a good EXIT trap
# Xvfb takes a free display number (-displayfd) and never resets (-noreset); openbox runs with
# a minimal configuration (no key or mouse bindings). Their logs go to the folder given
# (xvfb.log, openbox.log). Sets XVFB_PID and OPENBOX_PID.

start_private_display() {
  local size=$1 work=$2
  : >"$work/display"
  Xvfb -displayfd 3 -screen 0 "$size" -nolisten tcp -noreset 3>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 100); do grep -q '[0-9]' "$work/display" && break; sleep 0.1; done
  if ! grep -q '[0-9]' "$work/display"; then
    echo "private display: Xvfb did not start (see $work/xvfb.log)" >&2
    return 1
  fi
  export DISPLAY=":$(tr -dc '0-9' <"$work/display")"
  printf '<?xml version="1.0"?>\n<openbox_config xmlns="http://openbox.org/3.4/rc"><keyboard/><mouse/></openbox_config>\n' \
    >"$work/rc.xml"
  openbox --config-file "$work/rc.xml" >"$work/openbox.log" 2>&1 &
  OPENBOX_PID=$!
  # Ready when openbox announces itself on the root window.
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    sleep 0.1
  done
  echo "private display: openbox did not start (see $work/openbox.log)" >&2
  return 1
}

stop_private_display() {
  kill ${OPENBOX_PID:-} ${XVFB_PID:-} 2>/dev/null || true
}
