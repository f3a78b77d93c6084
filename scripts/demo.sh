#!/usr/bin/env bash
# Shows the sensor at work against the RFC stand-in: lays out a PRTG
# installation with the demo landscape under an emulated drive C:, writes the
# profiles with quillar-profile, and runs the sensor as PRTG would, printing
# each document with its exit code.
set -uo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")/.." && pwd)
bin=$(realpath "$build")
drives=$(realpath -m "$build/demo-drives")
prtg="$drives/c/Program Files (x86)/PRTG Network Monitor"
sensors="$prtg/Custom Sensors/EXEXML"
rm -rf "$drives"
mkdir -p "$sensors"
export QUILLAR_DRIVE_ROOT=$drives

# PRTG starts the sensor in its own folder, where the RFC library finds its
# files: the landscape of the stand-in and the destination file of QAS.
cp "$here/demo/RfcSim.ini" "$here/demo/SapRfc.QAS" "$prtg/"
cp "$here/demo/SAP Orvanta.Gbl" "$sensors/"
cd "$prtg"

profile() {  # name destination client host sysnr password
  printf '%s\n' "$6" | "$bin/quillar-profile" create "C:\\Program Files (x86)\\PRTG Network Monitor\\Custom Sensors\\EXEXML\\$1" \
    --destination "$2" --client "$3" --user monitor --language E --mode R/3 --host "$4" --sysnr "$5" \
    --gwhost "$4" --gwservice "sapgw$5" --extcompany DEMO
}
profile PRD.P00 BIN 100 sapbin 00 'Demo#2024'
profile QAS.P00 QAS 200 sapqas 01 'Demo#2024'
profile DEV.P00 DEV 300 sapdev 02 'Demo#2024'
profile TST.P00 TST 400 saptst 03 'Demo#2024'

run() {
  printf '\n$ quillar'
  for argument in "$@"; do printf ' "%s"' "$argument"; done
  printf '\n'
  "$bin/quillar" "$@"
  printf '[exit code %d]\n' "$?"
}

echo "PRTG is installed in C:\\Program Files (x86)\\PRTG Network Monitor on the emulated drive"
echo "C: ($drives/c); the profiles lie in its Custom Sensors\\EXEXML folder."
tool() {
  printf '\n$ quillar-profile'
  for argument in "$@"; do printf ' "%s"' "$argument"; done
  printf '\n'
  "$bin/quillar-profile" "$@"
  printf '[exit code %d]\n' "$?"
}
tool check PRD
tool locate PRD
tool test PRD LAN=eth0
tool test PRD LAN=eth9

echo
echo "A single-system run, all interfaces:"
run PRD
echo
echo "Interface eth0 only:"
run PRD "LAN=eth0"
echo
echo "A logon through the destination file SapRfc.QAS, as statistic lines (modes other"
echo "than EXEXML open the profile where the command line names it):"
run 'Custom Sensors\EXEXML\QAS' "MODE=Mervesk"
echo
echo "The value of channel 2 alone:"
run 'Custom Sensors\EXEXML\PRD' "MODE=Tolvane,CH=2"
echo
echo "A global run over four systems, with console trace (#):"
run GLOBAL "ALL #"
echo
echo "A system whose function module raises an exception:"
run TST
echo
echo "A system that refuses the logon:"
run DEV
echo
echo "No profile name:"
run
