#!/usr/bin/env bash
# Checks the listing of the 64-bit release archive: the programs and guides
# in its top folder, the stand-in only in demo/, and no developer's words in
# the administrator's files.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
archive=$(ls "$here"/dist/quillar-*-win64.zip)
name=$(basename "$archive" .zip)
listing=$(cmake -E tar tf "$archive" | sed 's|/$||' | sort)
expected=$(printf '%s\n' "$name" "$name/ADMIN-GUIDE.md" "$name/README.txt" "$name/demo" "$name/demo/DEV.P00" \
  "$name/demo/PRD.P00" "$name/demo/QAS.P00" "$name/demo/RfcSim.ini" "$name/demo/SAP Orvanta.Gbl" \
  "$name/demo/SapRfc.QAS" "$name/demo/TRY-IT.txt" "$name/demo/TST.P00" "$name/demo/librfc32.dll" \
  "$name/quillar-profile.exe" "$name/quillar.exe" | sort)
if [ "$listing" != "$expected" ]; then
  echo "unexpected listing of $archive:" >&2
  diff <(echo "$expected") <(echo "$listing") >&2 || true
  exit 1
fi
# The administrator's files speak of the release, not of the source tree.
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
(cd "$unpacked" && cmake -E tar xf "$archive" "$name/README.txt" "$name/demo/TRY-IT.txt")
if grep -nE 'make (demo|test)|build-windows|rfcsim/' "$unpacked/$name/README.txt" "$unpacked/$name/demo/TRY-IT.txt" >&2; then
  echo "the archive's README.txt or TRY-IT.txt speaks of the source tree" >&2
  exit 1
fi
(cd "$here/dist" && sha256sum --quiet -c SHA256SUMS)
echo "$(basename "$archive"): listing and checksum as expected"
