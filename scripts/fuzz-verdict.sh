#!/usr/bin/env bash
# The verdict on one libFuzzer run: passes (0) or fails (1), and on failure
# prints what explains it.
# Usage: fuzz-verdict.sh STATUS LOG ARTIFACTS
#   STATUS     libFuzzer's exit status
#   LOG        its output, standard output and standard error
#   ARTIFACTS  the folder of its -artifact_prefix, emptied before the run
#
# A run fails on a non-zero status, on a crash-, leak-, timeout- or oom-
# file in ARTIFACTS, or on a sanitizer's own report line in LOG: a line that
# begins "==PID==ERROR: " (AddressSanitizer, LeakSanitizer) or
# "FILE:LINE:COLUMN: runtime error: " (UndefinedBehaviorSanitizer). The
# fuzzed program may echo its input, so the words "ERROR:" or "runtime error"
# elsewhere in a line are no finding.
set -uo pipefail
status=$1
log=$2
artifacts=$3

sanitizer_report='^==[0-9]+==ERROR: |^[^:]+:[0-9]+:[0-9]+: runtime error: '
# libFuzzer's own lines about a crash, a leak, a timeout or running out of
# memory ("==PID== ERROR: libFuzzer: ..."), shown with the reports; they come
# with a non-zero status and an artifact, which decide.
shown_report='^==[0-9]+== ?ERROR: |^[^:]+:[0-9]+:[0-9]+: runtime error: '

findings=$(find "$artifacts" -maxdepth 1 -type f \
  \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) 2>/dev/null | sort)
if [ "$status" -eq 0 ] && [ -z "$findings" ] && ! grep -aqE "$sanitizer_report" "$log"; then
  exit 0
fi

[ "$status" -eq 0 ] || echo "exit status $status"
[ -z "$findings" ] || sed 's/^/input kept: /' <<<"$findings"
if grep -aqE "$shown_report" "$log"; then
  grep -aE -A20 "$shown_report" "$log" | head -40
else
  tail -n 20 "$log"
fi
exit 1
