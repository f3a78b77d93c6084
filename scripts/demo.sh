#!/usr/bin/env bash
# Shows the sensor at work: runs it as PRTG would and prints each document with
# its exit code, then a sample document in each output mode.
set -uo pipefail
build=${1:-build}
program=$(realpath "$build/quillar")
drives=$(realpath -m "$build/demo-drives")
rm -rf "$drives"
mkdir -p "$drives/c/demo/profiles"
printf 'Destination: BIN\r\n' > "$drives/c/demo/profiles/BIN.P00"
export QUILLAR_DRIVE_ROOT=$drives
cd "$drives/c/demo"

run() {
  printf '\n$ quillar'
  printf ' "%s"' "$@"
  printf '\n'
  "$program" "$@"
  printf '[exit code %d]\n' "$?"
}

echo "The sensor's drive C: is $drives/c, its working directory C:\\demo."
run
run PRD "MODE=Mervesk"
run 'C:\demo\profiles\QAS' "LAN=eth0,MODE=Tolvane"
run PRD "MODE=Html"
run 'C:\demo\profiles\BIN' "@"
run PRD

echo
echo "Sample documents of each output mode:"
"$(dirname "$program")/quillar-document-samples"
