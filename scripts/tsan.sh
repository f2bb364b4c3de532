#!/usr/bin/env bash
# Builds the executor's and the hook library's unit tests with ThreadSanitizer (build-tsan) and
# runs the tests of run control (run, stop, step, debug), of the hook library and of the
# programs' side of it (recorder/).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${ORV_TSAN_BUILD:-build-tsan}
FLAGS="-fsanitize=thread -fno-omit-frame-pointer -g"
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORV_SANITIZE=OFF \
      -DORV_BENCH=OFF -DCMAKE_CXX_FLAGS="$FLAGS" -DCMAKE_C_FLAGS="$FLAGS" \
      -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=thread \
      >/dev/null
ninja -C "$BUILD" -j"${ORV_JOBS:-2}" orv_unit_tests orv_hook_tests orv_recorder_tests
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
"$BUILD/tests/orv_unit_tests" \
    --gtest_filter='Executor*:RunAndDebugRun/*:AutoClick.*'
"$BUILD/tests/orv_hook_tests"
"$BUILD/tests/orv_recorder_tests"
echo "ThreadSanitizer: no race reported"
