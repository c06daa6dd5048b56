#!/usr/bin/env bash
# Installs what is missing, builds everything into build/ and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
source tools/install-deps.sh
kivo_install_deps

jobs=$(nproc)
cmake --preset debug
cmake --build --preset debug -j "$jobs"
QT_QPA_PLATFORM=offscreen ctest --preset debug -j "$jobs"
# CI also runs the tests under the address, undefined-behaviour and thread sanitizers.
if [ -n "${CI:-}" ]; then tools/sanitize.sh; fi
