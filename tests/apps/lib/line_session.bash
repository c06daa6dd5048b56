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

# fail TEXT: counts a failure and shows it with the non-empty error files of
# $work named in $err_files.
err_files=err
fail() {
  echo "FAIL: $*" >&2
  local f
  for f in $err_files; do
    [ -s "$work/$f" ] && sed 's/^/  '"$f"': /' "$work/$f" >&2
  done
  failures=$((failures + 1))
}
# expect STATUS EXPECTED WHAT
expect() { [ "$1" -eq "$2" ] || fail "$3: status $1, expected $2"; }

# write_phone_and_memo_dumps DIR: the organizer's send dump files of two
# Telephone records in last-name order, the second one long enough for three
# data packets, and two memos in their default order.
write_phone_and_memo_dumps() {
  mkdir -p "$1"
  local long
  long=$(printf 'x%.0s' $(seq 90))
  printf '\x01Adams\x00David\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff' >"$1/telephone.snd"
  printf '\x00Brandt\x00Xenia\x00%s\x001\x002\x003\x004\x00%s\x00Lyon\x00\x0069001\x00France\x00x@y\x00%s\x00\xff' \
    "$long" "$long" "$long" >>"$1/telephone.snd"
  printf 'Buy milk\x00\xffCall Anna\x00\xff' >"$1/memo.snd"
}

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
