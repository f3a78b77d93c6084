#!/usr/bin/env bash
# Makes the wine prefix PREFIX that the end-to-end suites of both Windows
# trees share, and marks it ready. When a step fails, says which command failed
# and shows what it printed.
# Usage: wine-prefix.sh PREFIX
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
prefix=$1
mkdir -p "$prefix"
export WINEPREFIX=$(cd "$prefix" && pwd)
log=$(mktemp "${TMPDIR:-/tmp}/quillar-wineboot.XXXXXX")
trap 'rm -f "$log"' EXIT

run_step() {
  local status=0
  WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" "$@" >"$log" 2>&1 </dev/null || status=$?
  if [ "$status" -ne 0 ]; then
    {
      echo "Creating the wine prefix $prefix failed: '$*' exited with code $status."
      echo "Its output:"
      sed 's/^/    /' "$log"
      echo "32-bit Windows programs: $(cat "${QUILLAR_32BIT_PROBE:-$root/build-wine/runs-32bit}" 2>/dev/null || echo "not probed")"
    } >&2
    exit 1
  fi
}

echo "Creating the wine prefix $prefix"
run_step "$root/scripts/wine.sh" wineboot -i
run_step "$root/scripts/wine.sh" --server -w
touch "$prefix/.ready"
