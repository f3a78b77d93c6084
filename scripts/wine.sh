#!/usr/bin/env bash
# The one way this project starts wine: the Makefile, the end-to-end suites
# and the scripts all come through here.
#   wine.sh PROGRAM [ARGUMENTS...]    runs a Windows program (wineboot as well)
#   wine.sh --server [ARGUMENTS...]   runs the wineserver
# The caller sets WINEPREFIX. QUILLAR_32BIT_PROBE names the answer file of
# probe-32bit.sh; by default build-wine/runs-32bit of this checkout, probed
# now if it is not there yet.
#
# Debian's `wine` prefers the 32-bit loader whenever wine32 is installed, and
# lets that loader hand 64-bit programs on; on a kernel that executes no 32-bit
# programs it cannot start at all. There the 64-bit loader runs the programs,
# and WINELOADER makes wine start every further process of the session with
# it as well. Elsewhere `wine` is used as it is.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
probe_file=${QUILLAR_32BIT_PROBE:-$root/build-wine/runs-32bit}
[ -f "$probe_file" ] || "$root/scripts/probe-32bit.sh" "$probe_file"

if [ "${1:-}" = --server ]; then
  shift
  exec wineserver "$@"
fi
if [ "$(head -c 3 "$probe_file")" = yes ]; then
  exec wine "$@"
fi
loader=/usr/lib/wine/wine64
if [ ! -x "$loader" ]; then
  echo "wine.sh: $loader is missing; install the Debian package wine64" >&2
  exit 127
fi
export WINELOADER=$loader
exec "$loader" "$@"
