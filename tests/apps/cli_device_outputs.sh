#!/usr/bin/env bash
# Output files that are not regular files: a named pipe, a symbolic link, a
# character device, a socket and standard output are each written as what
# they are and stay what they were. Arguments: <program dir> <source dir>.
set -u
program_dir=$1
source "$(dirname "$0")/lib/tool_run.bash"

printf 'IM2BK0\x02\x00\x01\x03\x00\x02Hi\x00\xffabc\x00\xff' >"$work/memo.bkf"
export_to() { run export "$work/memo.bkf" memo "$1"; }

# A named pipe is written through its reader, once, and stays a pipe.
mkfifo "$work/pipe"
timeout 30 cat "$work/pipe" >"$work/from-pipe" &
reader=$!
export_to "$work/pipe"
wait "$reader"
expect_status 0 "export to a named pipe"
[ -p "$work/pipe" ] || fail "the named pipe is still a named pipe"
grep -q '^abc' "$work/from-pipe" || fail "the pipe's reader got the records"

# A symbolic link is followed: its file gets the records, the link stays.
mkdir "$work/real"
echo old >"$work/real/memo.csv"
ln -s real/memo.csv "$work/link.csv"
export_to "$work/link.csv"
expect_status 0 "export to a symbolic link"
[ -L "$work/link.csv" ] || fail "the symbolic link is still a link"
grep -q '^abc' "$work/real/memo.csv" || fail "the linked file holds the records"

# A character device of our own (the null device's numbers), where allowed.
if mknod "$work/null" c 1 3 2>/dev/null; then
  export_to "$work/null"
  expect_status 0 "export to a character device"
  [ -c "$work/null" ] || fail "the character device is still a character device"
  [ "$(stat -c %t:%T "$work/null")" = "1:3" ] || fail "the device keeps its numbers"
  [ ! -s "$work/null" ] || fail "the device reads as empty as before"
else
  echo "note: mknod not permitted; the character device is not tried"
fi

# A socket cannot be written: refused, and left alone.
if python3 -c 'import socket,sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' \
  "$work/sock" 2>/dev/null; then
  export_to "$work/sock"
  expect_status 1 "export to a socket"
  expect_err "is a socket" "a socket's refusal says why"
  [ -S "$work/sock" ] || fail "the socket is still a socket"
fi

# Standard output, by "-" or by name: the records there, the message aside;
# a file the shell opened keeps its inode.
export_to -
expect_status 0 "export to -"
expect_out 'abc' "export to - writes the records to standard output"
expect_no_out "successfully exported" "the message stays out of the output"
expect_err "2 records were successfully exported." "the message goes to the error stream"
touch "$work/shell.csv"
inode=$(stat -c %i "$work/shell.csv")
"$tool" export "$work/memo.bkf" memo /dev/stdout >"$work/shell.csv" 2>/dev/null
[ "$(stat -c %i "$work/shell.csv")" = "$inode" ] || fail "/dev/stdout is written, not replaced"
grep -q '^abc' "$work/shell.csv" || fail "/dev/stdout holds the records"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all checks passed"
