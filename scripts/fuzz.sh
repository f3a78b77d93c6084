#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time
# (first argument, seconds; 60 by default), seeded from the test fixtures.
# Fails on any crash, leak, timeout or sanitizer report (fuzz-verdict.sh
# decides); the input of a finding is kept in build-fuzz/artifacts/TARGET/.
set -uo pipefail
seconds=${1:-60}
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build-fuzz"
CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUILLAR_FUZZ=ON -DQUILLAR_TESTS=OFF >/dev/null || exit 1
cmake --build "$build" >/dev/null || { cmake --build "$build"; exit 1; }

corpus="$build/corpus"
seed() {  # target name content
  mkdir -p "$corpus/$1"
  printf '%b' "$3" > "$corpus/$1/seed-$2"
}
for target in command_line system_profile global_profile path_override trace_scan rfcsim_files single_run global_run child_input; do
  mkdir -p "$corpus/$target"
done
seed command_line single 'PRD\0LAN=eth0,MODE=Mervesk'
seed command_line global 'GLOBAL\0S01 #\0CH=2'
seed command_line item 'D:\\X\\PRD.P01\0lan=1 item=Eth:0 @'
cp "$here"/tests/profiles/fixtures/*.P00 "$corpus/system_profile/"
{ printf 'ALL\n'; cat "$here/demo/SAP Orvanta.Gbl"; } > "$corpus/global_profile/seed-demo"
seed global_profile item 'x\n# Gsng: ITEM form   PRD.P00#QAS.P00\n'
seed path_override lines '; base\r\nD:\\Tools\r\nD:\\PRTG\\\r\n'
seed path_override root '\\Program Files'
seed trace_scan blocks '**** ERROR file opened at Thu Dec 10\nT:0001 ======> partner not reached\n**** ERROR x\nERROR       logon failed\r\n'
{ cat "$here/demo/RfcSim.ini"; printf '\0'; cat "$here/demo/SapRfc.QAS"; } > "$corpus/rfcsim_files/seed-demo"

seed child_input global '\1\x01\x01\x01PRD\x01ITEM=In-Errors,PARALLEL=2N7:PRD.P00\nV1:3\nS1:1\nE1:0\n'
seed child_input single '\1\x02\x01\x021\x01PRD\x01LAN=eth0,DEADLINE=5C5:<Prtg>\nD0:\nE1:0\n'

failed=0
printf '%-22s %12s %10s %s\n' target executions corpus result
for target in command_line system_profile global_profile path_override trace_scan rfcsim_files single_run global_run child_input; do
  log="$build/$target.log"
  artifacts="$build/artifacts/$target"
  rm -rf "$artifacts" && mkdir -p "$artifacts"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1 \
    "$build/${target}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -close_fd_mask=1 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus/$target" > "$log" 2>&1
  status=$?
  runs=$(awk '/stat::number_of_executed_units/ { print $2 }' "$log")
  files=$(find "$corpus/$target" -type f | wc -l)
  if "$here/scripts/fuzz-verdict.sh" "$status" "$log" "$artifacts" > "$build/$target.verdict"; then
    printf '%-22s %12s %10s %s\n' "$target" "${runs:-?}" "$files" ok
  else
    printf '%-22s %12s %10s %s\n' "$target" "${runs:-?}" "$files" "FAILED (see $log)"
    cat "$build/$target.verdict"
    failed=1
  fi
done
exit $failed
