#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on the virtual
# organizer (or, without a display, backs up the virtual organizer and shows
# its records).
set -euo pipefail
cd "$(dirname "$0")"
source tools/install-deps.sh
kivo_install_deps

# Only what runs here: the two programs and their tables (./test.sh builds the
# tests, the benchmarks build on request).
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target kivo_programs
bin=build-release/bin

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$bin/Kivo-LinkUtility" ]; then
  # A first start talks to the virtual organizer; the COM port dialog changes it.
  if [ ! -e "$bin/Kivo-LinkUtility.ini" ]; then
    printf '[Settings]\nPortName=virtual\n' > "$bin/Kivo-LinkUtility.ini"
  fi
  exec "$bin/Kivo-LinkUtility" "$@"
fi
# Without a display: a Backup from the virtual organizer, then its records.
backup="$(mktemp -d)/virtual.bkf"
"$bin/kivo-link" --port virtual backup "$backup" && "$bin/kivo-link" show "$backup"
