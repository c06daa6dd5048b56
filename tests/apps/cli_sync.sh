#!/usr/bin/env bash
# kivo-link sync against the built-in virtual organizer: the first sync makes
# the file, the guards and --dry-run change nothing, a side that is not a
# backup file of this device code is refused, and after kill -9 at random
# moments one clean sync leaves both sides equal with every edit once; a
# second sync of the pair waits or, with --no-wait, names the first, and a
# damaged state says how to start again.
# Arguments: <program dir> <source dir>.
set -u
program_dir=$1
source "$(dirname "$0")/lib/line_session.bash"
failures=0
has() { grep -qE -- "$2" "$1" || fail "$3: no line matching '$2' in $(basename "$1")"; }
opts=(--port virtual --virtual-model m --to-command 1 --data "$work/org" --state "$work/state")
virt() { kl "${opts[@]}" "$@" >"$work/out" 2>"$work/err"; }
memos() { kl info "$1" | sed -n 's/^  Memo  *\([0-9]*\) record.*/\1/p'; }

virt sync "$work/pc.bkf"
expect $? 0 "first sync"
has "$work/out" "^Memo +organizer: 0 added, 0 changed, 0 removed +PC: 25 added" "first sync memo line"
cp "$work/pc.bkf" "$work/pc.before"

# The organizer's memos emptied: refused with the numbers, nothing changed.
printf 'IM2BK0\x02\x00\x01\x03\x00\x00' >"$work/none.bkf"
virt download memo "$work/none.bkf"
virt sync "$work/pc.bkf"
expect $? 2 "sync after the organizer's memos were emptied"
has "$work/out" "Memo" "the refusal names the application"
virt sync --dry-run --force --no-snapshot "$work/pc.bkf"
expect $? 0 "dry run past the guard"
has "$work/out" "^Memo .*PC: 0 added, 0 changed, 25 removed" "dry run counts"
has "$work/err" "always keeps a snapshot" "--no-snapshot noted"
cmp -s "$work/pc.bkf" "$work/pc.before" || fail "the guard or the dry run changed the file"
virt download memo "$work/pc.bkf"

# Sides that are not what they must be; no password on the command line.
printf 'IM2BK0\x01\x00\x01\x03\x00\x00' >"$work/other.bkf"
virt sync "$work/other.bkf"
expect $? 2 "a file of the other device code"
virt sync --password x "$work/pc.bkf"
expect $? 2 "--password"

# One memo added on each side, then syncs killed at random moments at 38400
# baud: there a sync reads for about 8 s, then writes for 3 s; the first kill
# falls in the reading, the others mostly in the writing. One clean sync
# ends it.
printf 'Memo\nFrom the PC\n' >"$work/memo.csv"
kl import "$work/pc.bkf" memo "$work/memo.csv" >/dev/null || fail "import"
printf 'IM2BK0\x02\x00\x01\x03\x00\x01From the organizer\x00\xff' >"$work/one.bkf"
virt send memo "$work/one.bkf" 0
for i in 1 2 3 4 5; do
  (kl_bg "${opts[@]}" --virtual-baud 38400 sync "$work/pc.bkf" >/dev/null 2>&1) &
  sleep "$((i == 1 ? RANDOM % 6 : 8 + RANDOM % 4)).$((RANDOM % 10))"
  kill -9 $! 2>/dev/null
  wait $! 2>/dev/null
done
virt sync "$work/pc.bkf"
expect $? 0 "clean sync after the kills"
virt backup "$work/org.bkf" && kl diff "$work/org.bkf" "$work/pc.bkf" >/dev/null ||
  fail "after the kills the organizer and the file differ"
[ "$(memos "$work/pc.bkf")" = 27 ] || fail "27 memos expected, $(memos "$work/pc.bkf") held"

# A sync that would leave nothing to sync, a second sync of a pair while the
# first runs, a damaged state and the way on from it.
mkdir -p "$work/cards"
virt sync --apps schedule organizer "contacts:$work/cards"
expect $? 2 "--apps leaving nothing"
has "$work/out" "nothing to sync" "--apps leaving nothing is named"
(kl_bg "${opts[@]}" --virtual-baud 38400 sync "$work/pc.bkf" >/dev/null 2>&1) &
holder=$!
sleep 2
virt sync --no-wait "$work/pc.bkf"
expect $? 2 "--no-wait while another sync runs"
has "$work/out" "another sync of these two sides is running \(process $holder\)" "the holder"
wait $holder
for base in "$work"/state/organizer*pc.bkf*/base.bkf; do printf 'garbage' >"$base"; done
virt sync "$work/pc.bkf"
expect $? 2 "a damaged state"
has "$work/out" "--reset-state" "the way on from a damaged state"
virt sync --reset-state "$work/pc.bkf"
expect $? 0 "--reset-state"
has "$work/out" "^First sync of these two sides" "a reset state is a first sync"
has "$work/out" "^Memo +organizer: 0 added, 0 changed, 0 removed +PC: 0 added, 0 changed, 0 removed" \
  "equal sides match as one"

echo "$failures failures"
[ "$failures" -eq 0 ]
