#!/usr/bin/env bash
# Builds every target with AddressSanitizer + UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

# The installed desktop files in the prefix $1, where the tools are installed: the desktop
# entry and the metainfo validate; with the XDG data folders pointed at the prefix only, a .ovm
# file is an orvane macro, its default application is the installed entry, and the command a
# file manager runs for a double-click on it opens the file (--open) instead of running it.
check_desktop_files() {
  local share=$1/share tmp app cmd
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$share/applications/orvane.desktop"
    echo "desktop-file-validate: orvane.desktop passes"
  fi
  if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$share/metainfo/io.github.orvane.orvane.metainfo.xml"
  fi
  if ! command -v xdg-mime >/dev/null || ! command -v update-desktop-database >/dev/null; then
    return 0
  fi
  tmp=$(mktemp -d /tmp/orvane-xdg.XXXXXX)
  mkdir "$tmp/config"
  printf 'START\r\nEND\r\n' >"$tmp/demo.ovm"
  local xdg=(env -i "PATH=$PATH" "HOME=$tmp" "XDG_DATA_HOME=$share" "XDG_DATA_DIRS=$share"
             "XDG_CONFIG_HOME=$tmp/config" "XDG_CONFIG_DIRS=$tmp/config")
  "${xdg[@]}" update-mime-database "$share/mime"
  "${xdg[@]}" update-desktop-database "$share/applications"
  [ "$("${xdg[@]}" xdg-mime query filetype "$tmp/demo.ovm")" = application/x-orvane-macro ] ||
    { echo "xdg-mime: demo.ovm is not application/x-orvane-macro"; exit 1; }
  app=$("${xdg[@]}" xdg-mime query default application/x-orvane-macro)
  [ "$app" = orvane.desktop ] || { echo "xdg-mime: the default for .ovm is '$app'"; exit 1; }
  cmd=$(sed -n 's/^Exec=//p' "$share/applications/$app")
  [[ $cmd =~ ^([^ ]*/)?orvane\ --open\ %[fFuU]$ ]] ||
    { echo "the installed entry runs '$cmd', not orvane --open with the files"; exit 1; }
  echo "xdg-mime: demo.ovm is application/x-orvane-macro, opened by $app as" \
       "'${cmd% *} $tmp/demo.ovm'"
  rm -rf "$tmp"
}

# The Debian package from a build without sanitizers (the programs and the hook library
# only), checked by lintian: no error; its warnings are printed.
check_package() {
  command -v lintian >/dev/null || return 0
  local start=$SECONDS
  cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DORV_TESTS=OFF \
        -DORV_BENCH=OFF >/dev/null
  ninja -C build-deb >build-deb/build.log || { cat build-deb/build.log; exit 1; }
  rm -f build-deb/orvane_*.deb
  (cd build-deb && cpack -G DEB >cpack.log 2>&1) || { cat build-deb/cpack.log; exit 1; }
  lintian --fail-on error build-deb/orvane_*_amd64.deb
  echo "package: build-deb/$(cd build-deb && ls orvane_*_amd64.deb), lintian found no error" \
       "($((SECONDS - start)) s)"
}

BUILD=${ORV_TEST_BUILD:-build-test}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORV_SANITIZE=ON >/dev/null
ninja -C "$BUILD"
# Short smoke runs of the fuzzers (the long runs are done by hand). New inputs go to a
# scratch folder (the first one named); the seed corpora stay as committed.
if command -v clang++ >/dev/null; then
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
        -DORV_FUZZ=ON -DORV_TESTS=OFF -DORV_BENCH=OFF >/dev/null
  ninja -C build-fuzz compile_fuzzer breakpoint_fuzzer csv_fuzzer profile_fuzzer cli_args_fuzzer
  for f in compile:4096:corpus breakpoint:4096:breakpoint_corpus csv:16384:csv_corpus \
           profile:4096:profile_corpus cli_args:512:cli_args_corpus; do
    IFS=: read -r name len corpus <<<"$f"
    extra=()
    [ "$name" = compile ] && extra=(-dict=tests/fuzz/macro.dict)
    rm -rf "build-fuzz/$name-work" && mkdir -p "build-fuzz/$name-work"
    "build-fuzz/tests/fuzz/${name}_fuzzer" -runs=20000 -max_len="$len" -seed=1 "${extra[@]}" \
        -artifact_prefix=build-fuzz/ "build-fuzz/$name-work" "tests/fuzz/$corpus" \
        >/dev/null 2>"build-fuzz/$name-fuzz.log" || { tail -40 "build-fuzz/$name-fuzz.log"; exit 1; }
    echo "$name fuzz smoke run: 20000 inputs, no crash"
  done
fi
# The installed programs work from a fresh prefix (the hook library found beside them).
inst=$(mktemp -d /tmp/orvane-install.XXXXXX)
cmake --install "$BUILD" --prefix "$inst" >/dev/null
(cd "$inst" && LSAN_OPTIONS=detect_leaks=0 bin/orvane-cli check "$OLDPWD/examples/demo.ovm" >/dev/null) ||
  { echo "the installed orvane-cli failed"; exit 1; }
echo "install into a temporary prefix: orvane-cli check passes"
check_desktop_files "$inst"
rm -rf "$inst"
(cd "$BUILD" && ctest --output-on-failure -j2)
check_package
