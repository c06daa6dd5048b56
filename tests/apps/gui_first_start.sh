#!/usr/bin/env bash
# A new owner's first hour, driven by keys on a real X server (Xvfb) with
# xdotool: an installed copy with empty XDG folders offers the port choice,
# the virtual organizer is chosen, File > Backup... fills the lists, and the
# settings, the working data file and the history hold the result; a second
# start offers nothing. Arguments: <program dir> <source dir>. 77: no Xvfb or
# xdotool, or no desktop program built.
set -u
for need in xvfb-run xdotool; do
  command -v "$need" >/dev/null || { echo "SKIP: $need is not installed"; exit 77; }
done
# A build without the desktop program (the sanitizer pass) has nothing to walk.
[ -x "$1/Kivo-LinkUtility" ] || { echo "SKIP: the desktop program is not built"; exit 77; }
[ -n "${KIVO_UNDER_XVFB:-}" ] ||
  KIVO_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
work=$(mktemp -d)
gui_pid=
trap '[ -n "$gui_pid" ] && kill "$gui_pid" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
cmake --install "$(cd "$1/.." && pwd)" --prefix "$work/prefix" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log" >&2; exit 1; }
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
export XDG_STATE_HOME=$work/state
mkdir -p "$HOME/Documents"
unset QT_QPA_PLATFORM
data=$XDG_DATA_HOME/kivo-link

# Waits up to 20 s for a window titled $1 and focuses it; false when none came.
focus() {
  local id
  id=$(timeout 20 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | tail -1)
  [ -n "$id" ] && xdotool windowfocus --sync "$id" && sleep 0.3
}
start() {
  timeout -k 5 120 "$work/prefix/bin/Kivo-LinkUtility" --instance "kivo-walk-$$" 2>/dev/null &
  gui_pid=$!
}
stop() { kill -TERM "$gui_pid"; wait "$gui_pid" || fail "the program ended with $?"; gui_pid=; }

start
# The virtual organizer by its key; OK is two stops on (Auto Detect, OK).
focus '^COM port$' && xdotool key --delay 120 alt+v Tab Tab space ||
  fail "no port choice offered on the first start"
# No reminder of the cable for the virtual organizer: the question, then the run.
focus 'TR/VX-480' && xdotool key --delay 120 alt+f b && focus '^Backup$' &&
  xdotool key alt+y || fail "no File > Backup... with its question"
for _ in $(seq 100); do
  ls "$data"/history/*backup* >/dev/null 2>&1 && break
  sleep 0.2
done
sleep 1
stop
tr -d '\r' <"$XDG_CONFIG_HOME/kivo-link/Kivo-LinkUtility.ini" | grep -qx 'PortName=virtual' ||
  fail "the choice of the virtual organizer is not in the settings"
ls "$data"/history/*backup* >/dev/null 2>&1 || fail "the Backup kept no copy in the history"
"$work/prefix/bin/kivo-link" info "$data/Kivo-LinkUtility.dat" 2>&1 |
  grep -Eq "Telephone +[1-9][0-9]* records" || fail "the Backup brought no telephone records"

start
focus 'TR/VX-480' && sleep 1
xdotool search --onlyvisible --name '^COM port$' >/dev/null && fail "the port choice came again"
stop
[ "$failures" -eq 0 ] && echo "first start to a Backup: ok"
