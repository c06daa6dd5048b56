# Shared by the scripts that run kivo-link over kivo-line-sim. Sourced after
# program_dir is set: sets tool, sim and work (a temporary folder removed at
# exit), the settings-file wrappers kl and kl_bg, and start_line.

tool="$program_dir/kivo-link"
sim="$program_dir/kivo-line-sim"
work=$(mktemp -d)
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The backup history goes into the test's folder, not beside the program.
printf '[Settings]\n[History]\nFolder=%s\n' "$work/history" >"$work/settings.ini"
kl() { "$tool" --settings "$work/settings.ini" "$@"; }
# The same for a background process, so that $! is the tool itself.
kl_bg() { exec "$tool" --settings "$work/settings.ini" "$@"; }

# start_line [FAULTS...]: a fresh cable; sets $a (the PC's end) and $b.
start_line() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  : >"$work/sim.out"
  "$sim" "$@" >"$work/sim.out" 2>&1 &
  sim_pid=$!
  for _ in $(seq 100); do
    grep -q '^a=' "$work/sim.out" && break
    sleep 0.05
  done
  read -r a b <"$work/sim.out"
  a=${a#a=}
  b=${b#b=}
}
