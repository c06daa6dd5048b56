#!/usr/bin/env bash
# The safety of restore and download end to end against the built-in virtual
# organizer and its faults: the snapshot before deleting, the hint after a
# failure, --resume, --verify, --dry-run, diff and the history.
# Arguments: <program dir> <source dir>.
set -u
program_dir=$1
source "$(dirname "$0")/lib/line_session.bash"
failures=0
has() { grep -qE -- "$2" "$1" || fail "$3: no line matching '$2' in $(basename "$1")"; }
virt() { kl --port virtual --virtual-model m --to-command 1 --data "$work/org" "$@" >"$work/out" 2>"$work/err"; }
generations() { ls "$work/history" | grep -c '\.bkf$'; }

# diff: multisets of records, exit 0, 1, 2 like diff(1).
printf 'IM2BK0\x02\x00\x01\x03\x00\x02Buy milk\x00\xffCall Anna\x00\xff' >"$work/a.bkf"
printf 'IM2BK0\x02\x00\x01\x03\x00\x03Buy milk\x00\xffPay rent\x00\xffBuy milk\x00\xff' >"$work/b.bkf"
kl diff "$work/a.bkf" "$work/b.bkf" >"$work/out" 2>"$work/err"
expect $? 1 "diff of different files"
has "$work/out" "^Memo +1 +2 +1$" "diff counts"
has "$work/out" "^Schedule +0 +0 +0$" "diff of an application neither holds"
kl diff --records "$work/a.bkf" "$work/b.bkf" memo >"$work/out" 2>"$work/err"
has "$work/out" "^< +Call Anna" "diff --records, only in A"
has "$work/out" "^> +Pay rent" "diff --records, only in B"
kl diff "$work/b.bkf" "$work/b.bkf" >/dev/null 2>&1
expect $? 0 "diff of a file with itself"
kl diff "$work/a.bkf" "$work/none.bkf" >/dev/null 2>&1
expect $? 2 "diff of a missing file"

# A backup is kept in the history as well.
virt backup "$work/before.bkf"
expect $? 0 "backup"
kl history >"$work/out"
has "$work/out" "^1  [0-9-]+ [0-9:]+  backup +36 +25 +30 +25 +36 +36 +$work/history/" "history line"

# The dry run compares and changes nothing; the organizer's records are kept.
virt restore --dry-run "$work/a.bkf"
expect $? 1 "dry run against other records"
has "$work/out" "^Memo +25 +2 +0$" "dry run memo counts"
has "$work/out" "^Telephone +36 +0 +0$" "dry run telephone counts"
virt backup "$work/after_dry.bkf"
kl diff "$work/before.bkf" "$work/after_dry.bkf" >/dev/null
expect $? 0 "the dry run changed nothing"
[ "$(kl history | grep -c snapshot)" -eq 1 ] || fail "the dry run keeps one snapshot"

# Nothing to resume yet.
virt restore --resume "$work/before.bkf"
expect $? 2 "resume with no failed restore"
has "$work/err" "no failed restore on record" "resume refusal"

# A file of one telephone entry, one schedule entry, two memos and the
# category list. The line drops once Telephone and Schedule have arrived.
{
  printf 'IM2BK0\x02\x00\x04\x05\x00\x01\x01Adams\x00David\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff'
  printf '\x00\x00\x01\x20\x01\x12\x31\x09\x00\x10\x30\x00\x00\x00\x15\x00\x40Meeting\x00\xff'
  printf '\x03\x00\x02Buy milk\x00\xffCall Anna\x00\xff'
  printf '\x06\x00\x01Food\x00Hotel\x00Car\x00Phone\x00Fares\x00Fun\x00Tips\x00Misc\x00\xff'
} >"$work/mix.bkf"
virt restore --virtual-hang-up 2 "$work/mix.bkf"
expect $? 115 "restore with a dropped line"
snapshot=$(sed -n 's/.*from before the run are kept in \(.*\)$/\1/p' "$work/err")
[ -f "$snapshot" ] || fail "the failure names the snapshot"
has "$work/err" "to put them back: kivo-link --settings $work/settings.ini restore $snapshot" "put-back hint"
has "$work/err" "restore --resume $work/mix.bkf" "resume hint"
kl diff "$work/before.bkf" "$snapshot" >/dev/null
expect $? 0 "the snapshot holds the organizer's records from before"
virt restore --resume "$work/before.bkf"
expect $? 2 "resume with another file"
has "$work/err" "the failed restore sent $work/mix.bkf" "resume names the file"
virt --log "$work/resume.log" restore --resume "$work/mix.bkf"
expect $? 0 "resume"
# Telephone, Schedule and the empty Anniversary and To Do were complete:
# only Memo, the category list and Expense are deleted and sent.
[ "$(grep -c 'Pass (This appli is complete)' "$work/resume.log")" -eq 4 ] ||
  fail "resume passes the four complete applications"
[ "$(grep -c 'PC sends DELETE_ALL_RECORDS' "$work/resume.log")" -eq 2 ] ||
  fail "resume deletes Memo and Expense only"
[ "$(grep -c '^.*\*\* Restore 1 Appli' "$work/resume.log")" -eq 3 ] || fail "resume sends three"
virt restore --dry-run "$work/mix.bkf"
expect $? 0 "after the resume the organizer holds the file"
virt restore --resume "$work/mix.bkf"
expect $? 2 "a finished restore is no more resumed"

# --verify: an organizer that loses the first record it is sent.
virt download --verify --virtual-lose-record memo "$work/before.bkf"
expect $? 120 "verify"
has "$work/err" "verify: Memo: 1 missing, 0 unexpected" "verify counts"
virt download --verify memo "$work/before.bkf"
expect $? 0 "verify of a faithful organizer"

# A download that fails after deleting names its snapshot; --no-snapshot
# takes none.
count=$(generations)
virt download --virtual-hang-up 3 memo "$work/before.bkf"
expect $? 115 "download with a dropped line"
has "$work/err" "to put them back: kivo-link --settings $work/settings.ini download memo $work/history/" "download hint"
[ "$(generations)" -eq $((count + 1)) ] || fail "download keeps one snapshot"
virt download --no-snapshot memo "$work/before.bkf"
expect $? 0 "download without snapshot"
[ "$(generations)" -eq $((count + 1)) ] || fail "--no-snapshot keeps none"

# Pruning: three generations kept, the newest first.
printf '[Settings]\n[History]\nFolder=%s\nKeep=3\n' "$work/history" >"$work/settings.ini"
virt backup "$work/last.bkf"
[ "$(generations)" -eq 3 ] || fail "pruned to three generations"
kl history | grep -q "^1 .* backup .*$work/history/" || fail "the newest is kept"

echo "$failures failures"
[ "$failures" -eq 0 ]
