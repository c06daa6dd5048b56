# Shared by the scripts that run kivo-link's file commands one at a time.
# Sourced after program_dir is set: sets tool, work (a temporary folder
# removed at exit) and failures, and the checks below, which count a failure
# and show the command's output.

tool="$program_dir/kivo-link"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# run ARGS...: runs the tool with no input, leaving status, out and err behind.
run() {
  "$tool" "$@" >"$work/out" 2>"$work/err" </dev/null
  status=$?
  out=$(cat "$work/out")
  err=$(cat "$work/err")
}
fail() {
  echo "FAIL: $*" >&2
  echo "  stdout: $out" >&2
  echo "  stderr: $err" >&2
  failures=$((failures + 1))
}
expect_status() { [ "$status" -eq "$1" ] || fail "$2: status $status, expected $1"; }
expect_out() { grep -qF -- "$1" "$work/out" || fail "$2: stdout lacks '$1'"; }
expect_no_out() { ! grep -qF -- "$1" "$work/out" || fail "$2: stdout has '$1'"; }
expect_err() { grep -qF -- "$1" "$work/err" || fail "$2: stderr lacks '$1'"; }
