#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer with the address and
# undefined-behaviour sanitizers) in build-fuzz/ and runs each one for the
# given number of seconds, one after the other, starting from its seeds.
#
#   fuzz/run.sh [seconds per target, default 60] [target ...]
#
# Inputs that reach new code are kept in build-fuzz/corpus/<target> (the
# seeds in fuzz/corpus stay as they are); a crash, leak, time-out or
# undefined behaviour leaves its input in build-fuzz/findings/<target>/, which
# replays with build-fuzz/bin/replay_<target> <file> (or the replay program of
# a normal build). Exits 1 when any target found something.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
build=${KIVO_FUZZ_BUILD_DIR:-build-fuzz}

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
  -DKIVO_BUILD_FUZZ=ON -DKIVO_BUILD_TESTS=OFF -DKIVO_BUILD_BENCH=OFF -DKIVO_BUILD_GUI=OFF \
  >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(sed -n 's/^ *\([a-z_0-9]*\):kivo_[a-z]*)\{0,1\}$/\1/p' fuzz/CMakeLists.txt)
fi
build_targets=()
for t in "${targets[@]}"; do build_targets+=("fuzz_$t" "replay_$t"); done
cmake --build "$build" -j "${KIVO_FUZZ_JOBS:-2}" --target "${build_targets[@]}"

summary=()
failed=0
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t" "$build/findings/$t"
  log="$build/findings/$t.log"
  start=$(date +%s)
  status=clean
  if ! "$build/bin/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len=8192 -print_final_stats=1 -artifact_prefix="$build/findings/$t/" \
      "$build/corpus/$t" "fuzz/corpus/$t" >"$log" 2>&1; then
    status="FOUND (see $log)"
    failed=1
  fi
  elapsed=$(( $(date +%s) - start ))
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  summary+=("$(printf '%-24s %6ss %12s runs  %s' "$t" "$elapsed" "${runs:-?}" "$status")")
  echo "${summary[-1]}"
done

echo
echo "target                    time          runs  result"
printf '%s\n' "${summary[@]}"
exit $failed
