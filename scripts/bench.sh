#!/usr/bin/env bash
# Measures what a sensor run costs: whole processes, alternated, medians of
# many repetitions, each compared with a minimal C program (the floor).
set -euo pipefail
build=$(realpath "${1:-build-bench}")
repetitions=${REPETITIONS:-41}
here=$(cd "$(dirname "$0")/.." && pwd)
work="$build/bench-work"
drives="$work/drives"
prtg="$drives/c/PRTG"
sensors="$prtg/Custom Sensors/ExeXml"

cc -O2 -o "$build/floor" "$here/bench/floor.c"
c++ -O2 -std=c++20 -o "$build/bench_runner" "$here/bench/bench_runner.cc"

rm -rf "$work"
mkdir -p "$sensors"
export QUILLAR_DRIVE_ROOT=$drives
printf 'C:\\PRTG\r\n' > "$drives/c/PRTG_Path.Txt"
password=$(printf 'Bench#1\n' | "$build/quillar-profile" scramble)

# 250 systems, each with its profile <n>.P00 and three LAN rows.
{
  for n in $(seq 1 250); do
    printf '[S%d]\nashost = sap%d\nsysnr = 0\nclient = 100\nuser = MONITOR\npassword = Bench#1\n' "$n" "$n"
    printf 'lan = eth0 %d 200 1 2 3 300\nlan = eth1 10 20 0 0 0 30\nlan = lo 5 5 0 0 0 10\n' "$n"
  done
} > "$prtg/RfcSim.ini"
for n in $(seq 1 250); do
  printf 'Destination: S%03d\r\nClient.....: 100\r\nUser.......: monitor\r\nPassword...: %s\r\nLanguage...: E\r\nMode.......: R/3\r\nHostname...: sap%d\r\nSysnr......: 00\r\nGwhost.....: sap%d\r\nGwservice..: sapgw00\r\nExtcompany.: BENCH\r\n' \
    "$n" "$password" "$n" "$n" > "$sensors/$n.P00"
done
# Global profile: sensor G<n> lists the first n systems, twenty names a line.
{
  for count in 1 10 100 250; do
    line=""
    for n in $(seq 1 "$count"); do
      line+="$n.P00#"
      if (( n % 20 == 0 || n == count )); then
        printf '# GSNG: %-10s  %s\r\n' "G$count" "$line"
        line=""
      fi
    done
    printf '# GSNX: %-10s Sensor="SAP Quillar" Item=Packets/Sec\r\n' "G$count"
  done
} > "$sensors/SAP Orvanta.Gbl"

# A single-system run works beside a landscape of its one system, as it
# would beside the RFC library of a real installation.
single="$drives/c/SINGLE"
mkdir -p "$single"
awk '/^\[S2\]$/ { exit } { print }' "$prtg/RfcSim.ini" > "$single/RfcSim.ini"

program_list="$work/programs.tsv"
{
  printf 'floor (C, dynamic)\t%s\t%s\n' "$prtg" "$build/floor"
  printf 'quillar single-system\t%s\t%s\t1\tLAN=eth0\n' "$single" "$build/quillar"
  for count in 1 10 100 250; do
    printf 'quillar global %s\t%s\t%s\tGLOBAL\tG%s\n' "$count" "$prtg" "$build/quillar" "$count"
  done
  printf 'quillar-profile check\t%s\t%s\tcheck\tC:\\PRTG\\Custom Sensors\\ExeXml\\1.P00\n' "$prtg" "$build/quillar-profile"
} > "$program_list"

# One run of each first: every one must succeed.
(cd "$single" && "$build/quillar" 1 LAN=eth0 > "$work/single.out") || { echo "single-system run failed"; cat "$work/single.out"; exit 1; }
(cd "$prtg" && "$build/quillar" GLOBAL G250 > "$work/global.out")
grep -q 'NoSystems=250, Processed=250, Failed=0' "$work/global.out" || { echo "global run failed"; tail -3 "$work/global.out"; exit 1; }

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(uname -sr)"
echo "Medians of $repetitions alternated repetitions:"
echo
"$build/bench_runner" "$repetitions" "$program_list" | tee "$work/table.txt" | grep -v '^median-wall-ms'

wall() { awk -v name="$1" '$1 == "median-wall-ms" { $1 = ""; sub(/^ /, ""); n = $NF; $NF = ""; sub(/ $/, ""); if ($0 == name) print n }' "$work/table.txt"; }
g1=$(wall "quillar global 1"); g10=$(wall "quillar global 10"); g100=$(wall "quillar global 100"); g250=$(wall "quillar global 250")
echo
awk -v g1="$g1" -v g10="$g10" -v g100="$g100" -v g250="$g250" 'BEGIN {
  printf "Per-system cost of the global run: %.3f ms (1 to 10), %.3f ms (10 to 100), %.3f ms (100 to 250)\n",
    (g10 - g1) / 9, (g100 - g10) / 90, (g250 - g100) / 150 }'

if command -v valgrind > /dev/null; then
  instructions=$(cd "$single" && valgrind --tool=callgrind --callgrind-out-file=/dev/null "$build/quillar" 1 LAN=eth0 2>&1 >/dev/null |
                 awk '/Collected :/ { print $NF }')
  echo "Instructions of a single-system run (callgrind): $instructions"
fi

# Wall time against slow and dead hosts: a global run over 100 systems whose
# every logon and call waits 200 ms, one process after the other, 16 at
# once, and 16 at once with a deadline of 5 s and three hosts that never
# answer. Each is run once: the waits dominate.
slow="$drives/c/SLOW"
slow_sensors="$slow/Custom Sensors/ExeXml"
mkdir -p "$slow_sensors"
{
  for n in $(seq 1 100); do
    printf '[S%d]\nashost = sap%d\nsysnr = 0\nclient = 100\nuser = MONITOR\npassword = Bench#1\ndelay = 200\n' "$n" "$n"
    printf 'lan = eth0 %d 200 1 2 3 300\n' "$n"
    case "$n" in 10|20|30) printf 'hang = RfcOpen\n' ;; esac
  done
} > "$slow/RfcSim.ini"
cp "$sensors"/*.P00 "$slow_sensors/"
{
  line=""
  for n in $(seq 1 100); do
    line+="$n.P00#"
    if (( n % 20 == 0 )); then
      for key in PLAIN PAR16 DEAD5; do printf '# GSNG: %-10s  %s\r\n' "$key" "$line"; done
      line=""
    fi
  done
  printf '# GSNX: %-10s Sensor="SAP Quillar" Item=Packets/Sec\r\n' PLAIN
  printf '# GSNX: %-10s ,PARALLEL=16 Sensor="SAP Quillar" Item=Packets/Sec\r\n' PAR16
  printf '# GSNX: %-10s ,PARALLEL=16,DEADLINE=5 Sensor="SAP Quillar" Item=Packets/Sec\r\n' DEAD5
} > "$slow_sensors/SAP Orvanta.Gbl"
# The plain and the parallel run meet no dead host.
grep -v '^hang = ' "$slow/RfcSim.ini" > "$slow/RfcSim.ini.alive"
seconds_of() {  # key landscape
  local start end
  start=$(date +%s.%N)
  (cd "$slow" && cp "$2" RfcSim.ini &&
   "$build/quillar" 'C:\SLOW\Custom Sensors\ExeXml\GLOBAL' "$1 MODE=Dravik" > "$work/$1.out")
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" 'BEGIN { printf "%.2f", e - s }'
}
cp "$slow/RfcSim.ini" "$slow/RfcSim.ini.dead"
plain=$(seconds_of PLAIN RfcSim.ini.alive)
par16=$(seconds_of PAR16 RfcSim.ini.alive)
dead5=$(seconds_of DEAD5 RfcSim.ini.dead)
echo
echo "Global run over 100 systems, 200 ms a logon and a call:"
summary() { grep -o 'NoSystems=[^<]*' "$work/$1.out"; }
echo "  one after the other:                       $plain s   $(summary PLAIN)"
echo "  ,PARALLEL=16:                              $par16 s   $(summary PAR16)"
echo "  ,PARALLEL=16,DEADLINE=5, 3 hosts dead:     $dead5 s   $(summary DEAD5)"
awk -v p="$plain" -v q="$par16" -v d="$dead5" 'BEGIN {
  printf "  ratio one after the other / PARALLEL=16: %.1fx (target: at least 10x)\n", p / q
  printf "  dead hosts under DEADLINE=5: %.2f s (target: at most 7 s)\n", d }'

# A global run over 161 profiles that do not exist: none of them gets a child,
# so the options cost next to nothing there. Medians of 21 runs each, of the
# wall time and of the processor time (user and system, children included).
names=""
for n in $(seq 1 161); do names+="M$n.P00#"; done
{
  for (( at = 0; at < ${#names}; at += 150 )); do printf '# Gsng: ITEM form   %s\r\n' "${names:at:150}"; done
} > "$sensors/Orvanta.Prf"
medians_ms() {  # options
  local walls=() cpus=() line TIMEFORMAT='%R %U %S'
  for _ in $(seq 1 21); do
    line=$( { time (cd "$prtg" && "$build/quillar" PRD "ITEM=In-Errors$1" > "$work/missing.out"); } 2>&1 )
    walls+=($(awk '{ printf "%d", $1 * 1000000 }' <<< "$line"))
    cpus+=($(awk '{ printf "%d", ($2 + $3) * 1000000 }' <<< "$line"))
  done
  local wall cpu
  wall=$(printf '%s\n' "${walls[@]}" | sort -n | sed -n 11p)
  cpu=$(printf '%s\n' "${cpus[@]}" | sort -n | sed -n 11p)
  awk -v w="$wall" -v c="$cpu" 'BEGIN { printf "wall %.1f ms, processor %.1f ms", w / 1000, c / 1000 }'
}
echo
echo "Global run over 161 missing profiles (medians):"
echo "  without the options:  $(medians_ms '')   $(grep -o 'NoSystems=[^<]*' "$work/missing.out")"
echo "  ,PARALLEL=1:          $(medians_ms ',PARALLEL=1')   $(grep -o 'NoSystems=[^<]*' "$work/missing.out")"
echo "  ,PARALLEL=16:         $(medians_ms ',PARALLEL=16')   $(grep -o 'NoSystems=[^<]*' "$work/missing.out")"

# The sweep of the scratch folders that killed runs left: 10,000 stale
# folders of one log line each, then one stale folder of 20,000 files (a
# library that leaves a file per logon). Each run may spend a fifth of its
# ,RUNTIME= on the sweep; what it leaves waits for the next run. The rate is
# what one run cleared over that run's whole wall time.
stale="$drives/c/STALE"
mkdir -p "$stale"
cp "$single/RfcSim.ini" "$stale/"
stale_run() {  # label
  local before after start end
  before=$(find "$stale" -mindepth 1 -maxdepth 2 -path '*/Quillar.*' | wc -l)
  start=$(date +%s.%N)
  (cd "$stale" && "$build/quillar" 1 'LAN=eth0,PARALLEL=1,RUNTIME=5' > "$work/stale.out")
  end=$(date +%s.%N)
  after=$(find "$stale" -mindepth 1 -maxdepth 2 -path '*/Quillar.*' | wc -l)
  grep -q 'Packets/Sec' "$work/stale.out" || { echo "stale run failed"; cat "$work/stale.out"; exit 1; }
  awk -v l="$1" -v b="$before" -v a="$after" -v s="$start" -v e="$end" 'BEGIN {
    printf "  %-34s %6.2f s, %6d of %6d entries cleared, %8.0f a second (bound: 5 s)\n", l, e - s, b - a, b, (b - a) / (e - s) }'
}
for n in $(seq 1 10000); do
  mkdir -m 0700 "$stale/Quillar.$((4000000000 + n)).ab"
  printf '0 stale line %d \n' "$n" > "$stale/Quillar.$((4000000000 + n)).ab/Quillar.log"
done
echo
echo "Sweep of stale scratch folders (,PARALLEL=1,RUNTIME=5; a fifth of it for the sweep):"
stale_run "10,000 stale folders, first run:"
stale_run "the run after it:"
rm -rf "$stale"/Quillar.* "$stale"/cpic*
big="$stale/Quillar.4000000001.ab"
mkdir -m 0700 "$big"
printf '0 stale line \n' > "$big/Quillar.log"
(cd "$big" && seq 1 20000 | sed 's/.*/cpic&.trc/' | xargs touch)
stale_run "one folder of 20,000 files:"
stale_run "the run after it:"
