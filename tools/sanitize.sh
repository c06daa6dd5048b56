#!/usr/bin/env bash
# The sanitizer pass: the whole test suite under the address and
# undefined-behaviour sanitizers of the asan-ubsan preset, which includes the
# fuzz targets' replay programs over their seed corpora, then the tests of the
# threaded layers (platform queues and lines, link waits and aborts, workers,
# auto detection, the virtual organizer) under ThreadSanitizer in build-tsan/.
# ./test.sh runs it in CI after the main tests. Fails on the first finding.
# The Qt program and its tests pass under the sanitizers too but add several
# minutes of building: KIVO_SANITIZE_GUI=ON takes them in (CI leaves them out
# to stay within its time).
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
start=$(date +%s)

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cmake --preset asan-ubsan -DKIVO_BUILD_GUI="${KIVO_SANITIZE_GUI:-OFF}"
cmake --build --preset asan-ubsan -j "$jobs"
QT_QPA_PLATFORM=offscreen ctest --preset asan-ubsan -j "$jobs"
echo "asan-ubsan: $(( $(date +%s) - start )) s"

tsan_start=$(date +%s)
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKIVO_WERROR=ON -DKIVO_BUILD_GUI=OFF \
  -DKIVO_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer -O1" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread"
threaded=(platform_tests link_tests comm_tests)
cmake --build build-tsan -j "$jobs" --target "${threaded[@]}"
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
for suite in "${threaded[@]}"; do
  (cd build-tsan/tests && "../bin/$suite" --gtest_brief=1)
done
echo "tsan: $(( $(date +%s) - tsan_start )) s; sanitizers in all: $(( $(date +%s) - start )) s"
