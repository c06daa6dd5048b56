#!/usr/bin/env bash
# Makes the .deb of a build with cpack and has lintian, Debian's package
# checker, look at it: any error or warning fails. Exits 77 (skipped) when
# lintian or the Debian packaging tools are not installed.
#   lintian.sh BUILD_DIR
set -euo pipefail
build_dir=$1
for tool in lintian cpack dpkg-deb dpkg-shlibdeps; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool is not installed"
    exit 77
  fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if ! (cd "$work" && cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$work/deb" \
        >"$work/cpack.log" 2>&1); then
  cat "$work/cpack.log"
  echo "FAIL: cpack -G DEB"
  exit 1
fi
deb=$(ls "$work"/deb/kivo-link_*.deb | head -1)
# Errors and warnings fail; information and pedantic notes do not.
status=0
lintian --fail-on error,warning --tag-display-limit 0 "$deb" >"$work/lintian.out" 2>&1 ||
  status=$?
cat "$work/lintian.out"
if [ "$status" -ne 0 ] || grep -qE '^[EW]: ' "$work/lintian.out"; then
  echo "FAIL: lintian reports errors or warnings on $(basename "$deb")"
  exit 1
fi
echo "lintian: $(basename "$deb") is clean"
