#!/usr/bin/env bash
# kivo-link's file commands from the outside: exit status, standard output and
# error messages. Arguments: <program dir> <source dir>.
set -u
program_dir=$1
source "$(dirname "$0")/lib/tool_run.bash"

# A plain file with one Memo block of two records, its inverted twin, and a
# Schedule record of 31 December 2001, 09:00 to 10:30, alarm 15 minutes ahead.
printf 'IM2BK0\x02\x00\x01\x03\x00\x02Hi\x00\xffabc\x00\xff' >"$work/memo.bkf"
printf 'IM2BK1\x02\x00\x01\xfc\xff\xfd\xb7\x96\xff\x00\x9e\x9d\x9c\xff\x00' >"$work/inverted.bkf"
printf 'IM2BK0\x02\x00\x01\x00\x00\x01\x20\x01\x12\x31\x09\x00\x10\x30\x00\x00\x00\x15\x00\x40Meeting, room 2\x00\xff' \
  >"$work/schedule.bkf"
printf 'IM2BK0\x01\x00\x01\x03\x00\x01Other model\x00\xff' >"$work/device1.bkf"
printf 'XXXXXX\x02\x00\x00' >"$work/badmagic.bkf"
printf 'IM2BK0\x02\x00\x02\x03\x00\x01a\x00\xff' >"$work/cut.bkf"
printf 'IM2BK' >"$work/short.bkf"
printf '[Settings]\nDisplayDate=1\nDisplayHour=1\n' >"$work/settings.ini"

# Command line: 0 for help and version, 2 for anything malformed.
while IFS='|' read -r expected args what; do
  # shellcheck disable=SC2086
  run $args
  expect_status "$expected" "$what"
done <<'EOF'
0|--help|tool help
0|--version|version
0|show --help|command help
2||no command
2|frobnicate|unknown command
2|--bogus info x.bkf|unknown option
2|--date-format 5 show x.bkf|date format out of range
2|--hour-format x show x.bkf|hour format not a number
2|--device-code 3 info x.bkf|device code out of range
2|--encoding latin1 info x.bkf|unknown encoding
2|--settings|option without value
2|info|too few arguments
2|info a b|too many arguments
EOF
run --help
expect_out "Usage: kivo-link" "tool help"
expect_out "info FILE.bkf" "tool help lists info"
expect_out "demo" "tool help lists demo"
run frobnicate
expect_err "unknown command 'frobnicate'" "unknown command message"
run show "$work/memo.bkf" diary
expect_status 2 "unknown application"
expect_err "unknown application 'diary'" "unknown application message"

# info
run info "$work/memo.bkf"
expect_status 0 "info plain"
expect_out "IM2BK0 (plain body)" "info magic"
expect_out "Device code:   2 0" "info device code"
expect_out "Applications:  1" "info count"
expect_out "Memo" "info lists memo"
expect_out "2 records" "info record count"
run info "$work/inverted.bkf"
expect_status 0 "info inverted"
expect_out "IM2BK1 (inverted body)" "info inverted magic"
expect_out "2 records" "info inverted count"
run info "$work/device1.bkf"
expect_status 0 "info of a device code 1 file"
expect_out "Device code:   1 0" "info shows the file's device code"

# File-level failures: status 1, the file and the reason on stderr.
while IFS='|' read -r file reason; do
  run info "$work/$file"
  expect_status 1 "info $file"
  expect_err "$work/$file" "message names $file"
  expect_err "$reason" "reason for $file"
  run show "$work/$file"
  expect_status 1 "show $file"
done <<'EOF'
missing.bkf|No such file or directory
badmagic.bkf|The backup file is not compatible. (it does not start with IM2BK0 or IM2BK1)
cut.bkf|The backup file is not compatible.
short.bkf|The backup file is not compatible.
EOF
run --settings "$work/none.ini" info "$work/memo.bkf"
expect_status 1 "missing settings file"
expect_err "none.ini" "missing settings file named"

# show: records as the list shows them, in the display modes asked for.
run show "$work/memo.bkf" memo
expect_status 0 "show memo"
expect_out "Memo     2 records exist" "show memo header"
expect_out "Hi" "show memo first record"
expect_out "abc" "show memo second record"
run show "$work/inverted.bkf" 3
expect_status 0 "show by number"
expect_out "abc" "show inverted record"
run show "$work/schedule.bkf" schedule
expect_status 0 "show schedule"
expect_out "Date        Start Time  End Time  Alarm  Reminder  Description" "schedule columns"
expect_out "12/31/2001  09:00 AM    10:30 AM  Yes    15        Meeting, room 2" "schedule row"
run --date-format 2 --hour-format 1 show "$work/schedule.bkf" schedule
expect_out "2001.12.31  09:00       10:30" "options set the display modes"
run --settings "$work/settings.ini" show "$work/schedule.bkf" schedule
expect_out "31.12.2001  09:00       10:30" "settings file sets the display modes"
run --settings "$work/settings.ini" --date-format 0 show "$work/schedule.bkf" schedule
expect_out "12/31/2001  09:00" "option overrides the settings file"
run show "$work/schedule.bkf"
expect_status 0 "show all"
expect_out "Schedule     1 records exist" "show all: schedule"
expect_out "Expense     0 records exist" "show all: empty expense"
expect_no_out "Expense Category" "show all leaves the category list out"
run show "$work/schedule.bkf" category
expect_out "Enter't" "category list with default names"

# demo: the sample set through the file format.
run demo
expect_status 0 "demo"
expect_out "magic IM2BK1" "demo image inverted by default"
expect_out "Telephone     2 records exist" "demo telephone"
expect_out "Müller" "demo text converted to UTF-8"
run --plain demo
expect_out "magic IM2BK0" "demo with --plain"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all checks passed"
