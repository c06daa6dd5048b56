#!/usr/bin/env bash
# kivo-link find and print from the outside, on the sample records: what find
# prints and its grep-like exit status; the PDF of print read back with
# poppler's pdftotext, without a display. Arguments: <program dir> <source dir>.
set -u
program_dir=$1
source_dir=$2
source "$(dirname "$0")/lib/tool_run.bash"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

for app in schedule todo anniversary telephone memo expense; do
  run import "$work/sample.bkf" "$app" "$source_dir/data/sample/$app.csv"
  expect_status 0 "import the $app sample"
done

# find: every application, case and accents aside; --apps narrows.
run find MULLER "$work/sample.bkf"
expect_status 0 "find found"
expect_out "Schedule   06/20/2002  07:00 AM  07:00 AM  Yes  30  Review the Müller contract" \
  "find prints show's line after the application"
expect_out "Telephone  Business  Müller  Tanja" "find in Telephone"
expect_out "Memo       Café Müller opens at 7:30" "find in Memo"
[ "$(wc -l <"$work/out")" -eq 3 ] || fail "find prints one line per record"
run find "zoe" "$work/sample.bkf" --apps Memo,schedule
expect_out "Café with Zoë" "find folds ë"
run --apps=telephone find müller "$work/sample.bkf"
[ "$(wc -l <"$work/out")" -eq 1 ] || fail "--apps telephone keeps one line"
while IFS='|' read -r expected args what; do
  # shellcheck disable=SC2086
  run $args
  expect_status "$expected" "$what"
done <<EOT
1|find nothing-like-this $work/sample.bkf|find found nothing
2|find muller $work/missing.bkf|find on a missing file
2|find muller $work/sample.bkf --apps diary|unknown application in --apps
2|find muller $work/sample.bkf --apps category|the category list is not searched
EOT

if ! "$tool" --help | grep -q '^  print '; then
  echo "kivo-link was built without printing: print skipped"
elif ! command -v pdftotext >/dev/null; then
  echo "SKIP: pdftotext (poppler-utils) is not installed: print skipped"
else
  run print "$work/sample.bkf" --pdf "$work/all.pdf"
  expect_status 0 "print the lists"
  pages=$(pdfinfo "$work/all.pdf" | awk '/^Pages:/ {print $2}')
  expect_out "$pages pages written to $work/all.pdf" "print counts the pages"
  pdftotext -layout "$work/all.pdf" "$work/all.txt"
  for text in "Schedule" "To Do" "Anniversary" "Telephone" "Memo" "Expense" "Page 1 of $pages" \
    "Page $pages of $pages" "Review the Müller contract" "Café Müller opens at 7:30"; do
    grep -qF -- "$text" "$work/all.txt" || fail "the lists' PDF lacks '$text'"
  done
  run print "$work/sample.bkf" --pdf "$work/june.pdf" --month 2002-06 --apps anniversary,todo
  expect_status 0 "print a month"
  pdftotext "$work/june.pdf" "$work/june.txt"
  for text in "June 2002" "Nina's birthday" "Defrost the freezer" "Page 1 of 1"; do
    grep -qF -- "$text" "$work/june.txt" || fail "the month's PDF lacks '$text'"
  done
  ! grep -qF "Board meeting" "$work/june.txt" || fail "--apps leaves the Schedule out"
  # Telephone as a phone list (A4 upright) and as a table: every number on one line.
  grep -oE '\+[0-9]{1,3}( [0-9-]+)+( ext\. [0-9]+)?|0[0-9]{3} [0-9]{7}' \
    "$source_dir/data/sample/telephone.csv" | sort -u >"$work/numbers"
  [ "$(wc -l <"$work/numbers")" -gt 40 ] || fail "the sample's numbers are found"
  for layout in phone-list table; do
    run print "$work/sample.bkf" --pdf "$work/$layout.pdf" --apps telephone --layout "$layout"
    expect_status 0 "print Telephone as a $layout"
    pdftotext -layout "$work/$layout.pdf" "$work/$layout.txt"
    while read -r number; do
      grep -qF -- "$number" "$work/$layout.txt" || fail "the $layout breaks '$number'"
    done <"$work/numbers"
  done
  pdfinfo "$work/phone-list.pdf" | grep -q '595 x 842 pts (A4)' || fail "a phone list is A4 upright"
  grep -qF "Hohenstein-Wallerstein, Maximilian-Alexander" "$work/phone-list.txt" ||
    fail "a card starts with the name"
  # A day of fourteen entries counts those that find no room; long ones wrap whole.
  {
    echo "Date,Start Time,End Time,Alarm,Reminder,Description"
    echo "06/05/2002,09:00 AM,10:00 AM,No,0,Dentist appointment with Dr. Oberlander about the new crown"
    for hour in 01 02 03 04 05 06 07 08 09 10 11 12 01 02; do
      echo "06/07/2002,$hour:00 PM,$hour:00 PM,No,0,Slot $hour"
    done
  } >"$work/crowded.csv"
  run import "$work/crowded.bkf" schedule "$work/crowded.csv"
  run print "$work/crowded.bkf" --pdf "$work/crowded.pdf" --month 2002-06
  expect_status 0 "print a crowded month"
  flat=$(pdftotext "$work/crowded.pdf" - | tr -s ' \n' '  ')
  shown=$(grep -oE 'Slot [0-9]{2}' <<<"$flat" | wc -l)
  [ "$shown" -ge 3 ] && grep -qF "+$((14 - shown)) more" <<<"$flat" ||
    fail "a crowded day shows $shown entries and counts the rest"
  grep -qF "Dentist appointment with Dr. Oberlander about the new crown" <<<"$flat" ||
    fail "a long entry is wrapped whole"
  while IFS='|' read -r expected args what; do
    # shellcheck disable=SC2086
    run $args
    expect_status "$expected" "$what"
  done <<EOT
2|print $work/sample.bkf --pdf $work/x.pdf --layout cards|an unknown layout
2|print $work/sample.bkf --pdf $work/x.pdf --month 2002-06 --layout table|a layout for a month
2|print $work/sample.bkf|print without --pdf
2|print $work/sample.bkf --pdf $work/x.pdf --month 2002-13|a month out of range
2|print $work/sample.bkf --pdf $work/x.pdf --month 2002-06 --apps memo|a month of memos
1|print $work/missing.bkf --pdf $work/x.pdf|print from a missing file
1|print $work/sample.bkf --pdf $work/no/such/dir/x.pdf|print into a missing folder
EOT
  [ ! -e "$work/x.pdf" ] || fail "a refused print leaves no file"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all checks passed"
