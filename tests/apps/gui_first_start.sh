#!/usr/bin/env bash
# A new owner's first hour, driven by keys on a real X server (Xvfb) with
# xdotool: an installed copy with empty XDG folders offers the port choice,
# the virtual organizer is chosen, File > Backup... fills the lists, and the
# settings, the working data file and the history hold the result.
# Arguments: <program dir> <source dir>. 77: no Xvfb or xdotool.
set -u
for need in xvfb-run xdotool; do
  command -v "$need" >/dev/null || { echo "SKIP: $need is not installed"; exit 77; }
done
if [ -z "${KIVO_UNDER_XVFB:-}" ]; then
  KIVO_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
program_dir=$1
build_dir=$(cd "$program_dir/.." && pwd)
work=$(mktemp -d)
gui_pid=
trap '[ -n "$gui_pid" ] && kill "$gui_pid" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  [ -f "$work/err" ] && sed 's/^/  stderr: /' "$work/err" | head -20 >&2
  failures=$((failures + 1))
}

prefix=$work/prefix
if ! cmake --install "$build_dir" --prefix "$prefix" >"$work/install.log" 2>&1; then
  cat "$work/install.log" >&2
  echo "FAIL: cmake --install" >&2
  exit 1
fi
gui=$prefix/bin/Kivo-LinkUtility
tool=$prefix/bin/kivo-link
[ -x "$gui" ] || { echo "SKIP: the desktop program is not built"; exit 77; }

export HOME=$work/home
export XDG_CONFIG_HOME=$work/xdg/config
export XDG_DATA_HOME=$work/xdg/data
export XDG_STATE_HOME=$work/xdg/state
mkdir -p "$HOME/Documents"
unset QT_QPA_PLATFORM
settings=$XDG_CONFIG_HOME/kivo-link/Kivo-LinkUtility.ini

# The window titled $1, once it is on screen, focused; empty after 20 s.
window() {
  local id
  id=$(timeout 20 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | tail -1)
  [ -n "$id" ] && xdotool windowfocus --sync "$id" 2>/dev/null
  echo "$id"
}
keys() { sleep 0.3; xdotool key --delay 120 "$@"; }

timeout -k 5 120 "$gui" --instance "kivo-first-start-$$" >"$work/out" 2>"$work/err" &
gui_pid=$!

# The first start: the COM port dialog offered by itself, the virtual
# organizer chosen with its key, and OK (two stops on: Auto Detect, OK).
if [ -z "$(window '^COM port$')" ]; then
  fail "no port choice offered on the first start"
else
  keys alt+v Tab Tab space
fi
# File > Backup..., Yes to the question; the virtual organizer needs no
# reminder of the cable.
if [ -z "$(window 'TR/VX-480')" ]; then
  fail "no main window"
else
  keys alt+f b
  if [ -z "$(window '^Backup$')" ]; then
    fail "no Backup question"
  else
    keys alt+y
  fi
fi
# The progress window comes and goes by itself; the window then ends as it
# would on a termination request, saving the working data file.
for _ in $(seq 100); do
  ls "$XDG_DATA_HOME"/kivo-link/history/*backup* >/dev/null 2>&1 && break
  sleep 0.2
done
sleep 1
kill -TERM "$gui_pid" 2>/dev/null
wait "$gui_pid"
status=$?
gui_pid=
[ "$status" -eq 0 ] || fail "Kivo-LinkUtility ended with $status"

tr -d '\r' <"$settings" 2>/dev/null | grep -qx 'PortName=virtual' ||
  fail "the first start's choice of the virtual organizer is not in the settings"
ls "$XDG_DATA_HOME"/kivo-link/history/*backup* >/dev/null 2>&1 ||
  fail "the Backup kept no copy in the history"
"$tool" info "$XDG_DATA_HOME/kivo-link/Kivo-LinkUtility.dat" >"$work/info" 2>&1 ||
  fail "kivo-link info of the working data file"
grep -Eq "Telephone +[1-9][0-9]* records" "$work/info" ||
  { sed 's/^/  info: /' "$work/info" >&2; fail "the Backup brought no telephone records"; }

# A second start offers nothing: the choice is made.
timeout -k 5 60 "$gui" --instance "kivo-first-start-$$" >"$work/out" 2>"$work/err" &
gui_pid=$!
window 'TR/VX-480' >/dev/null
sleep 1
xdotool search --onlyvisible --name '^COM port$' >/dev/null 2>&1 &&
  fail "the port choice was offered a second time"
kill -TERM "$gui_pid" 2>/dev/null
wait "$gui_pid"
gui_pid=

[ "$failures" -eq 0 ] || exit 1
echo "first start to a Backup: ok"
