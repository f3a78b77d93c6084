#!/usr/bin/env bash
# The answers of probe-32bit.sh and how under_wine.sh acts on each: a 32-bit
# suite is skipped (77) exactly where the kernel runs no 32-bit programs, a
# 64-bit suite always runs, and a missing answer file is an error, not a pass.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

QUILLAR_ASSUME_NO_32BIT=1 "$root/scripts/probe-32bit.sh" "$scratch/forced"
[ "$(head -n 1 "$scratch/forced")" = "no: QUILLAR_ASSUME_NO_32BIT=1 is set" ] ||
  fail "forced answer: $(cat "$scratch/forced")"
env -u QUILLAR_ASSUME_NO_32BIT "$root/scripts/probe-32bit.sh" "$scratch/probed"
case "$(head -n 1 "$scratch/probed")" in
  yes | "no: this kernel cannot execute 32-bit programs") ;;
  *) fail "probed answer: $(cat "$scratch/probed")" ;;
esac
printf 'yes\n' >"$scratch/yes"
printf 'no: this kernel cannot execute 32-bit programs\ndetails\n' >"$scratch/no"

# answer file | bits | expected exit code | expected output
while IFS='|' read -r answer bits expected_code expected_output; do
  expected_output=${expected_output//\$scratch/$scratch}
  output=$(QUILLAR_32BIT_PROBE="$scratch/$answer" "$root/tests/e2e/under_wine.sh" "$bits" echo ran 2>&1)
  code=$?
  [ "$code" = "$expected_code" ] && [ "$output" = "$expected_output" ] ||
    fail "answer $answer, $bits bits: exit code $code, output '$output'"
done <<'CASES'
yes|32|0|ran
yes|64|0|ran
no|64|0|ran
no|32|77|32-bit Windows run skipped: this kernel cannot execute 32-bit programs
missing|64|1|under_wine.sh: $scratch/missing is missing; make test writes it (scripts/probe-32bit.sh)
CASES
exit $((failures > 0))
