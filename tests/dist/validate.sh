#!/usr/bin/env bash
# Runs one validator over the files the installation ships. Exits 77 (skipped)
# when the validator is not installed.
#   validate.sh desktop FILE | metainfo FILE | man PAGE... | icons DIR
#   validate.sh man-covers-cli KIVO_LINK PAGE
set -euo pipefail
kind=$1
shift

need() {
  if ! command -v "$1" >/dev/null 2>&1; then
    echo "SKIP: $1 is not installed"
    exit 77
  fi
}

case $kind in
  desktop)
    need desktop-file-validate
    # Hints are advice; errors and warnings fail.
    out=$(desktop-file-validate "$1" 2>&1 | grep -v ': hint: ' || true)
    if [ -n "$out" ]; then
      echo "$out"
      exit 1
    fi
    ;;
  metainfo)
    need appstreamcli
    appstreamcli validate --no-net "$1"
    ;;
  man)
    need man
    status=0
    for page in "$@"; do
      if [ ! -f "$page" ]; then
        echo "SKIP: $page was not built (scdoc missing?)"
        exit 77
      fi
      out=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
      if [ -n "$out" ]; then
        echo "$page:"
        echo "$out"
        status=1
      fi
      # The page must also say something: a NAME line with its own name.
      name=$(basename "$page")
      if ! grep -q "^ *${name%.*} - " <<<"$(MANWIDTH=80 man -l "$page" 2>/dev/null)"; then
        echo "$page: no NAME line for ${name%.*}"
        status=1
      fi
    done
    exit $status
    ;;
  man-covers-cli)
    # Every command and option that kivo-link --help lists is in its man page,
    # so a new one cannot go undocumented.
    need man
    tool=$1
    page=$2
    if [ ! -f "$page" ]; then
      echo "SKIP: $page was not built (scdoc missing?)"
      exit 77
    fi
    text=$(MANWIDTH=200 man -l "$page" 2>/dev/null)
    help=$("$tool" --help)
    status=0
    for command in $(echo "$help" | awk '/^Commands:/ {c = 1; next} /^$/ {c = 0} c {print $1}'); do
      # A here-string, not a pipe: grep -q may end before echo has written,
      # and pipefail would count echo's broken pipe as no match.
      if ! grep -qE "^ +$command( |$)" <<<"$text"; then
        echo "command '$command' is not described in $(basename "$page")"
        status=1
      fi
    done
    for option in $(echo "$help" | grep -oE '(^| )--?[a-z][a-z+-]*' | sort -u); do
      if ! grep -qE "^ +(-[a-z], )?$option( |,|$)" <<<"$text"; then
        echo "option '$option' is not described in $(basename "$page")"
        status=1
      fi
    done
    exit $status
    ;;
  icons)
    # Each PNG is one, of the size its name promises (render.sh makes them
    # from the SVG); the SVG is well-formed XML.
    status=0
    for png in "$1"/*.png; do
      size=${png##*-}
      size=${size%.png}
      # Width and height: big-endian 32-bit numbers at offsets 16 and 20.
      read -r w h < <(od -An -tu1 -j16 -N8 "$png" |
        awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
      if [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" != "89504e470d0a1a0a" ] ||
         [ "$w" != "$size" ] || [ "$h" != "$size" ]; then
        echo "$png: not a ${size}x${size} PNG (${w}x${h})"
        status=1
      fi
    done
    if command -v xmllint >/dev/null 2>&1; then
      for svg in "$1"/*.svg; do xmllint --noout "$svg" || status=1; done
    fi
    exit $status
    ;;
  *)
    echo "unknown check $kind" >&2
    exit 2
    ;;
esac
