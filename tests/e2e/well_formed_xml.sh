#!/usr/bin/env bash
# Parses every XML-framed expected document of the end-to-end suite with
# libxml2's xmllint and fails on any that is not well-formed XML. Documents
# with console trace lines ("* hh:mm:ss" lines, read by eye) and the RFC error report
# (plain text that ends the run) are no documents for PRTG and are passed over.
set -euo pipefail
folder="${1:?usage: well_formed_xml.sh EXPECTED-FOLDER}"
command -v xmllint >/dev/null || { echo "xmllint is missing (Debian's libxml2-utils)" >&2; exit 1; }
checked=0
failed=0
for document in "$folder"/*.txt; do
  grep -q '<Prtg>' "$document" || continue
  grep -q -e '^\* hh:mm:ss ' -e '^RFC error$' "$document" && continue
  checked=$((checked + 1))
  if ! xmllint --noout "$document"; then
    echo "not well-formed: $document" >&2
    failed=$((failed + 1))
  fi
done
echo "$checked XML documents checked, $failed not well-formed"
[ "$checked" -gt 0 ] && [ "$failed" -eq 0 ]
