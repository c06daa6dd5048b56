#!/usr/bin/env bash
# The paths around restore and download that once lost records or told the
# wrong outcome, against the built-in virtual organizer: a restore killed
# before its snapshot was kept, a snapshot put back, the large-change warning,
# a dry run on a base model, the time-out options, Ctrl+C during a send and a
# history that cannot be written.
# Arguments: <program dir> <source dir>.
set -u
program_dir=$1
source "$(dirname "$0")/lib/line_session.bash"
failures=0
has() { grep -qE -- "$2" "$1" || fail "$3: no line matching '$2' in $(basename "$1")"; }
virt() { kl --port virtual --virtual-model m --to-command 1 --to-packet 2 --data "$work/org" "$@" >"$work/out" 2>"$work/err"; }
newest() { kl history | sed -n 's/^1 .* \(\/.*\)$/\1/p'; }
# holds_before FILE WHAT: FILE holds what the organizer held at first.
holds_before() { kl diff "$work/before.bkf" "$1" >/dev/null || fail "$2"; }
printf 'IM2BK0\x02\x00\x01\x03\x00\x02Buy milk\x00\xffCall Anna\x00\xff' >"$work/memo.bkf"
virt backup "$work/before.bkf"

# A download's snapshot holds Memo alone, and the history says so; put back
# under another name it touches nothing else.
virt download memo "$work/memo.bkf"
kl history | grep -qE "^1 .*snapshot +- +- +- +25 +- +- +/" || fail "history shows what a snapshot holds"
cp "$(newest)" "$work/memo-before.bkf"
virt restore "$work/memo-before.bkf"
virt backup "$work/now.bkf"
holds_before "$work/now.bkf" "a download's snapshot put back leaves the rest alone"

# Killed once its journal is written, before any snapshot is kept: the resume
# takes its own first, and names what it is about to empty.
(kl_bg --port virtual --virtual-model m --data "$work/org" --virtual-baud 2400 \
  restore "$work/memo.bkf" >/dev/null 2>&1) &
pid=$!
for _ in $(seq 200); do [ -s "$work/history/restore.journal" ] && break; sleep 0.05; done
{ kill -9 "$pid"; wait "$pid"; } 2>/dev/null
has "$work/history/restore.journal" "^snapshot=$" "killed before the snapshot was kept"
virt restore --resume "$work/memo.bkf"
expect $? 0 "resume of a killed restore"
holds_before "$(newest)" "the resume kept the organizer's records before deleting"
has "$work/err" "^kivo-link:   Expense: 36 of its 36 records$" "large change named"
has "$work/err" "kept in $(newest)$" "large change names the snapshot"

# A failed restore whose snapshot is then damaged: the resume keeps its own.
virt restore --virtual-hang-up 40 "$work/before.bkf"
snapshot=$(sed -n 's/^snapshot=//p' "$work/history/restore.journal")
head -c 20 "$snapshot" >"$work/cut" && cat "$work/cut" >"$snapshot"
virt restore --resume "$work/before.bkf"
has "$work/err" "$snapshot cannot be read; a new snapshot is taken first" "damaged snapshot"
[ "$(newest)" != "$snapshot" ] || fail "the resume takes a snapshot of its own"

# With Keep=1, a plain retry of a failed restore keeps the first snapshot (the
# only whole one) as the one to go back to, and a failed download's snapshot
# outlives the dry runs after it.
printf '[Settings]\n[History]\nFolder=%s\nKeep=1\n' "$work/hk" >"$work/keep1.ini"
k1() { "$tool" --settings "$work/keep1.ini" --port virtual --virtual-model m --data "$work/org" "$@" >"$work/out" 2>"$work/err"; }
k1 restore --virtual-hang-up 40 "$work/before.bkf"
first=$(sed -n 's/^snapshot=//p' "$work/hk/restore.journal")
k1 restore --virtual-hang-up 40 "$work/before.bkf"
has "$work/err" "stay in $first, the snapshot to go back to" "the retry names the first snapshot"
has "$work/err" "before the run are kept in $first$" "the retry's failure names the first snapshot"
holds_before "$first" "the first snapshot is kept whole"
k1 download --virtual-hang-up 1 memo "$work/memo.bkf"
named=$(sed -n 's/.*before the run are kept in //p' "$work/err")
k1 restore --dry-run "$work/before.bkf"
k1 restore --dry-run "$work/before.bkf"
[ -n "$named" ] && [ -f "$named" ] || fail "a failed download's snapshot outlives two dry runs"
k1 restore "$work/before.bkf"
expect $? 0 "the retried restore finishes"

# A resume with no snapshot at all is refused while none whole is on record.
virt --no-snapshot restore --virtual-hang-up 40 "$work/before.bkf"
virt --no-snapshot restore --resume "$work/before.bkf"
expect $? 2 "--resume --no-snapshot with no snapshot on record"
has "$work/err" "no snapshot was kept" "the refusal says why"

# The lines a failed run prints carry its own options and run as printed.
virt --device-code 1 backup "$work/before1.bkf"
virt --device-code 1 --history "$work/h1" restore --virtual-hang-up 40 "$work/before1.bkf"
for line in "to finish this restore" "to put them back"; do
  cmd=$(sed -n "s/^kivo-link: $line: kivo-link //p" "$work/err")
  # shellcheck disable=SC2086
  "$tool" --port virtual --virtual-model m --data "$work/org" $cmd >"$work/out" 2>"$work/err2"
  expect $? 0 "$line, as printed: $cmd"
done

# A dry run takes a base model's telephone list as it comes.
printf 'IM2BK0\x02\x00\x01\x05\x00\x01\x01Adams\x00David\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff' \
  >"$work/tel.bkf"
kl --port virtual --data "$work/base" download telephone "$work/tel.bkf" >/dev/null 2>&1
kl --port virtual --data "$work/base" restore --dry-run "$work/tel.bkf" >"$work/out" 2>"$work/err"
expect $? 1 "dry run on a base model with one telephone record"

# The time-outs take the settings file's range and words.
for option in "--to-command 0" "--to-packet 0.001" "--to-command 3601"; do
  # shellcheck disable=SC2086
  kl $option history >"$work/out" 2>"$work/err"
  has "$work/err" "${option#* } is outside 1 to 3600" "$option"
done

# A history folder that cannot be written is told once.
echo "a file" >"$work/not_a_dir"
virt --history "$work/not_a_dir" --no-snapshot restore "$work/memo.bkf"
[ "$(grep -c 'restore.journal' "$work/err")" -eq 1 ] || fail "the journal failure is told once"

# Ctrl+C while a data packet goes out at 300 baud is an abort (100): it
# takes effect once the record in flight is through, before the next one.
long=$(printf 'x%.0s' $(seq 96))
printf 'IM2BK0\x02\x00\x01\x03\x00\x02%s\x00\xff%s\x00\xff' "$long" "$long" >"$work/long.bkf"
(kl_bg --port virtual --virtual-baud 300 --data "$work/org" --log "$work/int.log" --no-snapshot \
  download memo "$work/long.bkf" >/dev/null 2>"$work/err") &
pid=$!
for _ in $(seq 400); do
  awk '/SEND_1_RECORD/ { s = 1 } s && /PC receives ACK/ { f = 1 } END { exit !f }' \
    "$work/int.log" 2>/dev/null && break
  sleep 0.05
done
kill -INT "$pid"
wait "$pid"
expect $? 100 "Ctrl+C during a send"

echo "$failures failures"
[ "$failures" -eq 0 ]
