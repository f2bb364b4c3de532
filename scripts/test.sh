#!/usr/bin/env bash
# Builds every target with AddressSanitizer + UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
BUILD=${ORV_TEST_BUILD:-build-test}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORV_SANITIZE=ON >/dev/null
ninja -C "$BUILD"
# Short smoke runs of the fuzzers (the long runs are done by hand).
if command -v clang++ >/dev/null; then
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
        -DORV_FUZZ=ON -DORV_TESTS=OFF -DORV_BENCH=OFF >/dev/null
  ninja -C build-fuzz compile_fuzzer breakpoint_fuzzer
  # New inputs go to a scratch folder (the first one named); the seed corpus stays as committed.
  rm -rf build-fuzz/corpus-work && mkdir -p build-fuzz/corpus-work
  build-fuzz/tests/fuzz/compile_fuzzer -runs=20000 -max_len=4096 -seed=1 -dict=tests/fuzz/macro.dict \
      build-fuzz/corpus-work tests/fuzz/corpus >/dev/null 2>build-fuzz/fuzz.log || { tail -40 build-fuzz/fuzz.log; exit 1; }
  echo "fuzz smoke run: 20000 inputs, no crash"
  rm -rf build-fuzz/breakpoint-work && mkdir -p build-fuzz/breakpoint-work
  build-fuzz/tests/fuzz/breakpoint_fuzzer -runs=20000 -max_len=4096 -seed=1 -artifact_prefix=build-fuzz/ \
      build-fuzz/breakpoint-work tests/fuzz/breakpoint_corpus >/dev/null 2>build-fuzz/fuzz-breakpoint.log \
      || { tail -40 build-fuzz/fuzz-breakpoint.log; exit 1; }
  echo "breakpoint-file fuzz smoke run: 20000 inputs, no crash"
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
