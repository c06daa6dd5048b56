#!/usr/bin/env bash
# kivo-link's file targets survive a misbehaving cable: the PC side talks to
# `kivo-link simulate` over kivo-line-sim with a fault at a byte of the
# exchange. Each fault ends the run with the exit status of its kind (100 +
# the result code), never a crash or a success, and a receiving run leaves
# the target file byte for byte as it was.
# Arguments: <program dir> <source dir>.
set -u
program_dir=$1
source "$(dirname "$0")/lib/line_session.bash"
failures=0
cases=0
err_files=pc.err

# run FAULT "PC ARGS" "ORGANIZER ARGS": one session with the fault given to
# the line simulator (empty for none); sets pc to the PC's exit status.
run() {
  local start
  start=$(date +%s%N)
  if [ -n "$1" ]; then start_line "${1%% *}" "${1#* }"; else start_line; fi
  # shellcheck disable=SC2086
  (kl_bg --port "$a" --to-command 1 --to-packet 1 $2 >/dev/null 2>"$work/pc.err") &
  local pc_pid=$!
  sleep 0.2
  # shellcheck disable=SC2086
  (kl_bg --port "$b" --to-command 3 --data "$work/dev" simulate $3 >/dev/null 2>&1) &
  local dev_pid=$!
  wait "$pc_pid"
  pc=$?
  kill "$dev_pid" 2>/dev/null
  wait "$dev_pid" 2>/dev/null
  took=$((($(date +%s%N) - start) / 1000000))
}

# The organizer's records: two Telephone entries, the second three packets
# long; two memos; the category list; the rest empty.
write_phone_and_memo_dumps "$work/dev"
printf 'Food\x00Hotel\x00Car\x00Phone\x00Fares\x00Fun\x00Tips\x00Misc\x00\xff' \
  >"$work/dev/expense_category.snd"
for app in schedule anniversary todo expense; do : >"$work/dev/$app.snd"; done

# The file a run may replace: a memo the organizer does not have.
printf 'IM2BK0\x02\x00\x01\x03\x00\x01Kept memo\x00\xff' >"$work/old.bkf"
# A clean backup: what a complete new file holds, and the file the sending
# runs read.
cp "$work/old.bkf" "$work/full.bkf"
run "" "backup $work/full.bkf" ""
[ "$pc" -eq 0 ] || fail "clean backup: status $pc"

# The exit status each fault must end with: a lost or held byte is a
# time-out (100 + 5), a changed byte or a closed line an I/O error (100 + 11).
status_of() {
  case $1 in
    drop | stall) echo 105 ;;
    corrupt | hangup) echo 111 ;;
  esac
}

# check WHAT FAULT [FILE BEFORE]: the outcome of one run with FAULT; a
# receiving run must leave FILE byte for byte as BEFORE.
check() {
  cases=$((cases + 1))
  local want
  want=$(status_of "$2")
  [ "$pc" -eq "$want" ] || fail "$1: exit status $pc, expected $want"
  if [ $# -gt 2 ]; then
    cmp -s "$3" "$4" || fail "$1: the failed run changed $(basename "$3")"
  fi
  printf '%-34s status %3d  %5d ms\n' "$1" "$pc" "$took"
}

# Receiving runs: faults on what the organizer sends (end b), in the
# negotiation, the first records and the long Telephone record.
for fault in drop corrupt stall hangup; do
  for at in 60 300; do
    cp "$work/old.bkf" "$work/target.bkf"
    run "--$fault b:$at" "backup $work/target.bkf" ""
    check "backup  --$fault b:$at" "$fault" "$work/target.bkf" "$work/old.bkf"
    cp "$work/old.bkf" "$work/target.bkf"
    run "--$fault b:$at" "upload telephone $work/target.bkf" ""
    check "upload  --$fault b:$at" "$fault" "$work/target.bkf" "$work/old.bkf"
  done
done

# Sending runs: faults on what the PC sends (end a). (A byte lost on its way or a held PC end costs the fixed
# 10 s echo and 30 s drain limits of the port layer; corruption and a
# hang-up fail at once and reach the same file-handling code.)
for fault in corrupt hangup; do
  for at in 40 200; do
    run "--$fault a:$at" "download telephone $work/full.bkf" "telephone"
    check "download --$fault a:$at" "$fault"
    run "--$fault a:$at" "restore $work/full.bkf" ""
    check "restore --$fault a:$at" "$fault"
  done
done

echo "$cases cases, $failures failures"
[ "$failures" -eq 0 ]
