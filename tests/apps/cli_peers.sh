#!/usr/bin/env bash
# A real address book and a real calendar read what kivo-link exports: khard
# lists every card and khal every event of the shipped sample under the UID
# of the export, and a second export after a copy of a record more gives
# every earlier UID again. Skipped (77) where khard or khal is not installed.
# Arguments: <program dir> <source dir>.
set -u
program_dir=$1
sample=$2/data/sample
source "$(dirname "$0")/lib/tool_run.bash"
for peer in khard khal; do
  command -v $peer >/dev/null || { echo "skipped: $peer is not installed"; exit 77; }
done
cat >"$work/khard.conf" <<EOF
[addressbooks]
[[export]]
path = $work/cards
[general]
editor = true
merge_editor = true
EOF
cat >"$work/khal.conf" <<EOF
[calendars]
[[export]]
path = $work/events
[locale]
dateformat = %Y-%m-%d
longdateformat = %Y-%m-%d
datetimeformat = %Y-%m-%d %H:%M
longdatetimeformat = %Y-%m-%d %H:%M
local_timezone = UTC
default_timezone = UTC
[sqlite]
path = $work/khal.db
EOF
# A point in time among the sample's 2002 schedule; anniversaries fall in this year.
printf 'Date,Start Time,End Time,Description\r\n03/04/2002,07:15 AM,07:15 AM,Pills\r\n' >"$work/point.csv"
head -2 "$sample/telephone.csv" >"$work/copy.csv"
for app in telephone schedule anniversary; do run import "$work/s.bkf" $app "$sample/$app.csv"; done
run import "$work/s.bkf" schedule "$work/point.csv"

# into_vdir DIR FILE KIND [TAIL]: each card or event of the export as one
# file, with the calendar's own lines around it.
into_vdir() {
  mkdir -p "$1"
  awk -v dir="$1" -v kind="$3" -v name="$(basename "$2")" -v tail="${4:-}" '
    $0 ~ "^BEGIN:" kind { item = ""; inside = 1 }
    inside { item = item $0 "\n" }
    !inside && n == 0 { head = head $0 "\n" }
    $0 ~ "^END:" kind { printf "%s%s%s", head, item, tail >(dir "/" ++n "." name); inside = 0 }' "$2"
}
for round in 1 2; do
  rm -rf "$work/cards" "$work/events" "$work/khal.db"
  run export "$work/s.bkf" telephone "$work/t.vcf"
  into_vdir "$work/cards" "$work/t.vcf" VCARD
  run export "$work/s.bkf" schedule "$work/s.ics"
  run export "$work/s.bkf" anniversary "$work/a.ics"
  into_vdir "$work/events" "$work/s.ics" VEVENT 'END:VCALENDAR\r\n'
  into_vdir "$work/events" "$work/a.ics" VEVENT 'END:VCALENDAR\r\n'
  cat "$work"/[tsa].* | grep -a '^UID:' | tr -d '\r' | cut -c5- | sort >"$work/uids.$round"
  khard -c "$work/khard.conf" list --parsable | cut -f1 >"$work/listed"
  khal -c "$work/khal.conf" list --format '{uid}|{start}|{end}' --day-format '' 2002-01-01 \
    "$(date +%Y)-12-31" >"$work/events.$round"
  cut -d'|' -f1 "$work/events.$round" | grep . >>"$work/listed"
  sort "$work/listed" | cmp -s - "$work/uids.$round" || fail "round $round: not every UID listed"
  [ "$(wc -l <"$work/uids.$round")" -gt 90 ] || fail "round $round: too few records"
  run import "$work/s.bkf" telephone "$work/copy.csv"
done
[ -z "$(comm -23 "$work/uids.1" "$work/uids.2")" ] || fail "a UID changed"
[ "$(comm -13 "$work/uids.1" "$work/uids.2" | wc -l)" -eq 1 ] || fail "the copy has no UID of its own"
grep -q "|2002-03-04 07:15|2002-03-04 07:15$" "$work/events.1" || fail "the point became longer"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all checks passed"
