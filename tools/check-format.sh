#!/usr/bin/env bash
# Fails when a C++ source of the repository differs from what clang-format
# makes of it with the repository's .clang-format; lists the files that do.
# `tools/check-format.sh --fix` rewrites them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cc' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
bad=()
for f in "${files[@]}"; do
  if ! clang-format --dry-run -Werror "$f" >/dev/null 2>&1; then bad+=("$f"); fi
done
if [ ${#bad[@]} -ne 0 ]; then
  printf 'not formatted: %s\n' "${bad[@]}" >&2
  echo "run tools/check-format.sh --fix" >&2
  exit 1
fi
echo "format: ${#files[@]} files match .clang-format"
