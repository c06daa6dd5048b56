#!/bin/sh
# Builds the benchmarks (release), runs them all and writes the results table
# to bench/RESULTS.md.
#
#   bench/run.sh [build-dir]
#
# Environment:
#   LINK_RECORDS  records per application of the link benchmark (default 920,
#                 a full organizer: the Backup and Restore then take about a
#                 quarter of an hour of wall time at the cable's pace)
#   SYNC_RECORDS  records per application of the organizer sync benchmark
#                 (default LINK_RECORDS: a Backup, a quiet sync and a sync of
#                 one change, each at the cable's pace)
#   LINK_RT       1: run the link benchmark a second time at real-time
#                 priority (chrt -f), which shows the program's own latency
#                 apart from a busy machine's scheduling delays (needs the
#                 right to set it)
#   BENCH_FILTER  a --benchmark_filter for every benchmark but the link's
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${1:-$root/build-bench}
records=${LINK_RECORDS:-920}
out=$build/bench-results
mkdir -p "$out"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKIVO_BUILD_GUI=ON \
  -DKIVO_BUILD_BENCH=ON -DKIVO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null

machine="$out/machine.txt"
{
  echo "cores=$(nproc)"
  echo "cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')"
  echo "memory=$(awk '/MemTotal/ {printf "%.1f GB", $2 / 1048576}' /proc/meminfo)"
  echo "date=$(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "load=$(cut -d' ' -f1-3 /proc/loadavg)"
  echo "commit=$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)"
  echo "link_records=$records"
} >"$machine"

run() {
  name=$1
  shift
  echo "== $name" >&2
  "$build/bench/$name" --benchmark_out="$out/$name.json" --benchmark_out_format=json "$@" >&2
}

filter=${BENCH_FILTER:+--benchmark_filter=$BENCH_FILTER}
# The desktop program's start runs on Qt's offscreen platform.
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
for name in appli_store_bench backup_file_bench csv_bench main_view_model_bench serial_wait_bench \
    startup_bench sync_merge_bench collection_sync_bench calendar_bench search_bench; do
  # shellcheck disable=SC2086
  run "$name" $filter
done
rm -f "$out/link_transfer_bench_rt.json"
run link_transfer_bench --records="$records"
run organizer_sync_bench --records="${SYNC_RECORDS:-$records}"
if [ "${LINK_RT:-0}" = 1 ]; then
  echo "== link_transfer_bench (real-time priority)" >&2
  chrt -f 10 "$build/bench/link_transfer_bench" --records="$records" \
    --benchmark_out="$out/link_transfer_bench_rt.json" --benchmark_out_format=json >&2
fi

python3 "$here/results_table.py" "$out" >"$here/RESULTS.md"
echo "Wrote $here/RESULTS.md" >&2
