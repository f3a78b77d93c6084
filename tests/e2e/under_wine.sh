#!/usr/bin/env bash
# Runs COMMAND, an end-to-end suite of a Windows tree of BITS bits under wine.
# A 32-bit tree is not run on a kernel that executes no 32-bit programs, as
# the answer file QUILLAR_32BIT_PROBE records it: the script says why and
# exits with 77, which CTest reports as skipped.
# Usage: under_wine.sh BITS COMMAND [ARGUMENTS...]
set -euo pipefail
bits=$1
shift
probe_file=${QUILLAR_32BIT_PROBE:?names no answer file of probe-32bit.sh}
if [ ! -f "$probe_file" ]; then
  echo "under_wine.sh: $probe_file is missing; make test writes it (scripts/probe-32bit.sh)" >&2
  exit 1
fi
answer=$(head -n 1 "$probe_file")
if [ "$bits" = 32 ] && [ "${answer%%:*}" != yes ]; then
  echo "32-bit Windows run skipped: ${answer#no: }"
  exit 77
fi
exec "$@"
