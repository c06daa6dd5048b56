#!/usr/bin/env bash
# kivo-link's transfer commands end to end: two real processes, the PC side
# and `kivo-link simulate` playing the organizer, talk over kivo-line-sim's
# pair of pseudo-terminals; then the built-in virtual organizer.
# Arguments: <program dir> <source dir>.
set -u
program_dir=$1
source "$(dirname "$0")/lib/line_session.bash"
failures=0
err_files="pc.err dev.err"
same() { cmp -s "$1" "$2" || fail "$3: $(basename "$1") differs from $(basename "$2")"; }


# session "PC ARGS" "ORGANIZER ARGS": the PC command starts first and waits
# for the organizer, which `simulate` plays on the other end with the dump
# files of $work/dev. Sets pc and dev to the two exit statuses.
session() {
  start_line
  # shellcheck disable=SC2086
  (kl_bg --port "$a" --to-command 5 $1 >"$work/pc.out" 2>"$work/pc.err") &
  local pc_pid=$!
  sleep 0.2
  # shellcheck disable=SC2086
  # Its time-out must outlast the PC's 1 s wait for a model answer.
  (kl_bg --port "$b" --to-command 3 --data "$work/dev" simulate $2 >/dev/null 2>"$work/dev.err") &
  local dev_pid=$!
  wait "$pc_pid"
  pc=$?
  wait "$dev_pid"
  dev=$?
}

# The organizer's send dump files: two Telephone records in last-name order,
# the second one long enough for three data packets; two memos in their
# default order; one schedule entry; the category list; the rest empty.
write_phone_and_memo_dumps "$work/dev"
printf '\x20\x01\x12\x31\x09\x00\x10\x30\x00\x00\x00\x15\x00\x40Meeting, room 2\x00\xff' \
  >"$work/dev/schedule.snd"
printf 'Food\x00Hotel\x00Car\x00Phone\x00Fares\x00Fun\x00Tips\x00Misc\x00\xff' \
  >"$work/dev/expense_category.snd"
: >"$work/dev/anniversary.snd"
: >"$work/dev/todo.snd"
: >"$work/dev/expense.snd"

# Backup from the simulator: every application it serves arrives.
session "backup $work/backup.bkf" ""
expect "$pc" 0 "backup from simulate"
expect "$dev" 0 "simulate ends on END_COMMUNICATION"
kl info "$work/backup.bkf" >"$work/info.out" 2>&1
for line in "Telephone *2 records" "Schedule *1 record" "Memo *2 records"; do
  grep -q "$line" "$work/info.out" || fail "backup file lacks '$line'"
done

# Download sends one application of the file; the simulator's receive dump
# file holds exactly what it served. It then waits for a further command
# until its time-out (105).
session "download telephone $work/backup.bkf" "telephone"
expect "$pc" 0 "download"
expect "$dev" 105 "simulate waits after a reception"
same "$work/dev/telephone.rcv" "$work/dev/telephone.snd" "download telephone"

# Upload into a new file, then send its second memo alone.
session "upload memo $work/upload.bkf" ""
expect "$pc" 0 "upload"
session "send memo $work/upload.bkf 1" "memo"
expect "$pc" 0 "send"
printf 'Call Anna\x00\xff' >"$work/one_memo"
same "$work/dev/memo.rcv" "$work/one_memo" "send record 1"

# Restore of a file that holds Memo alone: deletions, then the memos. (The
# simulator takes records sent for the application last asked for, so the
# run without a snapshot is the one it can check.)
printf 'IM2BK0\x02\x00\x01\x03\x00\x02Buy milk\x00\xffCall Anna\x00\xff' >"$work/memo_only.bkf"
rm -f "$work/dev/memo.rcv"
session "--no-snapshot restore $work/memo_only.bkf" "memo"
expect "$pc" 0 "restore"
same "$work/dev/memo.rcv" "$work/dev/memo.snd" "restore memo"
# With the snapshot: what the organizer served before the deletions is kept
# in the history, the same records as a backup of it.
session "restore $work/memo_only.bkf" ""
expect "$pc" 0 "restore with a snapshot"
snapshot=$(ls "$work"/history/*-snapshot-*.bkf 2>/dev/null | tail -1)
kl diff "$work/backup.bkf" "$snapshot" >/dev/null 2>&1
expect $? 0 "the snapshot holds what the organizer served"

# An organizer that falls silent after the negotiation: 105 after the
# time-out, and neither a new file nor a changed one.
printf 'old contents' >"$work/kept.bkf"
for target in "$work/new.bkf" "$work/kept.bkf"; do
  start_line --stall b:10
  start=$(date +%s%N)
  (kl_bg --port "$a" --to-command 1 --to-packet 1 backup "$target" >/dev/null 2>"$work/pc.err") &
  pc_pid=$!
  sleep 0.2
  (kl_bg --port "$b" --data "$work/dev" simulate >/dev/null 2>"$work/dev.err") &
  dev_pid=$!
  wait "$pc_pid"
  pc=$?
  elapsed=$((($(date +%s%N) - start) / 1000000))
  kill "$dev_pid" 2>/dev/null
  wait "$dev_pid" 2>/dev/null
  expect "$pc" 105 "silent organizer"
  grep -q "Organizer is not responding" "$work/pc.err" || fail "time-out message missing"
  [ "$elapsed" -ge 1000 ] && [ "$elapsed" -lt 15000 ] || fail "time-out after $elapsed ms"
done
[ -e "$work/new.bkf" ] && fail "a failed backup created its file"
[ "$(cat "$work/kept.bkf")" = "old contents" ] || fail "a failed backup changed its file"

# Ctrl+C while the PC waits for the organizer: 100, and the other end of the
# cable sees NACK then END_COMMUNICATION.
start_line
stty -F "$b" raw -echo 2>/dev/null
timeout 4 cat "$b" >"$work/peer.bytes" &
cat_pid=$!
(kl_bg --port "$a" backup "$work/aborted.bkf" >/dev/null 2>"$work/pc.err") &
pc_pid=$!
sleep 0.5
kill -INT "$pc_pid"
wait "$pc_pid"
pc=$?
wait "$cat_pid"
expect "$pc" 100 "Ctrl+C"
grep -q "User aborted." "$work/pc.err" || fail "abort message missing"
[ "$(od -An -tx1 "$work/peer.bytes" | tr -d ' \n')" = "7f15000094" ] ||
  [ "$(od -An -tx1 "$work/peer.bytes" | tr -d ' \n')" = "7f150000947f09000088" ] ||
  fail "peer got $(od -An -tx1 "$work/peer.bytes"), expected NACK and END_COMMUNICATION"
[ "$(od -An -tx1 "$work/peer.bytes" | tr -d ' \n')" = "7f150000947f09000088" ] ||
  fail "END_COMMUNICATION did not follow NACK"
[ -e "$work/aborted.bkf" ] && fail "an aborted backup created its file"

# A port that will not open: the message, then why.
kl --port /dev/kivo-no-such-port backup "$work/x.bkf" >/dev/null 2>"$work/pc.err"
expect $? 110 "missing port"
grep -q "Cannot open COM port." "$work/pc.err" || fail "open failure message missing"
grep -q "missing: /dev/kivo-no-such-port does not exist" "$work/pc.err" || fail "missing reason"
start_line
(kl_bg --port "$b" --data "$work/dev" simulate >/dev/null 2>&1) &
dev_pid=$!
sleep 0.3
kl --port "$b" backup "$work/x.bkf" >/dev/null 2>"$work/pc.err"
expect $? 110 "busy port"
grep -q "busy: held by kivo-link (pid $dev_pid)" "$work/pc.err" || fail "busy reason: $(cat "$work/pc.err")"
# A device of the dialout group, tried by a user who is not in it (only
# where this script may switch users, and that user can reach the program's
# tables: a clone in a private folder cannot be run by another user).
as_nobody() { setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups "$@"; }
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null && getent group dialout >/dev/null &&
  id nobody >/dev/null 2>&1 && as_nobody test -r "$(dirname "$tool")/code.dat"; then
  chmod 755 "$work"
  chgrp dialout "$a" && chmod 660 "$a"
  as_nobody "$tool" --settings "$work/settings.ini" --port "$a" backup "$work/x.bkf" >/dev/null 2>"$work/pc.err"
  expect $? 110 "port without permission"
  grep -q "no permission: $a (crw-rw----) belongs to group dialout and user nobody is not in it" \
    "$work/pc.err" || fail "permission reason: $(cat "$work/pc.err")"
  chmod 700 "$work"
fi
printf '[Ports]\nCOM1=%s\nCOM2=/dev/kivo-no-such-port\nCOM3=virtual\n' "$a" >"$work/ports.ini"
"$tool" --settings "$work/ports.ini" ports >"$work/ports.out" 2>&1
expect $? 0 "ports"
grep -q "COM1 \* $a  can be opened" "$work/ports.out" || fail "ports: COM1 line: $(cat "$work/ports.out")"
grep -q "COM2   /dev/kivo-no-such-port  missing" "$work/ports.out" || fail "ports: COM2 line"
grep -q "COM3   virtual  the built-in virtual organizer" "$work/ports.out" || fail "ports: COM3 line"
kill "$dev_pid" 2>/dev/null
wait "$dev_pid" 2>/dev/null

# The virtual organizer: it starts with the sample and keeps what it is given
# between runs; Backup, Restore, Backup gives the same file. (The sample is
# restored once only in the unit tests, to keep this script short.)
virt() { kl --port virtual --virtual-model m --data "$work/org" "$@" 2>"$work/pc.err"; }
virt backup "$work/v1.bkf"
expect $? 0 "backup from the virtual organizer"
kl info "$work/v1.bkf" | grep -q "Telephone *36 records" || fail "virtual sample telephone"
! grep -q "Receiving" "$work/pc.err" || fail "progress line drawn off a terminal"
# On a terminal the progress line follows the run up to "Finished.".
if command -v script >/dev/null; then
  script -qfec "$tool --settings $work/settings.ini --port virtual --virtual-model m \
    --data $work/org backup $work/tty.bkf" "$work/typescript" >/dev/null 2>&1
  expect $? 0 "backup on a terminal"
  for text in "PC Software for Norvale TR/VX-480 (Backup)" "Waiting for Organizer..." \
    "Receiving... [###---------------------------] 10%" "Finished. [#####"; do
    grep -qF "$text" "$work/typescript" || fail "terminal progress lacks '$text'"
  done
fi
virt restore "$work/memo_only.bkf"
expect $? 0 "restore to the virtual organizer"
virt backup "$work/v2.bkf"
expect $? 0 "backup after restore"
kl info "$work/v2.bkf" >"$work/info.out"
grep -q "Memo *2 records" "$work/info.out" || fail "virtual organizer kept the restored memos"
grep -q "Telephone" "$work/info.out" && fail "restore did not delete the organizer's telephone list"
virt restore "$work/v2.bkf"
expect $? 0 "restore what came"
virt backup "$work/v3.bkf"
expect $? 0 "backup after restoring what came"
same "$work/v3.bkf" "$work/v2.bkf" "backup, restore, backup"

# Auto detection finds the organizer on the COM port mapped to it, after
# the one that will not open; a line test talks to it directly.
printf '[Ports]\nCOM1=/dev/kivo-no-such-port\nCOM2=virtual\n' >"$work/detect.ini"
"$tool" --settings "$work/detect.ini" --data "$work/org" detect >"$work/pc.out" 2>"$work/pc.err"
expect $? 0 "detect"
[ "$(cat "$work/pc.out")" = "COM2" ] || fail "detect printed '$(cat "$work/pc.out")'"
virt linetest 0
expect $? 0 "line test 0 (negotiation)"
grep -q "SUCCESS Negotiation" "$work/pc.err" || fail "line test success box missing"
# Modes 16 and 17 work on the category list, whatever AppliID says. (A line
# test is one step without the negotiation an organizer waits for, so the
# log shows what was asked.)
printf '[Settings]\nAppliID=3\n' >"$work/memo.ini"
printf 'Food\x00Hotel\x00Car\x00Phone\x00Fares\x00Fun\x00Tips\x00Misc\x00\xff' \
  >"$work/org/expense_category.snd"
for mode in 16 17; do
  "$tool" --settings "$work/memo.ini" --port virtual --data "$work/org" --log "$work/lt.log" \
    linetest $mode 2>/dev/null
  grep -q "GET_ALL_RECORDS\|memo" "$work/lt.log" && fail "line test $mode used the memos"
  want="PC sends GET_EXPENSE_CATEGORY"
  [ $mode -eq 17 ] && want="PC sends SEND_EXPENSE_CATEGORY"
  grep -q "$want" "$work/lt.log" || fail "line test $mode: no '$want' in its log"
done

# A settings value that cannot work takes its default, and the tool says so.
printf '[Settings]\nTOCommand=abc\nTODataPacket=-1\n' >"$work/bad.ini"
"$tool" --settings "$work/bad.ini" ports >/dev/null 2>"$work/pc.err"
expect $? 0 "ports with unusable settings"
grep -q "bad.ini: TOCommand=abc is not a number; the default 30 is used.$" "$work/pc.err" ||
  fail "TOCommand=abc not named"
grep -q "bad.ini: TODataPacket=-1 is outside 1 to 3600; the default 30 is used.$" "$work/pc.err" ||
  fail "TODataPacket=-1 not named"

# Command line.
kl --port COM5 backup "$work/x.bkf" 2>/dev/null
expect $? 2 "COM5"
kl --to-command soon backup "$work/x.bkf" 2>/dev/null
expect $? 2 "bad time-out"
kl linetest 9 2>/dev/null
expect $? 2 "line-test mode 9"
kl send memo "$work/upload.bkf" 7 2>/dev/null
expect $? 2 "record index out of range"
# A target that cannot be written is refused before the organizer is asked.
kl --port /dev/kivo-no-such-port backup "$work/no/such/dir.bkf" 2>/dev/null
expect $? 1 "backup into a missing folder"

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)" >&2
  exit 1
fi
echo "all transfer tests passed"
