#!/usr/bin/env bash
# Writes the release: dist/quillar-VERSION-win64.zip, dist/quillar-VERSION-win32.zip
# and dist/SHA256SUMS. Each zip holds the programs of its bitness, the
# administrator's README.txt and guide, and in demo/ the stand-in RFC library
# with a demo landscape and profiles, away from the programs so that nobody
# copies the stand-in into production by mistake.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
native="$here/build"
version=$(cat "$here/build-windows/version.txt")
out="$here/dist"
rm -rf "$out"
mkdir -p "$out/stage"

for bits in 64 32; do
  tree="$here/build-windows"
  [ "$bits" = 32 ] && tree="$here/build-windows32"
  name="quillar-$version-win$bits"
  stage="$out/stage/$name"
  mkdir -p "$stage/demo"
  cp "$tree/quillar.exe" "$tree/quillar-profile.exe" "$stage/"
  # The developer's README.md, with its make targets and build trees, stays
  # out: the archive is for administrators.
  cp "$here/docs/release-readme.txt" "$stage/README.txt"
  cp "$here/docs/admin.md" "$stage/ADMIN-GUIDE.md"
  cp "$tree/librfc32.dll" "$here/demo/RfcSim.ini" "$here/demo/SAP Orvanta.Gbl" "$here/demo/SapRfc.QAS" \
     "$here/demo/TRY-IT.txt" "$stage/demo/"
  for system in "PRD BIN 100 sapbin 00" "QAS QAS 200 sapqas 01" "DEV DEV 300 sapdev 02" "TST TST 400 saptst 03"; do
    set -- $system
    # The native tool reads Windows paths, so it writes in the folder it works in.
    (cd "$stage/demo" && printf 'Demo#2024\n' | "$native/quillar-profile" create "$1" --destination "$2" \
      --client "$3" --user monitor --language E --mode R/3 --host "$4" --sysnr "$5" --gwhost "$4" \
      --gwservice "sapgw$5" --extcompany DEMO >/dev/null)
  done
  (cd "$out/stage" && cmake -E tar cf "../$name.zip" --format=zip "$name")
done
rm -rf "$out/stage"
(cd "$out" && sha256sum ./*.zip | sed 's| \./| |' > SHA256SUMS)
echo "Release $version:"
ls -l "$out"
