#!/usr/bin/env bash
# Builds every target with AddressSanitizer + UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
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
rm -rf "$inst"
echo "install into a temporary prefix: orvane-cli check passes"
cd "$BUILD"
ctest --output-on-failure -j2
