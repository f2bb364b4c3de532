#!/usr/bin/env bash
# Builds every target with AddressSanitizer + UndefinedBehaviorSanitizer and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
BUILD=${ORV_TEST_BUILD:-build-test}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORV_SANITIZE=ON >/dev/null
ninja -C "$BUILD"
# A short smoke run of the compile fuzzer (the long runs are done by hand).
if command -v clang++ >/dev/null; then
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
        -DORV_FUZZ=ON -DORV_TESTS=OFF -DORV_BENCH=OFF >/dev/null
  ninja -C build-fuzz compile_fuzzer
  # New inputs go to a scratch folder (the first one named); the seed corpus stays as committed.
  rm -rf build-fuzz/corpus-work && mkdir -p build-fuzz/corpus-work
  build-fuzz/tests/fuzz/compile_fuzzer -runs=20000 -max_len=4096 -seed=1 -dict=tests/fuzz/macro.dict \
      build-fuzz/corpus-work tests/fuzz/corpus >/dev/null 2>build-fuzz/fuzz.log || { tail -40 build-fuzz/fuzz.log; exit 1; }
  echo "fuzz smoke run: 20000 inputs, no crash"
fi
# Short smoke runs of the CSV and settings-file fuzzers, in the same way.
if command -v clang++ >/dev/null; then
  ninja -C build-fuzz csv_fuzzer profile_fuzzer
  for f in csv:16384 profile:4096; do
    name=${f%%:*}
    rm -rf "build-fuzz/$name-work" && mkdir -p "build-fuzz/$name-work"
    "build-fuzz/tests/fuzz/${name}_fuzzer" -runs=20000 -max_len="${f#*:}" -seed=1 \
        "build-fuzz/$name-work" "tests/fuzz/${name}_corpus" >/dev/null 2>"build-fuzz/$name-fuzz.log" \
        || { tail -40 "build-fuzz/$name-fuzz.log"; exit 1; }
    echo "$name fuzz smoke run: 20000 inputs, no crash"
  done
fi
cd "$BUILD"
ctest --output-on-failure -j2
