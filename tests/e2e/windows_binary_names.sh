#!/usr/bin/env bash
# Checks a Windows build tree from its binaries: the stand-ins librfc32.dll
# and sapnwrfc.dll export the plain names of the vendor's DLLs, none
# decorated ("RfcOpen@4"), beside the one marker by which the sensor tells a
# stand-in from SAP's library, and say in their version resources what they
# are;
# quillar.exe needs nothing from either when it starts, since it loads them
# at run time.
set -euo pipefail
tree="${1:?usage: windows_binary_names.sh BUILD-TREE OBJDUMP}"
objdump="${2:?usage: windows_binary_names.sh BUILD-TREE OBJDUMP}"

exports_of() {
  "$objdump" -p "$tree/$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk 'NR > 1 && NF { print $NF }' | xargs
}
check_exports() {  # file, the expected names in sorted order
  local found
  found=$(exports_of "$1")
  if [ "$found" != "$2" ]; then
    echo "$1 exports: $found" >&2
    echo "expected exactly: $2" >&2
    exit 1
  fi
}
check_exports librfc32.dll "ItCreate ItDelete ItFill ItGetLine QuillarStandInForTrials RfcCall RfcClose RfcEnvironment RfcInstallStructure RfcLastError RfcOpen RfcOpenEx RfcReceive"
check_exports sapnwrfc.dll "QuillarStandInForTrials RfcCloseConnection RfcCreateFunction RfcDescribeType RfcDestroyFunction RfcGetChars RfcGetFieldDescByName RfcGetFunctionDesc RfcGetInt RfcGetInt2 RfcGetInt8 RfcGetParameterDescByName RfcGetRowCount RfcGetStringLength RfcGetTable RfcGetVersion RfcInvoke RfcMoveTo RfcOpenConnection RfcSetChars RfcSetInt RfcSetInt1 RfcSetInt2 RfcSetInt8"
# Explorer's Properties > Details of each stand-in show the texts of its
# version resource (UTF-16): a stand-in for trials, not SAP's library.
strings_tool="${objdump%objdump}strings"
check_details() {  # file, its description
  local texts expected
  texts=$("$strings_tool" -el "$tree/$1")
  for expected in "$2" "Quillar stand-in for trials, not SAP" "Quillar stand-in for trials of $1, not SAP's library"; do
    if ! grep -qxF "$expected" <<<"$texts"; then
      echo "$1 lacks the version text: $expected" >&2
      exit 1
    fi
  done
}
check_details librfc32.dll "Quillar stand-in for trials, not SAP's RFC library: systems from RfcSim.ini"
check_details sapnwrfc.dll "Quillar stand-in for trials, not SAP's NetWeaver RFC SDK: systems from RfcSim.ini"
if "$objdump" -p "$tree/quillar.exe" | grep -i -e 'DLL Name: *librfc32' -e 'DLL Name: *sapnwrfc' >/dev/null; then
  echo "quillar.exe imports an RFC library at load time" >&2
  exit 1
fi
for dll in $("$objdump" -p "$tree/quillar.exe" "$tree/librfc32.dll" "$tree/sapnwrfc.dll" | awk '/DLL Name:/ { print $3 }' | sort -u); do
  case "${dll,,}" in
    # Every Windows ships these; advapi32 gives the scratch folders their
    # owner-only security descriptors.
    kernel32.dll | advapi32.dll | msvcrt.dll) ;;
    *) echo "needs $dll, which a Windows machine may lack" >&2; exit 1 ;;
  esac
done
echo "$tree: plain exports, stand-ins named in their details, librfc32.dll loaded at run time"
