#!/usr/bin/env bash
# kivo-link export and import from the outside. Arguments: <program dir> <source dir>.
set -u
program_dir=$1
source "$(dirname "$0")/lib/tool_run.bash"
expect_file() {  # FILE EXPECTED-TEXT WHAT: exact bytes, CR LF written as \r\n
  printf "$2" >"$work/expected"
  cmp -s "$1" "$work/expected" || fail "$3: $(od -c "$1" | head -5)"
}

# A Schedule record of 31 December 2001, 09:00 to 10:30, alarm 15 minutes ahead,
# whose description needs quoting.
printf 'IM2BK0\x02\x00\x01\x00\x00\x01\x20\x01\x12\x31\x09\x00\x10\x30\x00\x00\x00\x15\x00\x40Meeting, room 2\x00\xff' \
  >"$work/schedule.bkf"
# Memos with a quote and an accented letter, in Windows-1252.
printf 'Memo\r\n"say ""hi"""\r\nCaf\xe9\r\n' >"$work/memo_in.csv"

# Export: the lines of the CSV format in the display modes asked for.
run export "$work/schedule.bkf" schedule "$work/s.csv"
expect_status 0 "export schedule"
expect_out "1 record was successfully exported." "export message"
expect_file "$work/s.csv" \
  'Date,Start Time,End Time,Alarm,Reminder,Description\r\n12/31/2001,09:00 AM,10:30 AM,Yes,15,"Meeting, room 2"\r\n' \
  "exported schedule"
run --date-format 2 --hour-format 1 export "$work/schedule.bkf" 0 "$work/s24.csv"
expect_file "$work/s24.csv" \
  'Date,Start Time,End Time,Alarm,Reminder,Description\r\n2001.12.31,09:00,10:30,Yes,15,"Meeting, room 2"\r\n' \
  "exported schedule, other display modes"
run import "$work/memo.bkf" memo "$work/memo_in.csv"
expect_out "2 records were successfully imported." "memos imported"
expect_out "The file was read as Windows-1252 (detected)." "encoding found and named"
run --encoding cp1252 export "$work/memo.bkf" memo "$work/m.csv"
expect_file "$work/m.csv" 'Memo\r\n"say ""hi"""\r\nCaf\xe9\r\n' "memo in Windows-1252"
run export "$work/memo.bkf" memo "$work/mu.csv"
expect_file "$work/mu.csv" 'Memo\r\n"say ""hi"""\r\nCaf\xc3\xa9\r\n' "memo in UTF-8 by default"
run export "$work/schedule.bkf" expense "$work/e.csv"
expect_status 0 "export of an empty application"
[ -z "$out" ] || fail "no message for 0 records"
expect_file "$work/e.csv" 'Date,Category,Amount,Payment,Receipt,Memo\r\n' "header alone"

# Export failures.
run export "$work/schedule.bkf" category "$work/c.csv"
expect_status 2 "the category list has no CSV form"
run export "$work/missing.bkf" memo "$work/x.csv"
expect_status 1 "export from a missing file"
expect_err "missing.bkf: No such file or directory" "missing backup file named"
run export "$work/schedule.bkf" memo "$work/no/dir/x.csv"
expect_status 1 "export into a missing directory"
expect_err "x.csv" "unwritable CSV file named"

# Import into a new file, then read it back through export: the same lines.
run import "$work/new.bkf" schedule "$work/s.csv"
expect_status 0 "import into a new file"
expect_out "1 record was successfully imported." "import message"
run info "$work/new.bkf"
expect_out "IM2BK1 (inverted body)" "import saves inverted by default"
run export "$work/new.bkf" schedule "$work/back.csv"
cmp -s "$work/s.csv" "$work/back.csv" || fail "export, import, export gives the same file"
run --plain import "$work/new.bkf" schedule "$work/s.csv"
expect_out "1 record was successfully imported." "second import"
run info "$work/new.bkf"
expect_out "IM2BK0 (plain body)" "--plain saves plain"
expect_out "2 records" "records appended"
run import "$work/new.bkf" memo "$work/mu.csv"
expect_out "The file was read as UTF-8 (detected)." "UTF-8 found"
run show "$work/new.bkf" memo
expect_out "Café" "UTF-8 import converted"
printf 'Memo\r\nHa\xc5\x91 \xc5\x82\r\n' >"$work/polish.csv"
run import "$work/new.bkf" memo "$work/polish.csv"
expect_err "warning: 2 characters cannot be stored on the organizer and become '?': ő ł." \
  "characters without organizer form listed"

# vCard and iCalendar: chosen by extension or --format, only where they fit.
printf 'IM2BK0\x02\x00\x01\x05\x00\x01\x01M\x81ller\x00Anna\x00\x00555\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff' \
  >"$work/tel.bkf"
run export "$work/tel.bkf" telephone "$work/t.vcf"
expect_status 0 "vCard export"
expect_out "1 record was successfully exported." "vCard count"
grep -q "^N:Müller;Anna;;;" "$work/t.vcf" || fail "vCard name in UTF-8"
run import "$work/tel2.bkf" telephone "$work/t.vcf"
expect_out "1 record was successfully imported." "vCard import"
# The same cards again add nothing, exit 1 and leave the file; --duplicates adds them.
cp "$work/tel2.bkf" "$work/tel2.before"
run import "$work/tel2.bkf" telephone "$work/t.vcf"
expect_status 1 "an import that took no record"
expect_out "1 record already present was skipped." "present records counted"
expect_err "t.vcf: no record was imported" "reason on stderr"
cmp -s "$work/tel2.bkf" "$work/tel2.before" || fail "nothing taken leaves the file alone"
run --duplicates import "$work/tel2.bkf" telephone "$work/t.vcf"
expect_out "1 record was successfully imported." "--duplicates adds the card again"
# Equal records count as a multiset: the card twice against the card once adds one.
run export "$work/tel2.bkf" telephone "$work/t2.vcf"
cp "$work/tel.bkf" "$work/tel3.bkf"
run import "$work/tel3.bkf" telephone "$work/t2.vcf"
expect_out "1 record already present was skipped." "one of two equal cards present"
expect_out "1 record was successfully imported." "the other one added"
run --format vcard export "$work/tel.bkf" 5 "$work/t.txt"
cmp -s <(grep -v "^$" "$work/t.txt") <(grep -v "^$" "$work/t.vcf") || fail "--format vcard"
run export "$work/schedule.bkf" schedule "$work/s.ics"
expect_status 0 "iCalendar export"
grep -q "^DTSTART:20011231T090000" "$work/s.ics" || fail "floating start time"
run import "$work/s2.bkf" schedule "$work/s.ics"
expect_out "1 record was successfully imported." "iCalendar import"
run import "$work/schedule.bkf" schedule "$work/s.ics"
expect_status 1 "an export read back into its own file adds nothing"
run export "$work/schedule.bkf" memo "$work/m.vcf"
expect_status 2 "vCard for Memo"
expect_err "vcard does not fit Memo; its formats: csv" "fitting formats named"
run import "$work/new.bkf" telephone "$work/s.ics"
expect_status 2 "iCalendar for Telephone"
expect_err "its formats: csv or vcard" "fitting formats of Telephone"
run export "$work/schedule.bkf" schedule "$work/s.txt"
cmp -s "$work/s.txt" "$work/s.csv" || fail "another extension means CSV"

# Rejected lines and refused files.
printf 'Date,Start Time,End Time\r\n01/02/2002,09:00 AM,10:00 AM\r\n\r\n13/45/2002,09:00 AM,10:00 AM\r\n' \
  >"$work/mixed.csv"
run import "$work/new.bkf" schedule "$work/mixed.csv"
expect_status 0 "import with rejected lines"
expect_out "1 record was successfully imported." "taken count"
expect_out "Other records were rejected due to error." "rejected lines reported"
expect_out "2 entries of the file were not taken." "rejected and empty lines counted"
# Lines beyond the 920-record limit are counted, and the status tells a script.
{ printf 'Memo\r\n'; for i in $(seq 1000); do printf 'note %d\r\n' "$i"; done; } >"$work/m1000.csv"
run import "$work/full.bkf" memo "$work/m1000.csv"
expect_status 1 "an import that leaves records out at the limit"
expect_out "920 records were successfully imported." "taken up to the limit"
expect_out "80 records were left out: the application holds 920 records." "the rest counted"
expect_err "80 of its records left out" "the left-out count on the error stream"
cp "$work/new.bkf" "$work/before.bkf"
run import "$work/new.bkf" todo "$work/mixed.csv"
expect_status 1 "header that does not fit"
expect_err "Failed to Import" "failure message"
cmp -s "$work/new.bkf" "$work/before.bkf" || fail "refused import leaves the file alone"
run import "$work/new.bkf" memo "$work/missing.csv"
expect_status 1 "missing CSV file"
run --device-code 1 import "$work/new.bkf" memo "$work/m.csv"
expect_status 1 "device code differs"
expect_err "not compatible" "device code message"
cmp -s "$work/new.bkf" "$work/before.bkf" || fail "incompatible file is left alone"
printf 'XXXXXX\x02\x00\x00' >"$work/bad.bkf"
run import "$work/bad.bkf" memo "$work/m.csv"
expect_status 1 "import into a file with another magic"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all checks passed"
