#!/usr/bin/env bash
# The verdict of the fuzz pass on made-up runs: only libFuzzer's status, the
# inputs it keeps for a finding and the sanitizers' own report lines fail a
# target; words of the fuzzed input echoed into the log never do.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

clean='INFO: Running with entropic power schedule\n#2048\tDONE   cov: 301 ft: 977 corp: 40/2Kb\nstat::number_of_executed_units: 2048\n'

# status | log, as printf %b reads it | file kept in the artifact folder, - for none
#   | expected exit code | a line the failure report shows, - when it passes
while IFS='|' read -r status log kept expected_code shown; do
  rm -rf "$scratch/artifacts" && mkdir -p "$scratch/artifacts"
  log=${log//CLEAN/$clean}
  shown=${shown//\$scratch/$scratch}
  printf '%b' "$log" >"$scratch/log"
  [ "$kept" = - ] || printf 'x' >"$scratch/artifacts/$kept"
  output=$("$root/scripts/fuzz-verdict.sh" "$status" "$scratch/log" "$scratch/artifacts" 2>&1)
  code=$?
  if [ "$code" != "$expected_code" ]; then
    fail "status $status, log '$log', kept $kept: exit code $code, output '$output'"
  elif [ "$shown" != - ] && ! grep -qxF "$shown" <<<"$output"; then
    fail "status $status, log '$log', kept $kept: '$shown' not in '$output'"
  fi
done <<'CASES'
0|CLEAN|-|0|-
0|CLEAN  OUT_ERROR: COLLISIONS\nERROR: partner not reached\n|-|0|-
0|CLEANruntime error: in the landscape\nlandscape: src/x.cc:3:5: runtime error: x\n  ==12==ERROR: x\n|-|0|-
0|CLEAN\0\1==1==ERROR: binary\n|-|0|-
0|CLEAN|slow-unit-0a1b|0|-
0|CLEAN==123==ERROR: AddressSanitizer: heap-buffer-overflow on address 0x6020\n    #0 0x5 in main\n|-|1|    #0 0x5 in main
0|\0\1CLEAN/src/x y/x.cc:3:5: runtime error: signed integer overflow\n|-|1|/src/x y/x.cc:3:5: runtime error: signed integer overflow
0|src/x.cc:3:5: runtime error: signed integer overflow\n|-|1|src/x.cc:3:5: runtime error: signed integer overflow
0|==9==ERROR: LeakSanitizer: detected memory leaks\n|-|1|==9==ERROR: LeakSanitizer: detected memory leaks
0|CLEAN|crash-0a1b|1|input kept: $scratch/artifacts/crash-0a1b
0|CLEAN|leak-0a1b|1|-
0|CLEAN|timeout-0a1b|1|-
0|CLEAN|oom-0a1b|1|-
1|CLEAN==7== ERROR: libFuzzer: deadly signal\n|-|1|==7== ERROR: libFuzzer: deadly signal
77|CLEAN|-|1|exit status 77
CASES
exit $((failures > 0))
