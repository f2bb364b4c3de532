#!/usr/bin/env bash
# Builds orvane and runs its main job on the bundled demo macro: the compile check and the
# table dump.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DORV_TESTS=OFF >/dev/null
ninja -C build orvane-cli
MACRO=${1:-examples/demo.ovm}
work=$(mktemp -d)
cp "$MACRO" "$work/"
cd "$work"
name=$(basename "$MACRO")
echo "== orvane-cli check $name"
status=0
"$OLDPWD/build/orvane-cli" check "$name" || status=$?
echo "== orvane-cli dump $name"
"$OLDPWD/build/orvane-cli" dump "$name" || true
echo "== comp.his written to $work/comp.his (exit status of the check: $status)"
