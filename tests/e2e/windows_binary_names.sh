#!/usr/bin/env bash
# Checks a Windows build tree from its binaries: the stand-in librfc32.dll
# exports the plain names of the vendor's DLL, none decorated ("RfcOpen@4"),
# and quillar.exe needs nothing from librfc32.dll when it starts, since it
# loads the library at run time.
set -euo pipefail
tree="${1:?usage: windows_binary_names.sh BUILD-TREE OBJDUMP}"
objdump="${2:?usage: windows_binary_names.sh BUILD-TREE OBJDUMP}"

exports=$("$objdump" -p "$tree/librfc32.dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk 'NR > 1 && NF { print $NF }')
expected="ItCreate ItDelete ItFill ItGetLine RfcCall RfcClose RfcEnvironment RfcInstallStructure RfcLastError RfcOpen RfcOpenEx RfcReceive"
if [ "$(echo $exports)" != "$expected" ]; then
  echo "librfc32.dll exports: $(echo $exports)" >&2
  echo "expected exactly:     $expected" >&2
  exit 1
fi
if "$objdump" -p "$tree/quillar.exe" | grep -i 'DLL Name: *librfc32' >/dev/null; then
  echo "quillar.exe imports librfc32.dll at load time" >&2
  exit 1
fi
for dll in $("$objdump" -p "$tree/quillar.exe" "$tree/librfc32.dll" | awk '/DLL Name:/ { print $3 }' | sort -u); do
  case "${dll,,}" in
    kernel32.dll | msvcrt.dll) ;;
    *) echo "needs $dll, which a Windows machine may lack" >&2; exit 1 ;;
  esac
done
echo "$tree: plain exports, librfc32.dll loaded at run time"
