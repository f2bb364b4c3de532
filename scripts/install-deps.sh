#!/usr/bin/env bash
# Installs the Debian packages orvane needs to build and test. Idempotent; quiet when
# everything is already present.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-format
  libx11-dev libxtst-dev libxi-dev
  xvfb openbox xdotool x11-utils xinput imagemagick bc
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  fonts-ipafont-gothic fonts-ipafont-mincho
  # The checks of the desktop entry, the metainfo, the .ovm file type and the package;
  # xdg-mime finds file types through mimetype (libfile-mimeinfo-perl) outside a desktop.
  desktop-file-utils appstream shared-mime-info xdg-utils libfile-mimeinfo-perl lintian
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
# Build the font caches now: the first program that looks for Japanese glyphs (a window
# manager drawing a Japanese title, say) would otherwise scan every font file itself.
if command -v fc-cache >/dev/null; then $SUDO fc-cache -s >/dev/null 2>&1 || true; fi
