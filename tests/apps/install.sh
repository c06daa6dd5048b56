#!/usr/bin/env bash
# Installs the build into a temporary prefix and runs both programs from there
# with temporary XDG folders: an installed program finds its tables under
# share/kivo-link, keeps settings, records and logs in the XDG folders and
# writes nothing into the prefix. Arguments: <program dir> <source dir>.
set -u
program_dir=$1
build_dir=$(cd "$program_dir/.." && pwd)
work=$(mktemp -d)
gui_pid=
trap '[ -n "$gui_pid" ] && kill "$gui_pid" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  [ -f "$work/out" ] && sed 's/^/  stdout: /' "$work/out" | head -20 >&2
  [ -f "$work/err" ] && sed 's/^/  stderr: /' "$work/err" | head -20 >&2
  failures=$((failures + 1))
}

prefix=$work/prefix
if ! cmake --install "$build_dir" --prefix "$prefix" >"$work/install.log" 2>&1; then
  cat "$work/install.log" >&2
  echo "FAIL: cmake --install" >&2
  exit 1
fi

# ---- the layout ---------------------------------------------------------------
for f in bin/kivo-link bin/kivo-line-sim share/kivo-link/code.dat share/kivo-link/char.dat \
         share/kivo-link/sort.dat share/kivo-link/sample/categories.txt \
         share/kivo-link/sample/telephone.csv share/kivo-link/60-kivo-link-serial.rules \
         share/doc/kivo-link/copyright; do
  [ -f "$prefix/$f" ] || fail "installed file $f is missing"
done
if [ -d "$build_dir/man" ]; then
  for f in share/man/man1/kivo-link.1.gz share/man/man5/kivo-link-bkf.5.gz \
           share/man/man1/kivo-line-sim.1.gz; do
    [ -f "$prefix/$f" ] || fail "man page $f is missing"
  done
fi
gui=$prefix/bin/Kivo-LinkUtility
if [ -x "$gui" ]; then
  id=org.kivolink.LinkUtility
  for f in share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
           share/icons/hicolor/scalable/apps/$id.svg share/icons/hicolor/48x48/apps/$id.png \
           share/icons/hicolor/256x256/apps/$id.png; do
    [ -f "$prefix/$f" ] || fail "desktop file $f is missing"
  done
  if [ -d "$build_dir/man" ] && [ ! -f "$prefix/share/man/man1/Kivo-LinkUtility.1.gz" ]; then
    fail "man page Kivo-LinkUtility.1.gz is missing"
  fi
  grep -q '^Exec=Kivo-LinkUtility$' "$prefix/share/applications/$id.desktop" ||
    fail "the desktop entry does not start the installed program"
  # The metadata and the desktop entry as installed, checked together.
  if command -v appstreamcli >/dev/null; then
    appstreamcli validate-tree --no-net "$prefix" >"$work/out" 2>&1 ||
      fail "appstreamcli validate-tree of the installation"
  fi
fi
rule=$prefix/share/kivo-link/60-kivo-link-serial.rules
for want in 'GROUP="dialout"' 'MODE="0660"' 'ENV{ID_MM_DEVICE_IGNORE}="1"'; do
  grep -v '^#' "$rule" | grep -qF "$want" || fail "udev rule lacks $want"
done

# Everything the installation holds, to find out later whether a program wrote
# into it.
snapshot() { (cd "$prefix" && find . -print0 | sort -z | xargs -0 ls -ld --time-style=+%s.%N); }
snapshot >"$work/prefix.before"

# ---- the command-line tool ---------------------------------------------------------
home=$work/home
mkdir -p "$home" "$work/cwd"
export HOME=$home
export XDG_CONFIG_HOME=$work/xdg/config
export XDG_DATA_HOME=$work/xdg/data
export XDG_STATE_HOME=$work/xdg/state
cd "$work/cwd" || exit 1
tool=$prefix/bin/kivo-link

# run PROGRAM ARGS...: leaves status, stdout and stderr behind.
run() {
  "$@" >"$work/out" 2>"$work/err"
  status=$?
}
expect_status() { [ "$status" -eq "$1" ] || fail "$2: status $status, expected $1"; }
expect_out() { grep -qF -- "$1" "$work/out" || fail "$2: stdout lacks '$1'"; }

for opt in --help --version; do
  run "$tool" $opt
  expect_status 0 "kivo-link $opt"
  [ -s "$work/out" ] || fail "kivo-link $opt printed nothing on stdout"
  [ -s "$work/err" ] && fail "kivo-link $opt wrote to stderr"
done
expect_out "kivo-link 1" "kivo-link --version"

# A backup from the virtual organizer, seeded from the installed sample records.
run "$tool" -p virtual backup full.bkf
expect_status 0 "backup from the virtual organizer"
[ -f "$XDG_DATA_HOME/kivo-link/virtual-organizer.bkf" ] ||
  fail "the virtual organizer's records are not in XDG_DATA_HOME/kivo-link"
for dir in "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_STATE_HOME"; do
  [ "$(stat -c %a "$dir/kivo-link")" = 700 ] || fail "$dir/kivo-link is not private"
done

run "$tool" info full.bkf
expect_status 0 "info"
expect_out "IM2BK1" "info"
expect_out "Telephone" "info"
memo_count=$(sed -n 's/^ *Memo  *\([0-9][0-9]*\) record.*/\1/p' "$work/out")
[ -n "$memo_count" ] && [ "$memo_count" -gt 0 ] || fail "info shows no Memo records"

run "$tool" show full.bkf telephone
expect_status 0 "show"
[ "$(wc -l <"$work/out")" -gt 5 ] || fail "show printed too little"

run "$tool" export full.bkf memo memo.csv
expect_status 0 "export"
expect_out "$memo_count records were successfully exported." "export"

run "$tool" --plain import fresh.bkf memo memo.csv
expect_status 0 "import"
expect_out "$memo_count records were successfully imported." "import"
run "$tool" info fresh.bkf
expect_out "IM2BK0" "info of the imported file"
expect_out "Memo" "info of the imported file"

# The settings come from XDG_CONFIG_HOME; a bare log name lands in XDG_STATE_HOME.
printf '[Path]\nLogFileName=link.log\n[Settings]\nDisplayDate=2\n' \
  >"$XDG_CONFIG_HOME/kivo-link/Kivo-LinkUtility.ini"
run "$tool" -p virtual upload schedule sched.bkf
expect_status 0 "upload from the virtual organizer"
[ -s "$XDG_STATE_HOME/kivo-link/link.log" ] || fail "no link log in XDG_STATE_HOME/kivo-link"
run "$tool" show sched.bkf schedule
grep -qE '(^| )[0-9]{4}\.[0-9]{2}\.[0-9]{2}( |$)' "$work/out" ||
  fail "show does not follow DisplayDate=2 of the XDG settings file"
rm "$XDG_CONFIG_HOME/kivo-link/Kivo-LinkUtility.ini"

# A restore empties the virtual organizer's other applications: last.
run "$tool" -p virtual restore fresh.bkf
expect_status 0 "restore to the virtual organizer"

# Without the XDG variables the folders under HOME are used.
(
  unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_STATE_HOME
  "$tool" -p virtual backup home.bkf >"$work/out" 2>"$work/err"
) || fail "backup without XDG variables"
[ -f "$home/.local/share/kivo-link/virtual-organizer.bkf" ] ||
  fail "without XDG_DATA_HOME the records are not in ~/.local/share/kivo-link"
[ -d "$home/.config/kivo-link" ] && [ -d "$home/.local/state/kivo-link" ] ||
  fail "without the XDG variables ~/.config/kivo-link or ~/.local/state/kivo-link is missing"

# ---- the desktop program -----------------------------------------------------------
if [ -x "$gui" ]; then
  export QT_QPA_PLATFORM=offscreen
  for opt in --help --version; do
    run timeout -k 5 30 "$gui" $opt
    expect_status 0 "Kivo-LinkUtility $opt"
    [ -s "$work/out" ] || fail "Kivo-LinkUtility $opt printed nothing on stdout"
  done
  expect_out "Kivo-LinkUtility 1" "Kivo-LinkUtility --version"

  # The working data file is the plain import from above; the program saves it
  # inverted (FileScramble 1) when it ends, so an inverted file with the same
  # records proves it was loaded and saved.
  data=$XDG_DATA_HOME/kivo-link
  cp fresh.bkf "$data/Kivo-LinkUtility.dat"
  # The file dialogs open in the documents folder, not in the hidden one.
  mkdir -p "$home/Documents"
  rm -rf "$data/DATA"
  # A time limit, so a program stuck in a message box cannot hang the test.
  timeout -k 5 60 "$gui" --instance "kivo-install-test-$$" >"$work/out" 2>"$work/err" &
  gui_pid=$!
  # The single-instance socket appears once the program has taken over the
  # termination signals; a termination request then closes the window the
  # ordinary way as soon as it runs.
  socket=kivo-install-test-$$.socket
  for _ in $(seq 100); do
    [ -S "${XDG_RUNTIME_DIR:-/nonexistent}/$socket" ] && break
    [ -S "${XDG_CACHE_HOME:-$home/.cache}/kivo-link/$socket" ] && break
    kill -0 "$gui_pid" 2>/dev/null || break
    sleep 0.1
  done
  sleep 0.5
  kill -TERM "$gui_pid" 2>/dev/null
  wait "$gui_pid"
  status=$?
  gui_pid=
  expect_status 0 "Kivo-LinkUtility ending on a termination request"
  [ -f "$XDG_CONFIG_HOME/kivo-link/Kivo-LinkUtility.ini" ] ||
    fail "the desktop program saved no settings in XDG_CONFIG_HOME/kivo-link"
  tr -d '\r' <"$XDG_CONFIG_HOME/kivo-link/Kivo-LinkUtility.ini" | grep -qx "BackupDir=$home/Documents" ||
    fail "the file dialogs do not open in the documents folder"
  [ -e "$data/DATA" ] && fail "the desktop program made the hidden DATA folder"
  run "$tool" info "$data/Kivo-LinkUtility.dat"
  expect_out "IM2BK1" "the working data file saved at exit"
  expect_out "$memo_count records" "the working data file saved at exit"
fi

# ---- nothing was written into the installation ----------------------------------------
snapshot >"$work/prefix.after"
if ! cmp -s "$work/prefix.before" "$work/prefix.after"; then
  diff "$work/prefix.before" "$work/prefix.after" >&2
  fail "a program wrote into the installation prefix"
fi

# ---- the Debian package -----------------------------------------------------------------
if command -v cpack >/dev/null && command -v dpkg-deb >/dev/null &&
   command -v dpkg-shlibdeps >/dev/null && [ -f "$build_dir/CPackConfig.cmake" ]; then
  if (cd "$work" && cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$work/deb" \
        >"$work/cpack.log" 2>&1); then
    deb=$(ls "$work"/deb/kivo-link_*.deb 2>/dev/null | head -1)
    if [ -z "$deb" ]; then
      fail "cpack made no kivo-link .deb"
    else
      dpkg-deb -c "$deb" | awk '{print $6}' >"$work/deb.list"
      for f in ./usr/bin/kivo-link ./usr/share/kivo-link/code.dat ./usr/share/kivo-link/sample/memo.csv \
               ./usr/share/kivo-link/60-kivo-link-serial.rules; do
        grep -qxF "$f" "$work/deb.list" || fail "the .deb lacks $f"
      done
      [ "$(dpkg-deb -f "$deb" Package)" = kivo-link ] || fail "the .deb is not named kivo-link"
      dpkg-deb -f "$deb" Depends | grep -q 'libc6' || fail "the .deb has no library dependencies"
    fi
  else
    cat "$work/cpack.log" >&2
    fail "cpack -G DEB"
  fi
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)" >&2
  exit 1
fi
echo "install: all checks passed"
