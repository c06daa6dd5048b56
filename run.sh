#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on the virtual
# organizer (or, without a display, a command-line demo).
set -euo pipefail
cd "$(dirname "$0")"
source tools/install-deps.sh
kivo_install_deps

cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
bin=build-release/bin

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$bin/Kivo-LinkUtility" ]; then
  exec "$bin/Kivo-LinkUtility" "$@"
fi
exec "$bin/kivo-link" demo
